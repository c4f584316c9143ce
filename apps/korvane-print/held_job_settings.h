// Between a waiting job and the Job Control tab: what the tab starts from (the settings the job
// carries, and the PPD's job control options that other dialogs and lp set, as the user would
// have typed them into the tab), and what answering sets on the job.
#pragma once

#include "held_job.h"
#include "options.h"

#include "platform/printing.h"

#include <cups/ppd.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

class QWidget;

struct HeldJobStart {
    // The tab's keys the job carries (a job answered once and stopped again) and its title as
    // the job's name. Its secrets travel sealed for the filter and cannot come back.
    platform::PrintSettings settings;
    // The PPD's job control options, as the operations that type them into the tab.
    std::vector<ControlOperation> operations;
    // What could not be carried over, and why; never a value.
    std::vector<std::string> notes;
};

// What the tab starts from for the job.
HeldJobStart startFor(const HeldJob& job);

// Operates the tab's view (after its restore) with the operations; a note for each one the tab
// refused (a control the user could not operate either).
std::vector<std::string> carryIntoTab(QWidget* view, const std::vector<ControlOperation>& operations);

// The answer that makes the job carry the tab's settings: every key of the tab (the secrets
// sealed for the queue's filter with the key of its PPD, bound to user), the keys of an earlier
// answer that the tab no longer sets removed, and the PPD's job control options (optionKeys)
// that the job carries turned off, so that the filter reads the tab's answer alone. Nothing,
// with a message in error, when the secrets cannot be sealed or a value cannot travel.
std::optional<JobAnswer> answerFor(const HeldJob& job, const platform::PrintSettings& settings,
                                   const std::set<std::string>& optionKeys, ppd_file_t* ppd, const std::string& user,
                                   std::string* error);
