// Jobs that never saw the panel: the PPD's job-control options (set by other dialogs and by
// `lp -o`, or by the administrator as the queue's defaults) and the PIN of IPP's job-password,
// turned into the keys the panel would have written, in the same stored forms.
#pragma once

#include "job_options.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jobcontrol {

// The PPD's job-control options, by their names in the PPD.
std::span<const char* const> jobControlOptionNames();

// The job-control options among options, under their names in the PPD: libcups matches option
// names without regard to case, so a job's "arholdkey" is ARHoldKey.
JobOptions jobControlOptionsOf(const JobOptions& options);

// The names of the PPD's job-control options that options carry with a value other than the
// PPD's "None"/"False".
std::vector<std::string> ppdJobControlOptions(const JobOptions& options);

// Where each job-control value comes from: the job's own options win over the queue's
// defaults (what the administrator set with lpadmin -o), as when CUPS marks a PPD.
struct JobControlValues {
    JobOptions job;       // the job's own job-control options, under their PPD names
    JobOptions defaults;  // the queue's PPD defaults of the same options
    JobOptions ipp;       // the job's job-password and job-password-encryption, when it has them
};

// The job-control values of a job with options argv[5] on a queue with these defaults.
JobControlValues jobControlValues(const JobOptions& options, const JobOptions& queueDefaults);

// A PIN the job carries, and where it came from, for the job's messages (never the PIN).
struct JobPIN {
    std::string digits;
    std::string origin;
};

// The job's PIN: its own ARHoldKey, else the PIN of job-password (PWG 5100.11), else the
// queue's default ARHoldKey. Throws JobNeedsSettings for a PIN that is not 1 to 8 digits, a
// hashed job-password, or an ARHoldKey and a job-password that give different PINs.
std::optional<JobPIN> jobPIN(const JobControlValues& values);

// Whether the queue's defaults hold every job: ARPrintRelease or ARDocFiling on, or a
// default PIN. Throws JobNeedsSettings for a default that is no choice of the PPD.
bool queueHoldsEveryJob(const JobOptions& defaults);

// The panel's keys made from the job-control values, stamped with spoolTime (the spool-time
// text made at filtering). A PIN makes the job held behind it. Throws JobNeedsSettings, naming
// the option, for a value that is no choice of the PPD or does not fit the setting (a PIN
// that is not 1 to 8 digits, a password over 32 bytes, ...).
JobOptions keysFromPPDOptions(const JobControlValues& values, const char* spoolTime);

// The digest the printer checks a PIN of 1 to 8 digits against: the panel's, over the
// zero-filled PIN and the spool-time text.
std::string pinDigestOf(const std::string& pin, const char* spoolTime);

// The header's hex of a user or job name given as a job option (UTF-8): its second form,
// cut and cleaned as the panel writes it; empty when nothing of it converts.
std::string jobIdentityHex(const std::string& text);

}  // namespace jobcontrol
