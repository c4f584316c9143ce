// korvane-print: a print dialog host for printers with dialog extensions.
#include "batch_run.h"
#include "held_job_dialog.h"
#include "held_job_session.h"
#include "host_report.h"
#include "job_agent.h"
#include "options.h"
#include "print_dialog.h"

#include "platform/application.h"
#include "platform/termination_watcher.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv)
{
    // A batch run needs no display, and neither do --help and option errors.
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!platformChosen && (argumentsAskForBatch(argc, argv) || !hasDisplay))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The agent ends in order when the session ends it; before Qt starts a thread, so that
    // every thread leaves the signals to the agent's watcher.
    if (argumentsAskForAgent(argc, argv))
        platform::blockTerminationSignals();
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
        return exitCode(options->jobId ? runHeldJobBatch(*options) : runBatch(*options));
    if (!platformChosen && !hasDisplay) {
        report(options->agent ? "the agent opens windows in the desktop session, and there is no display "
                                "(DISPLAY and WAYLAND_DISPLAY are unset)"
                              : "there is no display to open the print dialog on (DISPLAY and WAYLAND_DISPLAY are "
                                "unset); add --batch to print without a window");
        return exitCode(ExitStatus::Unavailable);
    }
    if (options->agent)
        return exitCode(runAgent(*options));
    if (options->jobId)
        return exitCode(runHeldJobWindow(*options));
    return exitCode(runWindow(*options));
}
