// The batch mode: host calls and control operations without a window, and the JSON dump.
#pragma once

#include "host_report.h"
#include "options.h"

// Runs the batch job of the options; the process exit status.
ExitStatus runBatch(const HostOptions& options);
