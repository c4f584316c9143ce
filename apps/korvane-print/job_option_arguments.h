// The job options of the command line (-o NAME=VALUE, --pages) read as lp reads them and
// applied to a job's choices, as the dialog's pages would apply them.
#pragma once

#include "job_choices.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct OptionArgumentProblem {
    enum class Kind { BadValue, Refused } kind;  // a value no printer takes; one the constraints refuse
    std::string message;
};

using OptionList = std::vector<std::pair<std::string, std::string>>;

// The options of one -o argument, read as lp reads it (cupsParseOptions): NAME=VALUE, several
// separated by blanks, a value quoted with ' or " to hold blanks; a bare NAME is NAME=true and
// noNAME is NAME=false. Nothing, with a message in error, for an argument that names no option.
std::optional<OptionList> parseOptionArgument(const std::string& argument, std::string* error);

// Applies the options in order, then the pages. A PPD option goes through the printer's
// constraints, where a resolution may change anything but another option of the command
// line; notes receives what a resolution changed. The first problem, or nothing.
std::optional<OptionArgumentProblem> applyOptionArguments(JobChoices& choices, const OptionList& options,
                                                          const std::optional<std::string>& pages,
                                                          std::vector<std::string>* notes);

// A message for a value of one of CUPS' own options that CUPS would refuse; nothing when it
// is fine or the option is not one the dialog knows.
std::optional<std::string> badCupsOptionValue(const std::string& name, const std::string& value);
