// The administrator's choices for every job of a queue: the defaults of the PPD's job-control
// options in the queue's own copy of the PPD (cupsd names it in $PPD), where `lpadmin -p QUEUE
// -o ARPrintRelease=True` writes them. cupsd does not pass them in a job's options.
#pragma once

#include "job_options.h"

#include <string>

namespace jobcontrol {

// The job-control options' defaults in the PPD at ppdPath, as CUPS marks them
// (ppdMarkDefaults): a choice's name, or "Custom.VALUE" for a custom value, whether the PPD
// writes it so or as "{Param=VALUE}". Throws JobRefused when the PPD cannot be read, since a
// policy that holds every job could hide in it.
JobOptions queueJobControlDefaults(const std::string& ppdPath);

}  // namespace jobcontrol
