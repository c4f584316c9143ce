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
    // "the print dialog", "the PPD's options" or empty for a job with neither.
    std::string source;
    // The PPD's job-control options left unused because the dialog's keys win.
    std::vector<std::string> ignoredOptions;
};

// The header's settings of a job: the panel's keys when it carries any, else the forms made
// from the PPD's job-control options with a spool time of now. Throws JobRefused.
JobSettings jobSettings(const JobOptions& options, const std::string& user, const std::string& title);

// The arguments cupsd runs a filter with.
struct FilterArguments {
    std::string user;      // argv[2]
    std::string title;     // argv[3]
    std::string copies;    // argv[4]
    std::string options;   // argv[5]
    std::string document;  // argv[6], empty for standard input
};

// Writes the job's device stream to descriptor out and says on standard error, in CUPS'
// message lines, what the printer is told (never a value). Nothing reaches out unless the
// whole header is sound. Throws JobRefused.
void runFilter(const FilterArguments& arguments, int out);

}  // namespace jobcontrol
