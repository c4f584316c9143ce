// The printer's constraints (UIConstraints, cupsUIConstraints) on a choice: resolved as CUPS
// resolves them, or refused with the choices it conflicts with. The dialog, the batch mode and
// the panels' host callback all ask here, so all three get the same verdict.
#pragma once

#include <cups/ppd.h>

#include <set>
#include <string>
#include <vector>

// One option that a resolution changes.
struct OptionChange {
    std::string keyword;
    std::string choice;
    std::string previousChoice;
};

struct ConstraintVerdict {
    bool accepted = true;
    std::vector<OptionChange> changes;  // what else must change for the choice (accepted only)
    std::string reason;                 // why it was refused (refused only)
    std::string note;                   // for the user: what changed, or why not
};

// Whether keyword may take choice on the marked PPD. A conflict is resolved with
// cupsResolveConflicts; a resolution that would change an option in fixed (choices the user
// made explicitly, as on a command line) is refused instead. The PPD's marks do not change.
ConstraintVerdict judgeChoice(ppd_file_t* ppd, const std::string& keyword, const std::string& choice,
                              const std::set<std::string>& fixed = {});

// Marks the choice and the verdict's changes in the PPD (an accepted verdict only).
void applyVerdict(ppd_file_t* ppd, const std::string& keyword, const std::string& choice,
                  const ConstraintVerdict& verdict);
