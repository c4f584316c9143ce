// The batch host fetching the folder list from the printer stand-in, end to end.
#include "stand_in.h"
#include "support/test_host.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// One run of the batch host with its own user folders.
struct HostRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 elapsedMs = 0;
};

HostRun runHost(const QString& address, const std::function<void(const QTemporaryDir&)>& prepare = {})
{
    QTemporaryDir home;
    if (prepare)
        prepare(home);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess host;
    host.setProcessEnvironment(env);
    HostRun run;
    QElapsedTimer clock;
    clock.start();
    host.start(QStringLiteral(KORVANE_TEST_BIN_DIR "/korvane-print"),
               {"--batch", "--printer", "sample", "--dry-run", "--set", "printersAddressEditText=" + address, "--set",
                "getFolderNameButton=1", "--dump"});
    if (!host.waitForFinished(90000)) {
        host.kill();
        host.waitForFinished();
        return run;
    }
    run.elapsedMs = clock.elapsed();
    run.exitCode = host.exitCode();
    run.out = host.readAllStandardOutput();
    run.err = host.readAllStandardError();
    return run;
}

TEST(SoapCli, FetchedFoldersAppearInThePanelsFolderList)
{
    harness::StandIn printer;
    ASSERT_TRUE(printer.start({"--folder", "Accounts:protected", "--folder", "Design", "--folder", "Shared:dir"}));
    const HostRun run = runHost(QString::fromStdString(printer.address()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("alert")) << run.err.toStdString();
    const QJsonObject dump = QJsonDocument::fromJson(run.out).object();
    const QJsonArray folders = dump["panel"].toObject()["folderList"].toArray();
    ASSERT_EQ(folders.size(), 3) << run.out.toStdString();
    EXPECT_EQ(folders[0].toObject()["name"].toString(), "Accounts");
    EXPECT_TRUE(folders[0].toObject()["password"].toBool());
    EXPECT_EQ(folders[1].toObject()["name"].toString(), "Design");
    EXPECT_FALSE(folders[1].toObject()["password"].toBool());
    EXPECT_TRUE(folders[2].toObject()["dir"].toBool());
}

TEST(SoapCli, RefusedReplyFolderIsToldOnceAndNothingIsSent)
{
    QTemporaryDir elsewhere;
    // The printer's address leads nowhere: a request sent would end in the failure alert.
    const HostRun run = runHost("127.0.0.1:1", [&elsewhere](const QTemporaryDir& home) {
        QDir().mkpath(home.filePath("runtime"));
        QFile::link(elsewhere.path(), home.filePath("runtime/korvane"));
    });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray note = "korvane-print: note: Folder names cannot be fetched: the private temporary folder ";
    EXPECT_EQ(run.err.count(note), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("is a symbolic link")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("alert")) << run.err.toStdString();
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
}

TEST(SoapCli, SilentPrinterEndsInTheAlertAfterTheWatchdog)
{
    harness::StandIn printer;
    ASSERT_TRUE(printer.start({"--mode", "silent"}));
    const HostRun run = runHost(QString::fromStdString(printer.address()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("korvane-print: alert: Could not retrieve Folder Names. [OK]"))
        << run.err.toStdString();
    EXPECT_GE(run.elapsedMs, 20000);
    RecordProperty("host_run_ms", static_cast<int>(run.elapsedMs));
}

}  // namespace
