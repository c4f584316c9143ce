// The filter's rules for the values that do not come from the dialog's tab: IPP's job-password
// and accounting attributes, the queue's defaults in its PPD, and the policy of a queue that
// holds every job. The steps are called as the filter calls them, with options as argv[5]
// carries them.
#include "filter_job.h"
#include "queue_defaults.h"
#include "settings/job_messages.h"
#include "settings/keys.h"
#include "support/settings_reference.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

namespace keys = korvane::keys;
namespace ref = testing_support::reference;
using jobcontrol::JobOptions;
using jobcontrol::JobSettings;

namespace {

const std::string kSpoolTime = "Tue, 8 Dec 2026 18:55:32 +0000";

JobSettings settingsOf(const JobOptions& options, const JobOptions& queueDefaults = {})
{
    return jobcontrol::jobSettings(options, "mia", "Minutes", queueDefaults);
}

std::string valueOf(const JobSettings& job, const std::string& name)
{
    return jobcontrol::settingValue(job.settings, name).value_or("(none)");
}

std::string spoolTimeOf(const JobSettings& job)
{
    return ref::unhex(valueOf(job, "SPOOLTIME"));
}

// The refusal's message of a job the filter must stop; empty when it was not refused.
std::string refusalOf(const JobOptions& options, const JobOptions& queueDefaults = {})
{
    try {
        settingsOf(options, queueDefaults);
    } catch (const jobcontrol::JobRefused& refused) {
        return refused.what();
    }
    return {};
}

bool asksForSettings(const std::string& message)
{
    return message.starts_with(korvane::messages::kNeedsSettings);
}

// Keys the dialog writes for a job with its tab's retention off.
JobOptions dialogJobWithoutRetention()
{
    return {{keys::kSpoolTime, ref::hex(kSpoolTime)}, {keys::kJobSuspend, "0"}, {keys::kFiling, "0"}};
}

TEST(IPPJobPassword, HoldsTheJobBehindItsPINExactlyAsARHoldKeyDoes)
{
    for (const std::string pin : {"4711", "0471", "12345678"}) {
        const JobSettings sent = settingsOf({{"job-password", pin}, {"job-password-encryption", "none"}});
        EXPECT_EQ(valueOf(sent, "RETENTION"), "HOLD") << pin;
        EXPECT_EQ(valueOf(sent, "PINDIGEST"), ref::md5(ref::padded(pin) + spoolTimeOf(sent))) << pin;
        EXPECT_EQ(valueOf(sent, "FOLDER"), ref::hex("*standard")) << pin;

        // The PPD's option, under any case of its name as libcups takes it, gives the same header.
        const JobSettings asOption = settingsOf({{"arholdkey", "Custom." + pin}});
        auto withoutSpoolTime = [](std::vector<jobcontrol::HeaderSetting> settings) {
            std::erase_if(settings, [](const auto& s) { return s.name == "SPOOLTIME" || s.name == "PINDIGEST"; });
            return settings;
        };
        EXPECT_EQ(withoutSpoolTime(asOption.settings), withoutSpoolTime(sent.settings)) << pin;
        EXPECT_EQ(valueOf(asOption, "PINDIGEST"), ref::md5(ref::padded(pin) + spoolTimeOf(asOption))) << pin;
    }
    // Both ways with the same PIN are one PIN.
    EXPECT_EQ(valueOf(settingsOf({{"job-password", "2580"}, {"ARHoldKey", "Custom.2580"}}), "RETENTION"), "HOLD");
}

TEST(IPPJobPassword, APINThePrinterCannotCheckStopsTheJobAndAsksForTheSettings)
{
    const std::vector<JobOptions> refused{
        {{"job-password", "73195"}, {"job-password-encryption", "md5"}},
        {{"job-password", "73a95"}},
        {{"job-password", "731950001"}},
        {{"job-password", "73195"}, {"ARHoldKey", "Custom.2580"}},
        {{"ARHoldKey", "Custom"}},  // what a dialog sends that offers no field for the value
    };
    for (const JobOptions& options : refused) {
        const std::string message = refusalOf(options);
        EXPECT_TRUE(asksForSettings(message)) << options.begin()->second << ": " << message;
        EXPECT_EQ(message.find("73"), std::string::npos) << "the message shows the PIN: " << message;
    }
}

TEST(IPPAccounting, AccountAndUserComeFromIPPOnlyWhereTheJobGivesNoneOfItsOwn)
{
    const JobSettings ipp =
        settingsOf({{"job-account-id", "42"}, {"job-billing", "77"}, {"job-accounting-user-id", "Mia \"MJ\" Jensen"}});
    EXPECT_EQ(valueOf(ipp, "ACCOUNT"), "00042");
    EXPECT_EQ(valueOf(ipp, "USERNAME"), ref::hex("Mia  MJ  Jensen"));
    EXPECT_EQ(valueOf(ipp, "RETENTION"), "(none)") << "accounting alone holds nothing";

    EXPECT_EQ(valueOf(settingsOf({{"job-billing", "77"}}), "ACCOUNT"), "00077");
    const JobSettings freeText = settingsOf({{"job-billing", "Project X"}});
    EXPECT_EQ(valueOf(freeText, "ACCOUNT"), "(none)");
    EXPECT_EQ(freeText.notes.size(), 1u) << "the user is not told that the job counts to no account";

    // The tab's account number and the PPD's user name win.
    JobOptions dialog = dialogJobWithoutRetention();
    dialog[keys::kAccountNumber] = "00031";
    dialog["job-account-id"] = "42";
    EXPECT_EQ(valueOf(settingsOf(dialog), "ACCOUNT"), "00031");
    EXPECT_EQ(valueOf(settingsOf({{"ARUserName", "Custom.Office"}, {"job-accounting-user-id", "mia"}}), "USERNAME"),
              ref::hex("Office"));

    for (const std::string account : {"sales", "123456"})
        EXPECT_TRUE(asksForSettings(refusalOf({{"job-account-id", account}}))) << account;
}

// A copy of the project's PPD whose defaults are set as lpadmin -o writes them.
class QueueDefaults : public ::testing::Test {
protected:
    std::string queuePPD(const std::map<std::string, std::string>& defaults)
    {
        std::ifstream in(KORVANE_TEST_SOURCE_DIR "/src/resources/ppd/korvane-rk880.ppd");
        std::stringstream text;
        text << in.rdbuf();
        std::string ppd = text.str();
        for (const auto& [option, value] : defaults) {
            const std::string line = "*Default" + option + ":";
            const std::size_t at = ppd.find(line);
            EXPECT_NE(at, std::string::npos) << option;
            ppd.replace(at, ppd.find('\n', at) - at, line + " " + value);
        }
        const std::string path = folder.path().toStdString() + "/queue.ppd";
        std::ofstream(path) << ppd;
        return path;
    }

    JobOptions defaultsOf(const std::map<std::string, std::string>& defaults)
    {
        return jobcontrol::queueJobControlDefaults(queuePPD(defaults));
    }

    QTemporaryDir folder;
};

TEST_F(QueueDefaults, AreReadInEveryFormLpadminWritesAndTheJobsOwnValuesWin)
{
    const JobOptions collection = defaultsOf({{"ARHoldKey", "{PIN=01234}"}, {"ARUserName", "Custom.Front desk"}});
    EXPECT_EQ(collection.at("ARHoldKey"), "Custom.01234");
    EXPECT_EQ(collection.at("ARPrintRelease"), "False");

    const JobSettings queued = settingsOf({}, collection);
    EXPECT_EQ(valueOf(queued, "PINDIGEST"), ref::md5("01234" + spoolTimeOf(queued)));
    EXPECT_EQ(valueOf(queued, "USERNAME"), ref::hex("Front desk"));

    const JobSettings own = settingsOf({{"job-password", "555"}, {"ARUserName", "Custom.Mia"}}, collection);
    EXPECT_EQ(valueOf(own, "PINDIGEST"), ref::md5("00555" + spoolTimeOf(own)));
    EXPECT_EQ(valueOf(own, "USERNAME"), ref::hex("Mia"));

    EXPECT_THROW(jobcontrol::queueJobControlDefaults(folder.path().toStdString() + "/missing.ppd"),
                 jobcontrol::JobRefused);
}

TEST_F(QueueDefaults, AnUnusableDefaultStopsTheJobForTheAdministratorNotItsOwner)
{
    const std::string message = refusalOf({{"job-password", "2580"}}, defaultsOf({{"ARHoldKey", "Custom.12ab"}}));
    EXPECT_NE(message.find("the queue's default of ARHoldKey"), std::string::npos) << message;
    EXPECT_FALSE(asksForSettings(message)) << "the job's owner cannot put the queue's default right";
    EXPECT_EQ(message.find("12ab"), std::string::npos) << message;
}

TEST_F(QueueDefaults, AQueueThatHoldsEveryJobNeverLetsOnePrintAtOnce)
{
    const JobOptions holdsEveryJob = defaultsOf({{"ARPrintRelease", "True"}});

    // The dialog's job with its retention off takes its PIN from job-password, with the
    // dialog's spool time.
    JobOptions dialog = dialogJobWithoutRetention();
    dialog["job-password"] = "2580";
    const JobSettings dialogJob = settingsOf(dialog, holdsEveryJob);
    EXPECT_EQ(valueOf(dialogJob, "RETENTION"), "HOLD");
    EXPECT_EQ(valueOf(dialogJob, "PINDIGEST"), ref::md5("02580" + kSpoolTime));
    EXPECT_EQ(valueOf(dialogJob, "FOLDER"), ref::hex("*standard"));
    EXPECT_TRUE(dialogJob.ignoredOptions.empty()) << "job-password is said to be ignored but holds the job";

    // Hold after print would print at once: it is kept unprinted.
    JobOptions holdAfterPrint = dialogJobWithoutRetention();
    holdAfterPrint[keys::kJobSuspend] = "1";
    holdAfterPrint[keys::kJobSuspendKey] = ref::md5("04711" + kSpoolTime);
    EXPECT_EQ(valueOf(settingsOf(holdAfterPrint, holdsEveryJob), "RETENTION"), "HOLD");

    // Credentials release a job without a PIN; a job asking to print at once is held anyway.
    const JobSettings withUserNumber =
        settingsOf({{"ARPrintRelease", "false"}, {"ARUserNumber", "Custom.123"}}, holdsEveryJob);
    EXPECT_EQ(valueOf(withUserNumber, "RETENTION"), "HOLD");
    EXPECT_EQ(valueOf(withUserNumber, "USERNUMBER"), "00123");

    // Nothing the printer could check: stopped, with what to add.
    for (const JobOptions& nothing : {JobOptions{}, dialogJobWithoutRetention(),
                                      JobOptions{{"ARPrintRelease", "false"}, {"ARAccountLogin", "Custom.mia"}}}) {
        const std::string message = refusalOf(nothing, holdsEveryJob);
        EXPECT_TRUE(asksForSettings(message)) << message;
        EXPECT_NE(message.find("lp -o job-password=NNNN"), std::string::npos) << message;
    }

    // A default PIN is the queue's PIN for every job that brings none of its own.
    const JobSettings defaultPIN = settingsOf(dialogJobWithoutRetention(), defaultsOf({{"ARHoldKey", "Custom.0042"}}));
    EXPECT_EQ(valueOf(defaultPIN, "PINDIGEST"), ref::md5("00042" + kSpoolTime));
}

}  // namespace
