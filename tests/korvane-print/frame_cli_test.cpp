// The batch host as scripts use it: the panel's frame through the command line.
#include "support/test_host.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct HostRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// Runs korvane-print with the arguments in a private home; without a desktop session's runtime
// folder (XDG_RUNTIME_DIR unset, TMPDIR in the home) when asked.
HostRun runHost(const QStringList& arguments, bool desktopSession = true)
{
    QTemporaryDir home;
    const std::string homePath = home.path().toStdString();
    // No cupsd is to be asked: point the client at a port nobody listens on.
    std::map<std::string, std::string> environment{{"HOME", homePath},
                                                   {"XDG_CONFIG_HOME", homePath + "/config"},
                                                   {"QT_QPA_PLATFORM", "offscreen"},
                                                   {"CUPS_SERVER", "127.0.0.1:1"}};
    std::vector<std::string> unset;
    if (desktopSession) {
        environment["XDG_RUNTIME_DIR"] = homePath + "/runtime";
    } else {
        unset.push_back("XDG_RUNTIME_DIR");
        environment["TMPDIR"] = homePath;
    }
    std::vector<std::string> args;
    for (const QString& argument : arguments)
        args.push_back(argument.toStdString());
    const harness::ProcessResult result =
        harness::runProgram(harness::programPath("korvane-print"), args, environment, 60000, unset);
    HostRun run;
    run.exitCode = result.exitCode;
    run.out = QByteArray::fromStdString(result.out);
    run.err = QString::fromStdString(result.err);
    return run;
}

}  // namespace

TEST(BatchHost, DumpsTheSamplePrintersPanel)
{
    HostRun run = runHost({"--batch", "--printer", "sample", "--dump"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject dump = run.json();
    for (const char* key : {"printSettings", "jobName", "controls", "focus", "panel"})
        EXPECT_TRUE(dump.contains(key)) << key;
    const QJsonObject panel = dump.value("panel").toObject();
    EXPECT_EQ(panel.value("mfpURL").toString(), "127.0.0.1");
    EXPECT_EQ(panel.value("preferenceName").toString(), "korvane.mfp.sample");
    EXPECT_EQ(panel.value("panelKind").toString(), "korvane.print.pde.rk880.JobControlKind");
    EXPECT_TRUE(panel.value("hasInited").toBool());
    EXPECT_TRUE(panel.value("callRestoreValuesFunction").toBool());
    EXPECT_TRUE(panel.value("callSaveValuesFunction").toBool());
    const QJsonObject controls = dump.value("controls").toObject();
    EXPECT_EQ(controls.value("retentionCheckBox").toObject().value("kind").toString(), "checkbox");
    EXPECT_EQ(controls.value("suspendKeyEditText").toObject().value("kind").toString(), "edit");
    EXPECT_FALSE(controls.contains("folderSelectionMatrix"));
}

TEST(BatchHost, SaysNothingOfTheMissingRuntimeFolderWithoutADesktopSession)
{
    HostRun run = runHost({"--batch", "--printer", "sample", "--dump"}, false);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("XDG_RUNTIME_DIR")) << run.err.toStdString();
    EXPECT_TRUE(run.json().contains("printSettings"));
}

TEST(BatchHost, DeviceURIGivesTheAddressWithoutAskingCups)
{
    HostRun run = runHost({"--batch", "--printer", "sample", "--device-uri", "socket://192.168.1.20:9100", "--dump"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value("panel").toObject().value("mfpURL").toString(), "192.168.1.20");

    // Any queue name works with both a PPD and a device URI given.
    HostRun office = runHost({"--batch", "--printer", "Office_3F", "--ppd",
                              QString::fromStdString(testing_support::TestHost::samplePPD()), "--device-uri",
                              "lpd://mfp3f/queue", "--dump"});
    ASSERT_EQ(office.exitCode, 0) << office.err.toStdString();
    const QJsonObject panel = office.json().value("panel").toObject();
    EXPECT_EQ(panel.value("mfpURL").toString(), "mfp3f");
    EXPECT_EQ(panel.value("preferenceName").toString(), "korvane.mfp.Office_3F");
}

TEST(BatchHost, WithoutPPDThePanelHasNoPrinterFacts)
{
    HostRun run = runHost({"--batch", "--printer", "sample", "--no-ppd", "--dump"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject panel = run.json().value("panel").toObject();
    EXPECT_FALSE(panel.contains("mfpURL"));
    EXPECT_FALSE(panel.contains("preferenceName"));
    EXPECT_TRUE(panel.value("hasInited").toBool());
}

TEST(BatchHost, RefusesWhatItCannotDoWithAClearMessage)
{
    QTemporaryDir dir;
    const QString badJson = dir.path() + "/bad.json";
    QFile file(badJson);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"korvane.print.PrintSettings.filing\": 3}");
    file.close();

    struct Case {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"--batch", "--no-such-option"}, "no-such-option"},
        {{"--batch", "--printer", "sample", "--set", "noSuchOutlet=1"}, "noSuchOutlet"},
        {{"--batch", "--printer", "sample", "--set", "retentionCheckBox"}, "OUTLET=VALUE"},
        {{"--batch", "--printer", "sample", "--set", "retentionCheckBox=2"}, "0 or 1"},
        // Restored with retention off, the pop-up is disabled until retention is turned on.
        {{"--batch", "--printer", "sample", "--set", "retentionCheckBox=1", "--set", "folderSelectionPopup=7"},
         "no item"},
        {{"--batch", "--printer", "sample", "--settings", dir.path() + "/missing.json"}, "missing.json"},
        {{"--batch", "--printer", "sample", "--settings", badJson}, "not a string"},
        {{"--batch", "--printer", "sample", "--calls", "panelView,explode"}, "explode"},
        {{"--batch", "--printer", "sample", "--ppd", dir.path() + "/none.ppd", "--device-uri", "socket://x"},
         "none.ppd"},
        {{"--batch", "--printer", "nosuchqueue"}, "nosuchqueue"},
    };
    for (const Case& c : cases) {
        HostRun run = runHost(c.arguments);
        EXPECT_NE(run.exitCode, 0) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    }
}
