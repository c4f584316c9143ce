// Remembered values across two runs of the batch host: what one print stores in the queue's
// preference file and what the next dialog loads from it.
#include "platform/user_defaults.h"
#include "support/property_value_printer.h"
#include "support/settings_reference.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

namespace ref = testing_support::reference;
using platform::PropertyDictionary;
using platform::PropertyValue;

// A user's home kept across the runs of one test.
class PrefsCliTest : public ::testing::Test {
protected:
    struct Run {
        int exitCode = -1;
        QJsonObject dump;
        std::string err;
        QJsonObject panel() const { return dump.value("panel").toObject(); }
    };

    // Runs korvane-print in batch mode on the sample printer with the arguments and --dump.
    Run runHost(QStringList arguments)
    {
        arguments = QStringList{"--batch", "--printer", "sample"} + arguments + QStringList{"--dump"};
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", home.path() + "/runtime");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CUPS_SERVER", "127.0.0.1:1");
        process.setProcessEnvironment(env);
        process.start(KORVANE_TEST_BIN_DIR "/korvane-print", arguments);
        Run run;
        if (!process.waitForFinished(60000))
            return run;
        run.exitCode = process.exitCode();
        run.dump = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        run.err = process.readAllStandardError().toStdString();
        return run;
    }

    // The queue's preference file at its documented place.
    std::string preferenceFile() const
    {
        return (home.path() + "/config/korvane/korvane.mfp.sample.plist").toStdString();
    }

    std::optional<PropertyDictionary> storedDomain() const
    {
        QFile file(QString::fromStdString(preferenceFile()));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QByteArray bytes = file.readAll();
        return platform::propertyListFromBytes(bytes.toStdString());
    }

    PropertyDictionary storedJobControl() const
    {
        auto domain = storedDomain();
        if (!domain || !domain->count("Job Control") || !domain->at("Job Control").dictionary())
            return {};
        return *domain->at("Job Control").dictionary();
    }

    void replaceStoredEntry(const char* key, const std::string& value)
    {
        auto domain = storedDomain();
        ASSERT_TRUE(domain);
        PropertyDictionary jobControl = storedJobControl();
        jobControl[key] = PropertyValue{value};
        (*domain)["Job Control"] = PropertyValue{jobControl};
        QFile file(QString::fromStdString(preferenceFile()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::fromStdString(platform::xmlPropertyList(*domain)));
    }

    // The first run: PIN, login name and job name locked; user name and password typed but
    // left unlocked.
    Run printWithLockedValues()
    {
        return runHost({"--set", "retentionCheckBox=1",      "--set", "folderSelectionPopup=1",
                        "--set", "suspendKeyEditText=12345", "--set", "suspendKeyButton=1",
                        "--set", "authenticationMatrix=0",   "--set", "loginNameEditText=alice",
                        "--set", "loginNameButton=1",        "--set", "passwordEditText=secret",
                        "--set", "userNameEditText=Zoe",     "--set", "jobNameEditText=Quarterly",
                        "--set", "jobNameButton=1"});
    }

    QTemporaryDir home;
};

TEST_F(PrefsCliTest, LockedValuesAreStoredAndComeBackInTheNextDialog)
{
    Run first = printWithLockedValues();
    ASSERT_EQ(first.exitCode, 0) << first.err;

    // The file: a private XML property list with the documented keys.
    QFile file(QString::fromStdString(preferenceFile()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("<?xml"));
    struct stat info {};
    ASSERT_EQ(stat(preferenceFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const PropertyDictionary jobControl = storedJobControl();
    EXPECT_EQ(jobControl.at("Model Name"), PropertyValue{std::string("Korvane RK-880 MFP")});
    EXPECT_EQ(jobControl.at("Release Number"), PropertyValue{std::string("2.00")});
    EXPECT_EQ(jobControl.at("hold button"), PropertyValue{std::int64_t{0x013}});
    EXPECT_EQ(jobControl.at("authentication"), PropertyValue{true});
    EXPECT_EQ(jobControl.at("job name"), PropertyValue{std::string("Quarterly")});
    EXPECT_EQ(jobControl.at("user name"), PropertyValue{std::string("Zoe")});
    const std::string loginName = ref::base64(ref::aesEncrypt("alice", ref::fixedKey()));
    EXPECT_EQ(jobControl.at("user login name"), PropertyValue{loginName});
    const std::string passCode = *jobControl.at("pass code").string();
    const std::string password = *jobControl.at("user password").string();
    EXPECT_EQ(passCode.size(), 32u);
    EXPECT_EQ(password.size(), 64u);
    EXPECT_EQ(password.substr(32), std::string(32, '0'));

    // The next dialog loads the locked values only, in their stored forms.
    Run second = runHost({"--calls", "panelView"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const QJsonObject panel = second.panel();
    EXPECT_EQ(panel.value("prefHoldButtonFlag").toInt(), 0x013);
    EXPECT_EQ(panel.value("prefSuspendKeyStringRef").toString().toStdString(), passCode);
    EXPECT_EQ(panel.value("prefJobNameStringRef").toString(), "Quarterly");
    EXPECT_EQ(panel.value("prefLoginNameStringRef").toString().toStdString(), loginName);
    EXPECT_TRUE(panel.value("prefAuthenticationBooleanRef").toBool());
    EXPECT_FALSE(panel.contains("prefUserNameStringRef"));
    EXPECT_FALSE(panel.contains("prefPasswordStringRef"));

    // Unlocking in a later print stops the loading, though the value stays stored.
    Run third = runHost({"--set", "jobNameButton=0"});
    ASSERT_EQ(third.exitCode, 0) << third.err;
    Run fourth = runHost({"--calls", "panelView"});
    EXPECT_FALSE(fourth.panel().contains("prefJobNameStringRef"));
    EXPECT_EQ(storedJobControl().count("job name"), 1u);
}

TEST_F(PrefsCliTest, StoreOfAnotherReleaseOrModelIsResetBeforeLoading)
{
    for (const auto& [key, value] : {std::pair{"Release Number", "2.01"}, std::pair{"Release Number", "2.0"},
                                     std::pair{"Model Name", "Korvane RK-990 MFP"}}) {
        Run first = printWithLockedValues();
        ASSERT_EQ(first.exitCode, 0) << first.err;
        replaceStoredEntry(key, value);

        Run second = runHost({"--calls", "panelView"});
        ASSERT_EQ(second.exitCode, 0) << second.err;
        const QJsonObject panel = second.panel();
        EXPECT_EQ(panel.value("prefHoldButtonFlag").toInt(), 0) << key << "=" << value;
        EXPECT_FALSE(panel.contains("prefSuspendKeyStringRef")) << key << "=" << value;
        EXPECT_FALSE(panel.contains("prefJobNameStringRef")) << key << "=" << value;
        EXPECT_EQ(storedJobControl(),
                  (PropertyDictionary{{"Model Name", PropertyValue{std::string("Korvane RK-880 MFP")}},
                                      {"Release Number", PropertyValue{std::string("2.00")}}}))
            << key << "=" << value;
    }
}

TEST_F(PrefsCliTest, ASaveThatFailsIsToldOnStandardErrorAndTheRunStillSucceeds)
{
    Run first = printWithLockedValues();
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.err.find("note:"), std::string::npos) << first.err;
    // A link where the store's lock file belongs: the store refuses to write through it.
    const std::string lock = preferenceFile() + ".lock";
    std::remove(lock.c_str());
    ASSERT_EQ(symlink((home.path() + "/elsewhere").toUtf8().constData(), lock.c_str()), 0);

    Run second = runHost({"--set", "userNameEditText=Lost", "--set", "userNameButton=1"});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("korvane-print: note: The values of the Job Control tab could not be saved to " +
                              preferenceFile()),
              std::string::npos)
        << second.err;
    EXPECT_EQ(storedJobControl().at("user name"), PropertyValue{std::string("Zoe")});
}

}  // namespace
