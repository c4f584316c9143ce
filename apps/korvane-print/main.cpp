// korvane-print: a print dialog host for printers with dialog extensions.
#include "batch_run.h"
#include "host_report.h"
#include "options.h"
#include "print_dialog.h"

#include "platform/application.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv)
{
    // A batch run needs no display, and neither do --help and option errors.
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!platformChosen && (argumentsAskForBatch(argc, argv) || !hasDisplay))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    auto app = platform::makeApplication<QApplication>(argc, argv);
    QApplication::setApplicationName(kProgramName);
    QApplication::setApplicationVersion("1.0.0");

    std::string error;
    auto options = parseHostOptions(QApplication::arguments(), &error);
    if (!options) {
        report(error + "\nTry '" + kProgramName + " --help'.");
        return exitCode(ExitStatus::BadOption);
    }
    if (options->printOnly) {
        std::cout << *options->printOnly << std::flush;
        return exitCode(ExitStatus::Done);
    }
    if (options->batch)
        return exitCode(runBatch(*options));
    if (!platformChosen && !hasDisplay) {
        report(
            "there is no display to open the print dialog on (DISPLAY and WAYLAND_DISPLAY are unset); add "
            "--batch to print without a window");
        return exitCode(ExitStatus::Unavailable);
    }
    return exitCode(runWindow(*options));
}
