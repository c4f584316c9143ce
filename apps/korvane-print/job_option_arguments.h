// The job options of the command line (-o NAME=VALUE, --pages) read as lp reads them and
// applied to a job's choices, as the dialog's pages would apply them.
#pragma once

#include "job_choices.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

using OptionList = std::vector<std::pair<std::string, std::string>>;

// The options of one -o argument, read as lp reads it (cupsParseOptions): NAME=VALUE, several
// separated by blanks, a value quoted with ' or " to hold blanks; a bare NAME is NAME=true and
// noNAME is NAME=false. Nothing, with a message in error, for an argument that names no option.
std::optional<OptionList> parseOptionArgument(const std::string& argument, std::string* error);

// How applying the command line's job options went: all applied, or stopped at the first
// with a value no printer takes, or at the first that the printer's constraints refuse. The
// caller exits with a status of its own for each.
enum class OptionArgumentsOutcome { Applied, BadValue, Refused };

// Applies the options in order, then the pages. A PPD option goes through the printer's
// constraints, where a resolution may change anything but another option of the command
// line; notes receives what a resolution changed. Anything but Applied comes with a message
// in error.
OptionArgumentsOutcome applyOptionArguments(JobChoices& choices, const OptionList& options,
                                            const std::optional<std::string>& pages, std::vector<std::string>* notes,
                                            std::string* error);

// Whether CUPS takes the value for one of its own options (any value of an option the dialog
// does not know); false, with why in error.
bool cupsTakesOptionValue(const std::string& name, const std::string& value, std::string* error);
