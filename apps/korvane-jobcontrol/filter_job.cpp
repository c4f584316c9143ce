#include "filter_job.h"

#include "device_stream.h"
#include "ipp_job_attributes.h"
#include "ppd_job_control.h"
#include "queue_defaults.h"
#include "queue_policy.h"
#include "sealed_settings.h"
#include "settings/spool_time.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace jobcontrol {

namespace {

// The setting's value, or empty when the header does not carry it.
std::string valueOf(const std::vector<HeaderSetting>& settings, const std::string& name)
{
    return settingValue(settings, name).value_or("");
}

// The job-control options and job-password of a job that the dialog's keys override.
std::vector<std::string> optionsTheDialogOverrides(const JobControlValues& values)
{
    std::vector<std::string> names = ppdJobControlOptions(values.job);
    if (values.ipp.count(kJobPassword) && !values.ipp.at(kJobPassword).empty())
        names.emplace_back(kJobPassword);
    return names;
}

// Names joined by ", ".
std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// Tells cupsd (and so the user) what the printer will do with the job.
void reportJob(const JobSettings& job)
{
    for (const std::string& note : job.notes)
        std::fprintf(stderr, "INFO: %s\n", note.c_str());
    if (!job.ignoredOptions.empty())
        std::fprintf(stderr, "INFO: The print dialog's job control settings are used; the options %s are ignored\n",
                     joined(job.ignoredOptions).c_str());
    const std::string retention = valueOf(job.settings, "RETENTION");
    if (retention == "HOLD")
        std::fprintf(stderr, "INFO: The printer holds the job until it is released there%s\n",
                     valueOf(job.settings, "PINDIGEST").empty() ? "" : " with its PIN");
    else if (retention == "HOLDAFTERPRINT" || retention == "SAMPLE")
        std::fprintf(stderr, "INFO: The printer keeps the job after printing%s\n",
                     valueOf(job.settings, "PINDIGEST").empty() ? "" : " behind its PIN");
    std::fprintf(stderr, "DEBUG: korvane-jobcontrol: %zu header settings from %s\n", job.settings.size(),
                 job.source.empty() ? "no job control settings" : job.source.c_str());
}

}  // namespace

JobSettings jobSettings(const JobOptions& options, const std::string& user, const std::string& title,
                        const JobOptions& queueDefaults)
{
    const JobControlValues values = jobControlValues(options, queueDefaults);
    JobSettings job;
    if (hasPanelKeys(options)) {
        job.source = "the print dialog";
        job.ignoredOptions = optionsTheDialogOverrides(values);
        job.settings = headerSettingsFromKeys(options, user, title);
    } else {
        char spoolTime[64] = {};
        GetSpoolTime(spoolTime, sizeof spoolTime);
        const JobOptions keys = keysFromPPDOptions(values, spoolTime);
        if (!keys.empty())
            job.source = "the PPD's options and job-password";
        job.settings = headerSettingsFromKeys(keys, user, title);
    }
    addIPPAccounting(options, job.settings, job.notes);
    if (queueHoldsEveryJob(values.defaults)) {
        const std::optional<std::string> pinOrigin = holdForQueuePolicy(values, job.settings, job.notes);
        std::erase(job.ignoredOptions, pinOrigin.value_or(""));
    }
    return job;
}

void runFilter(const FilterArguments& arguments, int out)
{
    JobOptions options = parseJobOptions(arguments.options.c_str());
    // Before anything reads the job: its secrets may be sealed for this print server.
    openSealedSettings(options, arguments.user);
    const JobOptions queueDefaults = arguments.ppd.empty() ? JobOptions{} : queueJobControlDefaults(arguments.ppd);
    const JobSettings job = jobSettings(options, arguments.user, arguments.title, queueDefaults);
    const Document document(arguments.document);
    const std::string header = formatHeader(job.settings, languageOfDocument(document.head(8)), document.size());
    reportJob(job);
    // Each copy would be a job of its own at the printer, each held behind the PIN.
    if (const int copies = std::atoi(arguments.copies.c_str()); copies > 1)
        std::fprintf(stderr, "WARNING: The printer receives one copy of the job; %d were asked for\n", copies);
    writeAll(out, header);
    document.copyTo(out);
    writeAll(out, kJobEnd);
}

}  // namespace jobcontrol
