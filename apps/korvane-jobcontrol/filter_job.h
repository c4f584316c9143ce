// One run of the filter: which settings a job's header carries, and the whole device stream.
#pragma once

#include "header_settings.h"
#include "job_options.h"

#include <string>
#include <vector>

namespace jobcontrol {

// What the job's header carries and where it came from.
struct JobSettings {
    std::vector<HeaderSetting> settings;
    // "the print dialog", "the PPD's options and job-password" or empty for a job with neither.
    std::string source;
    // The PPD's job-control options (and job-password) left unused because the dialog's keys win.
    std::vector<std::string> ignoredOptions;
    // What the user should know of how the job's settings were taken, one INFO line each.
    std::vector<std::string> notes;
};

// The header's settings of a job with options argv[5] on a queue with these job-control
// defaults (queueJobControlDefaults, empty without a PPD): the panel's keys when it carries
// any, else the forms made from the PPD's job-control options and job-password with a spool
// time of now, the job's own values winning over the queue's; then the account and user of
// IPP's attributes where neither gives them; then the queue's policy when it holds every job.
// Throws JobRefused.
JobSettings jobSettings(const JobOptions& options, const std::string& user, const std::string& title,
                        const JobOptions& queueDefaults = {});

// The arguments cupsd runs a filter with.
struct FilterArguments {
    std::string user;      // argv[2]
    std::string title;     // argv[3]
    std::string copies;    // argv[4]
    std::string options;   // argv[5]
    std::string document;  // argv[6], empty for standard input
    std::string ppd;       // the queue's PPD ($PPD), empty when cupsd names none
};

// Writes the job's device stream to descriptor out and says on standard error, in CUPS'
// message lines, what the printer is told (never a value). Nothing reaches out unless the
// whole header is sound. Throws JobRefused.
void runFilter(const FilterArguments& arguments, int out);

}  // namespace jobcontrol
