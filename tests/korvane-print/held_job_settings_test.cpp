// What the Job Control tab starts from for a job that waits in cupsd, and what answering sets on
// the job: the values another dialog or lp put into the PPD's options reach the tab as the user
// would type them, never as text in a note; the answer seals every secret, drops what an earlier
// answer left, and turns off the PPD options the tab replaces.
#include "held_job_settings.h"
#include "crypto/base64.h"
#include "crypto/seal.h"
#include "korvane-print/host_harness.h"
#include "settings/sealed_options.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

using namespace host_testing;

namespace {

struct PPDCloser {
    void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};

HeldJob heldJob(std::map<std::string, std::string> options)
{
    HeldJob job;
    job.id = 7;
    job.queue = "office";
    job.title = "Budget";
    job.state = IPP_JSTATE_HELD;
    job.holdUntil = "indefinite";
    job.options = std::move(options);
    return job;
}

// The operations as "outlet=value", in order.
std::vector<std::string> operationTexts(const HeldJobStart& start)
{
    std::vector<std::string> texts;
    for (const ControlOperation& operation : start.operations)
        texts.push_back(operation.outlet + "=" + operation.value);
    return texts;
}

bool anyNoteHolds(const HeldJobStart& start, const std::string& text)
{
    return std::any_of(start.notes.begin(), start.notes.end(),
                       [&](const std::string& note) { return note.find(text) != std::string::npos; });
}

TEST(HeldJobStart, ThePPDsJobControlOptionsAreTypedIntoTheTab)
{
    const HeldJobStart start = startFor(heldJob({{"ARHoldKey", "Custom.04711"},
                                                 {"ARAccountLogin", "custom.mia.jensen"},
                                                 {"ARAccountPassword", "Custom.open sesame"},
                                                 {"ARJobName", "Custom.Q3"},
                                                 {"ARUserName", "None"},
                                                 {"PageSize", "A4"}}));
    EXPECT_EQ(operationTexts(start),
              (std::vector<std::string>{"retentionCheckBox=1", "suspendMatrix=0", "suspendKeyEditText=04711",
                                        "authenticationMatrix=0", "loginNameEditText=mia.jensen",
                                        "passwordEditText=open sesame", "jobNameEditText=Q3"}));
    EXPECT_TRUE(start.notes.empty());
    EXPECT_EQ(start.settings.jobName(), "Budget");
}

TEST(HeldJobStart, AValueTheTabCannotTakeIsAskedForAgainWithoutShowingIt)
{
    // Qt's dialog sends "Custom" alone; a PIN of six digits does not fit the tab.
    for (const std::string pin : {"Custom", "Custom.123456", "Custom.47a1"}) {
        const HeldJobStart start = startFor(heldJob({{"ARHoldKey", pin}, {"ARUserNumber", "Custom.99999999"}}));
        EXPECT_EQ(operationTexts(start),
                  (std::vector<std::string>{"retentionCheckBox=1", "suspendMatrix=0", "authenticationMatrix=1",
                                            "userNumberEditText=99999999"}))
            << pin;
        EXPECT_TRUE(anyNoteHolds(start, "PIN")) << pin;
        const std::string typed = pin.size() > 7 ? pin.substr(7) : std::string();
        for (const std::string& note : start.notes)
            EXPECT_TRUE(typed.empty() || note.find(typed) == std::string::npos) << note;
    }
}

TEST(HeldJobStart, AnAnsweredJobRestoresItsKeysButItsSealedSecretsAreTypedAgain)
{
    const HeldJobStart start = startFor(heldJob({{"korvane.print.PrintSettings.jobSuspend", "2"},
                                                 {"korvane.print.PrintSettings.sealed1", "AAAA"},
                                                 {"ARHoldKey", "Custom.1234"}}));
    EXPECT_EQ(start.settings.value("korvane.print.PrintSettings.jobSuspend"), "2");
    EXPECT_FALSE(start.settings.contains("korvane.print.PrintSettings.sealed1"));
    // The tab's keys win over the PPD's options, as at the filter.
    EXPECT_TRUE(start.operations.empty());
    EXPECT_TRUE(anyNoteHolds(start, "sealed"));
}

class HeldJobAnswer : public ::testing::Test {
protected:
    void SetUp() override
    {
        keys = korvane::crypto::makeSealKeyPair();
        ASSERT_TRUE(keys);
        ASSERT_TRUE(scratch.isValid());
        const std::string path = scratch.path().toStdString() + "/office.ppd";
        ASSERT_TRUE(writeFile(path, readFile(samplePpd()) + "*" + korvane::settings::kSealKeyPPDKeyword + ": \"" +
                                        korvane::crypto::base64Encode(keys->publicKey) + "\"\n"));
        ppd.reset(ppdOpenFile(path.c_str()));
        ASSERT_TRUE(ppd);
    }

    QTemporaryDir scratch;
    std::optional<korvane::crypto::SealKeyPair> keys;
    std::unique_ptr<ppd_file_t, PPDCloser> ppd;
    const std::set<std::string> optionKeys{"ARHoldKey", "ARAccountPassword", "ARPrintRelease", "ARJobName"};
};

TEST_F(HeldJobAnswer, SecretsAreSealedLeftoversGoAndThePPDOptionsAreTurnedOff)
{
    const HeldJob job = heldJob({{"ARHoldKey", "Custom.2580"},
                                 {"ARAccountPassword", "Custom.sesame"},
                                 {"ARPrintRelease", "True"},
                                 {"ARJobName", "None"},
                                 {"korvane.print.PrintSettings.sealed2", "BBBB"},
                                 {"korvane.print.PrintSettings.folderPath", "2A"},
                                 {"copies", "1"}});
    platform::PrintSettings settings;
    settings.setValue("korvane.print.PrintSettings.jobSuspend", "2");
    settings.setValue("korvane.print.PrintSettings.jobSuspendKey", "0123456789abcdef0123456789abcdef");
    settings.setValue("korvane.print.PrintSettings.password2", std::string(64, '7'));
    std::string error;
    const std::optional<JobAnswer> answer = answerFor(job, settings, optionKeys, ppd.get(), "mia", &error);
    ASSERT_TRUE(answer) << error;

    EXPECT_EQ(answer->set.at("korvane.print.PrintSettings.jobSuspend"), "2");
    EXPECT_EQ(answer->set.count("korvane.print.PrintSettings.jobSuspendKey"), 0u);
    EXPECT_EQ(answer->set.count("korvane.print.PrintSettings.password2"), 0u);
    EXPECT_EQ(answer->set.at("ARHoldKey"), "None");
    EXPECT_EQ(answer->set.at("ARAccountPassword"), "None");
    EXPECT_EQ(answer->set.at("ARPrintRelease"), "False");
    EXPECT_EQ(answer->set.count("ARJobName"), 0u);  // off already
    EXPECT_EQ(answer->set.count("copies"), 0u);
    EXPECT_EQ(answer->removed, (std::vector<std::string>{"korvane.print.PrintSettings.folderPath"}));

    // Only the filter's key opens the secrets, and only for the job's owner.
    korvane::settings::JobOptionMap atTheFilter = answer->set;
    ASSERT_EQ(korvane::settings::openSealedKeys(atTheFilter, keys->privateKey, "mia"),
              korvane::settings::SealedKeysOpening::Opened);
    EXPECT_EQ(atTheFilter.at("korvane.print.PrintSettings.jobSuspendKey"), "0123456789abcdef0123456789abcdef");
    for (const auto& [name, value] : answer->set) {
        EXPECT_EQ(value.find("sesame"), std::string::npos) << name;
        EXPECT_EQ(value.find("2580"), std::string::npos) << name;
    }
}

TEST_F(HeldJobAnswer, WithoutTheFiltersKeyNoSecretIsSetOnTheJob)
{
    ppd.reset(ppdOpenFile(samplePpd().c_str()));
    platform::PrintSettings settings;
    settings.setValue("korvane.print.PrintSettings.jobSuspendKey", "0123456789abcdef0123456789abcdef");
    std::string error;
    EXPECT_FALSE(answerFor(heldJob({}), settings, optionKeys, ppd.get(), "mia", &error));
    EXPECT_NE(error.find("no key to seal"), std::string::npos) << error;
}

}  // namespace
