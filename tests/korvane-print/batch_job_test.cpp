// A whole job scripted through the batch host on both layouts: the dumped print settings
// against an independent reckoning of every value.
#include "settings/keys.h"
#include "support/settings_reference.h"
#include "support/test_host.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace keys = korvane::keys;
namespace ref = testing_support::reference;

namespace {

// Runs the built host in batch mode and returns its dumped print settings; fails the test
// when the run fails.
std::map<std::string, std::string> runJob(const QStringList& arguments, const std::string& home)
{
    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home + "/config"));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home + "/runtime"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LANG", "C.UTF-8");
    environment.insert("TZ", "Asia/Kolkata");
    host.setProcessEnvironment(environment);
    host.start(KORVANE_TEST_BIN_DIR "/korvane-print",
               QStringList{"--batch", "--printer", "sample"} + arguments + QStringList{"--dump"});
    std::map<std::string, std::string> settings;
    if (!host.waitForFinished(60000)) {
        ADD_FAILURE() << "the host did not finish";
        host.kill();
        host.waitForFinished();
        return settings;
    }
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
    QJsonParseError error{};
    const QJsonDocument dump = QJsonDocument::fromJson(host.readAllStandardOutput(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonObject values = dump.object().value("printSettings").toObject();
    for (auto it = values.begin(); it != values.end(); ++it)
        settings[it.key().toStdString()] = it.value().toString().toStdString();
    return settings;
}

std::string fixedKeyHex(const std::string& text, std::size_t blocks)
{
    std::string encrypted = ref::aesEncrypt(text, ref::fixedKey());
    encrypted.resize(16 * blocks, '\0');
    return ref::hex(encrypted);
}

}  // namespace

class BatchJobTest : public ::testing::TestWithParam<const char*> {
protected:
    testing_support::ScopedUserDirs dirs;
};

TEST_P(BatchJobTest, ScriptedJobWritesEveryKeyItsChoicesCallFor)
{
    // A job as a user makes it: only fields the rules leave editable are typed into. The matrix
    // layout's custom-folder row opens the folder password; the pop-up layout has no protected
    // folder without a folder list, so its folder password stays empty.
    const bool matrix = std::string(GetParam()) == "JobControl2";
    QStringList script{"--layout", GetParam(),
                       "--set",    "retentionCheckBox=1",
                       "--set",    "suspendMatrix=0",
                       "--set",    "suspendKeyEditText=1234",
                       "--set",    "authenticationMatrix=0",
                       "--set",    "loginNameEditText=J\u00fcrgen",
                       "--set",    "passwordEditText=s3cret",
                       "--set",    "accountNumberEditText=1234567",
                       "--set",    "userNameEditText=Ann \"A\"",
                       "--set",    "jobNameEditText=Report",
                       "--set",    "userNameButton=1",
                       "--set",    "jobNameButton=1"};
    if (matrix)
        script << "--set"
               << "folderSelectionMatrix=2"
               << "--set"
               << "folderNameEditText=Reports"
               << "--set"
               << "folderPasswordEditText=9";
    std::map<std::string, std::string> written = runJob(script, dirs.path());
    ASSERT_TRUE(written.count(keys::kSpoolTime));
    const std::string t = ref::unhex(written[keys::kSpoolTime]);
    EXPECT_EQ(t.substr(t.size() - 6), " +0550") << t;
    const std::string spoolKey = ref::spoolKey(t);
    const std::string standard = ref::hex("*standard");

    std::map<std::string, std::string> expected{
        {keys::kSpoolTime, ref::hex(t)},
        {keys::kFiling, "0"},
        {keys::kFolderPath, standard},
        {keys::kFolderPath2, standard},
        {keys::kJobSuspend, "2"},
        {keys::kJobSuspendKey, ref::md5("01234" + t)},
        {keys::kJobSuspend2Key, fixedKeyHex("1234", 1)},
        {keys::kAuthentication, "1"},
        {keys::kLoginName11, ref::base64(ref::aesEncrypt("J\xC3\xBCrgen", ref::fixedKey()))},
        {std::string(keys::kLoginName0Prefix) + "1", ref::base64(ref::aesEncrypt("J\xFCrgen", spoolKey))},
        {keys::kPassword, ref::base64(ref::aesEncrypt("s3cret", spoolKey))},
        {keys::kPassword2, fixedKeyHex("s3cret", 2)},
        {keys::kAccountNumber, "12345"},
        {keys::kAccountNumber2, fixedKeyHex("12345", 1)},
        {keys::kUserName, ref::hex("Ann \"A\"")},
        {keys::kUserName2, ref::hex("Ann  A ")},
        {keys::kJobName, ref::hex("Report")},
        {keys::kJobName2, ref::hex("Report")},
        {keys::kHoldButton, "24"},
    };
    if (matrix) {
        expected[keys::kFolderPassword] = ref::md5(t + "00009");
        expected[keys::kFolderPassword2] = fixedKeyHex("9", 1);
    }
    EXPECT_EQ(written, expected);
}

TEST_P(BatchJobTest, WithoutRetentionThePINAndFolderPathsAreLeftOut)
{
    std::map<std::string, std::string> written =
        runJob({"--layout", GetParam(), "--set", "retentionCheckBox=0", "--set", "authenticationMatrix=1", "--set",
                "userNumberEditText=5"},
               dirs.path());
    EXPECT_EQ(written[keys::kJobSuspend], "0");
    EXPECT_EQ(written[keys::kFiling], "0");
    EXPECT_EQ(written[keys::kAuthentication], "0");
    EXPECT_EQ(written[keys::kUserNumber], "00005");
    for (const char* key :
         {keys::kJobSuspendKey, keys::kJobSuspend2Key, keys::kFolderPath, keys::kFolderPath2, keys::kLoginName11})
        EXPECT_EQ(written.count(key), 0u) << key;
    EXPECT_EQ(written[keys::kHoldButton], "0");
}

INSTANTIATE_TEST_SUITE_P(Layouts, BatchJobTest, ::testing::Values("JobControl", "JobControl2"));
