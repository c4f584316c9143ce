// The batch mode: host calls and control operations without a window, and the JSON dump.
#pragma once

#include "host_report.h"
#include "options.h"
#include "session_report.h"

#include "platform/pde.h"

#include <optional>
#include <string>

// In batch mode an alert is a line on standard error; it is dismissed at once.
void alertOnStandardError(const std::string& message, const std::string& button);

// Makes one host call of --calls on the panel ("ops" runs the operations of the options); false
// when the panel or a control refused.
bool makeHostCall(const std::string& call, platform::PDEPanel& panel, const HostOptions& options,
                  std::optional<SummaryLines>& summary);

// Runs the batch job of the options; the process exit status.
ExitStatus runBatch(const HostOptions& options);
