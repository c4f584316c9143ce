// IPP's own job attributes that carry job control values, as cupsd hands them to the filter:
// the PIN of job-password (PWG 5100.11, which IPP clients offer when the queue advertises
// job-password-supported), and the account and user of job-account-id, job-billing and
// job-accounting-user-id.
#pragma once

#include "header_settings.h"
#include "job_options.h"

#include <optional>
#include <string>
#include <vector>

namespace jobcontrol {

inline constexpr const char* kJobPassword = "job-password";
inline constexpr const char* kJobPasswordEncryption = "job-password-encryption";
inline constexpr const char* kJobAccountId = "job-account-id";
inline constexpr const char* kJobBilling = "job-billing";
inline constexpr const char* kJobAccountingUserId = "job-accounting-user-id";

// The PIN that job-password carries among options; nothing when the job sends none. Throws
// JobNeedsSettings for a PIN that is not 1 to 8 digits (the printer's keypad takes digits)
// and for a hashed one, which the printer cannot check: it needs the PIN itself.
std::optional<std::string> jobPasswordPIN(const JobOptions& options);

// Gives the header the ACCOUNT and USERNAME of the job's IPP accounting attributes where it
// carries none from the dialog's tab or the PPD's options: job-account-id (or job-billing, the
// "Billing info" of desktop dialogs, when it is digits) zero-filled, job-accounting-user-id
// in the user name's second form. Says on notes what it leaves out. Throws JobNeedsSettings
// for a job-account-id that is not an account number of 1 to 5 digits.
void addIPPAccounting(const JobOptions& options, std::vector<HeaderSetting>& settings, std::vector<std::string>& notes);

}  // namespace jobcontrol
