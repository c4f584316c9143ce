// The administrator's policy of a queue whose defaults hold every job: no job of it is ever
// printed at once, whatever the dialog or the job's options chose.
#pragma once

#include "header_settings.h"
#include "ppd_job_control.h"

#include <optional>
#include <string>
#include <vector>

namespace jobcontrol {

// Makes the header of a job on a queue that holds every job wait at the printer: held
// (RETENTION HOLD, not printed first), behind a PIN from any path the job carries when the
// header has none (values: its ARHoldKey, job-password, the queue's default), or released by
// the credentials it carries. Says on notes what it changed; returns where the PIN it added
// came from. Throws JobNeedsSettings for a job that carries nothing the printer could check.
std::optional<std::string> holdForQueuePolicy(const JobControlValues& values, std::vector<HeaderSetting>& settings,
                                              std::vector<std::string>& notes);

}  // namespace jobcontrol
