// korvane-mfp-sim: a stand-in for the printer's folder service, for tests, the demo and developers.
#include "mfp_server.h"
#include "sim_options.h"
#include "termination_watcher.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

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
    mfpsim::blockTerminationSignals();
    // A client that hangs up while we write must not kill the stand-in.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("korvane-mfp-sim");

    const mfpsim::ParseOutcome outcome = mfpsim::parseCommandLine(QCoreApplication::arguments());
    if (!outcome.options)
        return reportParseOutcome(outcome);

    mfpsim::TerminationWatcher watcher;
    if (!watcher.isWatching()) {
        std::fprintf(stderr, "korvane-mfp-sim: cannot watch for termination signals\n");
        return 1;
    }
    QObject::connect(&watcher, &mfpsim::TerminationWatcher::terminationRequested, &app, &QCoreApplication::quit);

    mfpsim::MfpServer server(*outcome.options);
    QString error;
    if (!server.listen(&error)) {
        std::fprintf(stderr, "korvane-mfp-sim: cannot listen: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
