#include "queue_policy.h"

#include "crypto/hex.h"
#include "settings/spool_time.h"

#include <string_view>

namespace jobcontrol {

namespace {

// The spool-time text the header's digests are made with; a new one, added to the header,
// when it carries none (then nothing in it was made with one).
std::string headerSpoolTime(std::vector<HeaderSetting>& settings)
{
    if (const auto hex = settingValue(settings, "SPOOLTIME")) {
        const std::vector<unsigned char> text = korvane::crypto::fromHex(*hex);
        return std::string(text.begin(), text.end());
    }
    char spoolTime[64] = {};
    GetSpoolTime(spoolTime, sizeof spoolTime);
    setHeaderSetting(settings, "SPOOLTIME", hexOf(spoolTime));
    return spoolTime;
}

// Whether the header carries credentials the printer checks before it releases a job.
bool carriesCredentials(const std::vector<HeaderSetting>& settings)
{
    return (settingValue(settings, "LOGINNAME") && settingValue(settings, "PASSWORD")) ||
           settingValue(settings, "USERNUMBER");
}

// Holds the job instead of printing it; a held job without a filing choice goes to the main
// folder, as the dialog writes it.
void holdInsteadOfPrinting(std::vector<HeaderSetting>& settings, std::vector<std::string>& notes)
{
    const std::optional<std::string> retention = settingValue(settings, "RETENTION");
    if (retention == "HOLD")
        return;
    notes.push_back(retention == "HOLDAFTERPRINT" || retention == "SAMPLE"
                        ? "The queue holds every job at the printer, so it keeps this one without printing it first"
                        : "The queue holds every job at the printer, so it holds this one too");
    setHeaderSetting(settings, "RETENTION", "HOLD");
    const std::optional<std::string> filing = settingValue(settings, "FILING");
    if ((!filing || filing == "NONE") && !settingValue(settings, "FOLDER")) {
        setHeaderSetting(settings, "FILING", "NONE");
        setHeaderSetting(settings, "FOLDER", hexOf("*standard"));
    }
}

}  // namespace

std::optional<std::string> holdForQueuePolicy(const JobControlValues& values, std::vector<HeaderSetting>& settings,
                                              std::vector<std::string>& notes)
{
    holdInsteadOfPrinting(settings, notes);
    if (settingValue(settings, "PINDIGEST"))
        return std::nullopt;
    if (const std::optional<JobPIN> pin = jobPIN(values)) {
        const std::string spoolTime = headerSpoolTime(settings);
        setHeaderSetting(settings, "PINDIGEST", pinDigestOf(pin->digits, spoolTime.c_str()));
        return pin->origin;
    }
    if (carriesCredentials(settings))
        return std::nullopt;
    throw JobNeedsSettings(
        "the queue holds every job at the printer until its owner releases it there, and this job "
        "carries no PIN and no credentials to release it with; print it again with a PIN: "
        "lp -o job-password=NNNN, or the PIN of the Job Control tab");
}

}  // namespace jobcontrol
