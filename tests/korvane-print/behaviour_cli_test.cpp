// The batch host operates the panel as a user would: what the rules dim cannot be typed into,
// and what they restore can.
#include "harness_host.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

struct BatchRun {
    int exitCode = -1;
    QString errors;
    QJsonObject dump;
};

// Runs the batch host on the sample printer with the given --set operations and a --dump,
// with a home folder of its own so that no stored preference plays a part.
BatchRun runBatch(const QStringList& sets, const QString& layout = {})
{
    QTemporaryDir home;
    const std::string homePath = home.path().toStdString();
    std::vector<std::string> arguments{"--batch", "--printer", "sample", "--dump"};
    if (!layout.isEmpty())
        arguments.insert(arguments.end(), {"--layout", layout.toStdString()});
    for (const QString& set : sets)
        arguments.insert(arguments.end(), {"--set", set.toStdString()});

    const harness::ProcessResult result = harness::runProgram(harness::programPath("korvane-print"), arguments,
                                                              {{"HOME", homePath},
                                                               {"XDG_CONFIG_HOME", homePath + "/config"},
                                                               {"XDG_RUNTIME_DIR", homePath},
                                                               {"QT_QPA_PLATFORM", "offscreen"}});
    BatchRun run;
    run.exitCode = result.exitCode;
    run.errors = QString::fromStdString(result.err);
    run.dump = QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
    return run;
}

QJsonObject control(const BatchRun& run, const char* outlet)
{
    return run.dump.value("controls").toObject().value(outlet).toObject();
}

TEST(BehaviourCli, TypingIntoThePINIsRefusedOnceRetentionIsOff)
{
    const BatchRun run = runBatch({"retentionCheckBox=0", "suspendKeyEditText=12"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("cannot operate suspendKeyEditText")) << run.errors.toStdString();
}

TEST(BehaviourCli, QuickFileRefusesThePINAndTheMainFolderTakesIt)
{
    const BatchRun refused = runBatch({"retentionCheckBox=1", "folderSelectionPopup=0", "suspendKeyEditText=12"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.errors.contains("suspendKeyEditText")) << refused.errors.toStdString();

    const BatchRun taken = runBatch({"retentionCheckBox=1", "folderSelectionPopup=1", "suspendKeyEditText=12"});
    ASSERT_EQ(taken.exitCode, 0) << taken.errors.toStdString();
    EXPECT_EQ(control(taken, "suspendKeyEditText").value("text").toString(), "12");
    EXPECT_FALSE(control(taken, "suspendKeyEditText").value("dimmed").toBool());
}

TEST(BehaviourCli, TheFolderNameNeedsTheCustomFolderRow)
{
    const BatchRun refused =
        runBatch({"retentionCheckBox=1", "folderSelectionMatrix=1", "folderNameEditText=Plans"}, "JobControl2");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.errors.contains("folderNameEditText")) << refused.errors.toStdString();

    const BatchRun taken = runBatch(
        {"retentionCheckBox=1", "folderSelectionMatrix=2", "folderNameEditText=Plans", "folderPasswordEditText=4321"},
        "JobControl2");
    ASSERT_EQ(taken.exitCode, 0) << taken.errors.toStdString();
    EXPECT_EQ(control(taken, "folderNameEditText").value("text").toString(), "Plans");
    EXPECT_EQ(control(taken, "folderPasswordEditText").value("text").toString(), "4321");
}

TEST(BehaviourCli, UserNumberAuthenticationRefusesTheLoginNameAndTakesTheFocus)
{
    const BatchRun refused = runBatch({"authenticationMatrix=1", "loginNameEditText=ann"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.errors.contains("loginNameEditText")) << refused.errors.toStdString();

    // Typing the login name gave it the focus; switching hands the focus to the user number.
    const BatchRun switched = runBatch({"loginNameEditText=ann", "authenticationMatrix=1"});
    ASSERT_EQ(switched.exitCode, 0) << switched.errors.toStdString();
    EXPECT_EQ(switched.dump.value("focus").toString(), "userNumberEditText");

    const BatchRun taken = runBatch({"loginNameEditText=ann", "authenticationMatrix=1", "userNumberEditText=42"});
    ASSERT_EQ(taken.exitCode, 0) << taken.errors.toStdString();
    EXPECT_EQ(control(taken, "loginNameEditText").value("text").toString(), "");
    EXPECT_EQ(control(taken, "userNumberEditText").value("text").toString(), "42");
    EXPECT_TRUE(control(taken, "loginNameEditText").value("dimmed").toBool());
}

TEST(BehaviourCli, TheLoginNameLockMasksTheFieldButKeepsTheName)
{
    const BatchRun run = runBatch({"loginNameEditText=ann", "loginNameButton=1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(control(run, "loginNameEditText").value("text").toString(), QString(3, QChar(0x2022)));
    EXPECT_TRUE(control(run, "loginNameEditText").value("dimmed").toBool());
    EXPECT_EQ(run.dump.value("panel").toObject().value("loginNameStringRef").toString(), "ann");
}

}  // namespace
