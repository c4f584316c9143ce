// The settings that the print dialog sealed for the filter, opened before the job is read.
//
// The dialog moves every key that carries a secret (PIN, passwords, login name, numbers) into one
// value that only the print server's private key opens, so that cupsd, which shows a job's
// options to other users and keeps them in its history, holds nothing they could recover.
#pragma once

#include "job_options.h"

#include <span>
#include <string>

namespace jobcontrol {

// Puts the keys of the job's sealed value back among options, opened with privateKey (raw) for
// a job of user. Does nothing for a job without a sealed value. Throws JobRefused, with a
// message that shows neither a secret nor the sealed value, when the value does not open: it was
// sealed for another key or another user, is incomplete, or was changed on its way.
void openSealedSettings(JobOptions& options, std::span<const unsigned char> privateKey, const std::string& user);

// The same with the print server's private key (seal_keys.h), which is read only for a job that
// carries a sealed value. Throws JobRefused when the key cannot be had.
void openSealedSettings(JobOptions& options, const std::string& user);

}  // namespace jobcontrol
