// korvane-mfp-sim: a stand-in for the printer (folder service, print port, operator panel), for
// tests, the demo and developers.
#include "job_store.h"
#include "mfp_server.h"
#include "operator_panel.h"
#include "platform/termination_watcher.h"
#include "print_port.h"
#include "sim_options.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

// Prints the help or an error and returns the exit status for it.
static int reportParseOutcome(const mfpsim::ParseOutcome& outcome)
{
    if (outcome.isError) {
        std::fprintf(stderr, "korvane-mfp-sim: %s\nTry --help.\n", qPrintable(outcome.message));
        return 2;
    }
    std::fputs(qPrintable(outcome.message), stdout);
    return 0;
}

int main(int argc, char** argv)
{
    // Before Qt can start a thread, so that every thread leaves the signals to the signalfd.
    platform::blockTerminationSignals();
    // A client that hangs up while we write must not kill the stand-in.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("korvane-mfp-sim");

    const mfpsim::ParseOutcome outcome = mfpsim::parseCommandLine(QCoreApplication::arguments());
    if (!outcome.options)
        return reportParseOutcome(outcome);

    platform::TerminationWatcher watcher;
    if (!watcher.isWatching()) {
        std::fprintf(stderr, "korvane-mfp-sim: cannot watch for termination signals\n");
        return 1;
    }
    QObject::connect(&watcher, &platform::TerminationWatcher::terminationRequested, &app, &QCoreApplication::quit);

    const mfpsim::SimOptions& options = *outcome.options;
    QString error;
    const std::unique_ptr<mfpsim::JobStore> store = options.stateDirectory.isEmpty()
                                                        ? mfpsim::JobStore::openPrivate(&error)
                                                        : mfpsim::JobStore::open(options.stateDirectory, &error);
    if (!store) {
        std::fprintf(stderr, "korvane-mfp-sim: %s\n", qPrintable(error));
        return 1;
    }
    mfpsim::OperatorPanel panel(*store, options.adminPassword);
    mfpsim::MfpServer server(options, &panel);
    if (!server.listen(&error)) {
        std::fprintf(stderr, "korvane-mfp-sim: cannot listen: %s\n", qPrintable(error));
        return 1;
    }
    const mfpsim::PrintPortLimits limits{options.maxJobBytes, options.jobDeadline, options.users};
    std::unique_ptr<mfpsim::PrintServer> printer;
    if (options.printPort) {
        printer = std::make_unique<mfpsim::PrintServer>(*store, limits);
        if (!printer->listen(*options.printPort, &error)) {
            std::fprintf(stderr, "korvane-mfp-sim: cannot listen on the print port: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
    if (printer)
        std::printf("printing on 127.0.0.1:%u\n", static_cast<unsigned>(printer->port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
