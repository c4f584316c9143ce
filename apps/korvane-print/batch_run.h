// The batch mode: host calls and control operations without a window, and the JSON dump.
#pragma once

#include "options.h"

// Runs the batch job of the options; the process exit status.
int runBatch(const HostOptions& options);
