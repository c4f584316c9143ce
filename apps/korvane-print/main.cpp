// korvane-print: a print dialog host for printers with dialog extensions.
#include "batch_run.h"
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
    QApplication::setApplicationName("korvane-print");
    QApplication::setApplicationVersion("1.0.0");

    std::string error;
    auto options = parseHostOptions(QApplication::arguments(), &error);
    if (!options) {
        std::cerr << "korvane-print: " << error << "\nTry 'korvane-print --help'." << std::endl;
        return 2;
    }
    if (options->batch)
        return runBatch(*options);
    if (!platformChosen && !hasDisplay) {
        std::cerr << "korvane-print: there is no display to open the print dialog on (DISPLAY and WAYLAND_DISPLAY "
                     "are unset); add --batch to print without a window"
                  << std::endl;
        return 1;
    }
    return runWindow(*options);
}
