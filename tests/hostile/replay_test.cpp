// Replays the hostile printer's cases against the batch host, one run of korvane-print per
// case, and reports for each its exit status, wall time and peak memory. About 30 s in all, the
// silent printer's 20-second watchdog the most of it; the plain build's suite runs them (the
// time bounds measure the program as users run it), and tests/hostile/replay.sh shows the table.
#include "support/hostile_printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using testing_support::HostilePrinter;
using testing_support::HostileScript;
namespace hostile = testing_support::hostile;

// What one run of the host came to.
struct HostRun {
    int exitStatus = -1;
    double seconds = 0;
    long peakKiB = 0;
    std::string err;
};

// Runs the host with arguments in an environment of its own while this thread's event loop
// keeps serving the in-process printer; stderr goes to a file that is read afterwards.
HostRun runHost(const std::vector<std::string>& arguments, const QTemporaryDir& home)
{
    std::vector<std::string> env{"HOME=" + home.path().toStdString(),
                                 "XDG_CONFIG_HOME=" + home.filePath("config").toStdString(),
                                 "XDG_RUNTIME_DIR=" + home.filePath("runtime").toStdString(),
                                 "QT_QPA_PLATFORM=offscreen",
                                 "CUPS_SERVER=127.0.0.1:1",
                                 "LANG=C.UTF-8"};
    if (const char* path = std::getenv("PATH"))
        env.push_back(std::string("PATH=") + path);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv{KORVANE_TEST_BIN_DIR "/korvane-print"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argp;
    for (std::string& entry : argv)
        argp.push_back(entry.data());
    argp.push_back(nullptr);

    const std::string errPath = home.filePath("stderr").toStdString();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    HostRun run;
    QElapsedTimer clock;
    clock.start();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, WNOHANG, &usage) == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (clock.elapsed() > 90000)
            kill(child, SIGKILL);
    }
    run.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.peakKiB = usage.ru_maxrss;
    QFile err(QString::fromStdString(errPath));
    if (err.open(QIODevice::ReadOnly))
        run.err = err.readAll().toStdString();
    return run;
}

// A folder fetch against the printer, with an earlier reply in the host's reply file.
struct FetchCase {
    HostileScript script;
    bool soundReply = false;  // the case the fetch should keep
};

const char* kEarlierReply = "<earlier/>";

TEST(HostileReplay, EveryCaseEndsBoundedAndSaysSo)
{
    const std::vector<FetchCase> cases{
        {hostile::soundReply(), true},
        {hostile::soundChunkedReply(), true},
        {hostile::endlessChunks()},
        {hostile::chunkedBody(400LL * 1024 * 1024)},
        {hostile::headerFlood()},
        {hostile::endlessHeaderLine()},
        {hostile::badChunkSize("zz")},
        {hostile::badChunkSize("-10")},
        {hostile::badChunkSize("1000000000000000000")},
        {hostile::resetMidBody()},
        {hostile::shortBody()},
        {hostile::longBody()},
        {hostile::encodedBody()},
        {hostile::unfinishedChunks()},
        {hostile::closeWithoutAnswer()},
        {hostile::silent()},
    };
    std::printf("%-34s %5s %8s %10s %9s %6s %s\n", "case", "exit", "time/s", "peak/MiB", "requests", "alert",
                "reply file");
    for (const FetchCase& fetch : cases) {
        HostilePrinter printer(fetch.script);
        QTemporaryDir home;
        ASSERT_TRUE(QDir().mkpath(home.filePath("runtime/korvane")));
        QFile::setPermissions(home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(home.filePath("runtime/korvane"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString replyPath = home.filePath("runtime/korvane/vwxyz.xml");
        QFile planted(replyPath);
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
        planted.write(kEarlierReply);
        planted.close();

        const HostRun run =
            runHost({"--batch", "--printer", "sample", "--dry-run", "--set",
                     "printersAddressEditText=" + printer.address().toStdString(), "--set", "getFolderNameButton=1"},
                    home);
        QFile reply(replyPath);
        const bool kept = reply.open(QIODevice::ReadOnly) && reply.readAll() == kEarlierReply;
        const bool alert = run.err.find("alert: Could not retrieve Folder Names.") != std::string::npos;
        std::printf("%-34s %5d %8.2f %10.1f %9d %6s %s\n", fetch.script.name.c_str(), run.exitStatus, run.seconds,
                    static_cast<double>(run.peakKiB) / 1024.0, printer.connections(), alert ? "yes" : "no",
                    kept ? "kept" : "replaced");
        std::fflush(stdout);
        EXPECT_EQ(run.exitStatus, 0) << fetch.script.name << "\n" << run.err;
        EXPECT_LT(run.seconds, 21.5) << fetch.script.name;
        EXPECT_EQ(printer.connections(), 1) << fetch.script.name;
        EXPECT_EQ(alert, !fetch.soundReply) << fetch.script.name << "\n" << run.err;
        EXPECT_EQ(kept, !fetch.soundReply) << fetch.script.name;
    }
}

TEST(HostileReplay, DamagedFilesAndFoldersAreRefusedAloud)
{
    std::printf("%-34s %5s %8s %10s %s\n", "case", "exit", "time/s", "peak/MiB", "message");
    auto report = [](const char* name, const HostRun& run) {
        // The host's own line, not the toolkit's chatter.
        const std::size_t at = run.err.find("korvane-print:");
        const std::string firstLine =
            at == std::string::npos ? std::string() : run.err.substr(at, run.err.find('\n', at) - at);
        std::printf("%-34s %5d %8.2f %10.1f %s\n", name, run.exitStatus, run.seconds,
                    static_cast<double>(run.peakKiB) / 1024.0, firstLine.c_str());
        std::fflush(stdout);
    };
    {
        // A 100 MB value in the settings file.
        QTemporaryDir home;
        QFile settings(home.filePath("settings.json"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("{\"korvane.print.PrintSettings.jobName\": \"");
        const QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < 100; ++i)
            settings.write(block);
        settings.write("\"}");
        settings.close();
        const HostRun run = runHost(
            {"--batch", "--printer", "sample", "--dry-run", "--settings", settings.fileName().toStdString()}, home);
        report("settings file of 100 MiB", run);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_NE(run.err.find("larger than 1 MiB"), std::string::npos) << run.err;
    }
    {
        // The private reply folder is a link to somewhere else.
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        ASSERT_TRUE(QDir().mkpath(home.filePath("runtime")));
        QFile::setPermissions(home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(QFile::link(elsewhere.path(), home.filePath("runtime/korvane")));
        HostilePrinter printer(hostile::soundReply());
        const HostRun run =
            runHost({"--batch", "--printer", "sample", "--dry-run", "--set",
                     "printersAddressEditText=" + printer.address().toStdString(), "--set", "getFolderNameButton=1"},
                    home);
        report("reply folder is a link", run);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(printer.connections(), 0);
        EXPECT_NE(run.err.find("is a symbolic link"), std::string::npos) << run.err;
    }
    {
        // The preference store's lock file is a link: the save fails.
        QTemporaryDir home;
        ASSERT_TRUE(QDir().mkpath(home.filePath("config/korvane")));
        ASSERT_TRUE(
            QFile::link(home.filePath("elsewhere"), home.filePath("config/korvane/korvane.mfp.sample.plist.lock")));
        const HostRun run =
            runHost({"--batch", "--printer", "sample", "--dry-run", "--set", "jobNameEditText=Kept?"}, home);
        report("preference lock file is a link", run);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_NE(run.err.find("could not be saved"), std::string::npos) << run.err;
    }
}

}  // namespace
