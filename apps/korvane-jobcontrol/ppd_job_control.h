// Jobs that never saw the panel: the PPD's job-control options (set by other dialogs and by
// `lp -o`) turned into the keys the panel would have written, in the same stored forms.
#pragma once

#include "job_options.h"

#include <string>
#include <vector>

namespace jobcontrol {

// The names of the PPD's job-control options that the job carries with a value other than
// the PPD's "None"/"False" defaults.
std::vector<std::string> ppdJobControlOptions(const JobOptions& options);

// The panel's keys made from the PPD's job-control options among options, stamped with
// spoolTime (the spool-time text made at filtering). A PIN makes the job held behind it.
// Throws JobRefused, naming the option, for a value that is no choice of the PPD or does not
// fit the setting (a PIN that is not 1 to 8 digits, a password over 32 bytes, ...).
JobOptions keysFromPPDOptions(const JobOptions& options, const char* spoolTime);

}  // namespace jobcontrol
