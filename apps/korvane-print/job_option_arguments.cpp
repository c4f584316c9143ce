#include "job_option_arguments.h"

#include "page_ranges.h"
#include "platform/failure.h"

#include <cups/cups.h>

#include <set>

#include <strings.h>

namespace {

using platform::fail;

// The keywords of the choices of a PPD option, for a message.
std::string choiceList(ppd_file_t* ppd, const std::string& keyword)
{
    std::string list;
    ppd_option_t* option = ppdFindOption(ppd, keyword.c_str());
    for (int i = 0; option && i < option->num_choices; ++i)
        list += (list.empty() ? "" : ", ") + std::string(option->choices[i].choice);
    return list;
}

// Whether the option takes the value: one of its choices, or a custom value where it has one.
bool ppdOptionTakes(ppd_file_t* ppd, const std::string& keyword, const std::string& value)
{
    ppd_option_t* option = ppdFindOption(ppd, keyword.c_str());
    if (!option)
        return false;
    if (ppdFindChoice(option, value.c_str()))
        return true;
    const bool customValue = value.rfind("Custom.", 0) == 0 || (!value.empty() && value.front() == '{');
    return customValue && ppdFindCustomOption(ppd, keyword.c_str());
}

// A Boolean value as libcups encodes it; nothing for a text that is neither.
std::optional<bool> booleanValue(const std::string& value)
{
    for (const char* yes : {"true", "yes", "on"})
        if (strcasecmp(value.c_str(), yes) == 0)
            return true;
    for (const char* no : {"false", "no", "off"})
        if (strcasecmp(value.c_str(), no) == 0)
            return false;
    return std::nullopt;
}

// Applies one of CUPS' own options; false, with why in error, when CUPS would refuse its
// value. lp's older "landscape" becomes the orientation it stands for, so that the General
// page shows it.
bool applyCupsOption(JobChoices& choices, const std::string& name, const std::string& value, std::string* error)
{
    if (name == "landscape") {
        const std::optional<bool> landscape = booleanValue(value);
        if (!landscape)
            return fail(error,
                        "landscape takes true or false (or write -o landscape, -o nolandscape), not \"" + value + "\"");
        if (*landscape)
            choices.setOption("orientation-requested", "4");
        else
            choices.removeOption("orientation-requested");
        return true;
    }
    if (!cupsTakesOptionValue(name, value, error))
        return false;
    choices.setOption(name, value);
    return true;
}

// Stops applying the options: the outcome, with the message in error.
OptionArgumentsOutcome stop(OptionArgumentsOutcome outcome, std::string* error, std::string message)
{
    *error = std::move(message);
    return outcome;
}

}  // namespace

std::optional<OptionList> parseOptionArgument(const std::string& argument, std::string* error)
{
    cups_option_t* parsed = nullptr;
    const int count = cupsParseOptions(argument.c_str(), 0, &parsed);
    OptionList options;
    for (int i = 0; i < count; ++i)
        options.emplace_back(parsed[i].name, parsed[i].value);
    cupsFreeOptions(count, parsed);
    if (options.empty()) {
        *error = "-o and --option take NAME=VALUE or NAME, as lp -o does, not \"" + argument + "\"";
        return std::nullopt;
    }
    return options;
}

bool cupsTakesOptionValue(const std::string& name, const std::string& value, std::string* error)
{
    if (name == "copies")
        return fail(error, "give the number of copies with -n or --copies");
    if (name == "page-ranges")
        return parsePageRanges(value, error).has_value();
    if (name == "number-up") {
        static const std::set<std::string> counts{"1", "2", "4", "6", "9", "16"};
        if (!counts.count(value))
            return fail(error, "number-up takes 1, 2, 4, 6, 9 or 16 pages per sheet, not \"" + value + "\"");
    } else if (name == "orientation-requested") {
        static const std::set<std::string> values{"3", "4", "5", "6"};
        if (!values.count(value))
            return fail(error, "orientation-requested takes 3 (portrait), 4 (landscape), 5 or 6 (reversed), not \"" +
                                   value + "\"");
    } else if (name == "sides") {
        static const std::set<std::string> values{"one-sided", "two-sided-long-edge", "two-sided-short-edge"};
        if (!values.count(value))
            return fail(error,
                        "sides takes one-sided, two-sided-long-edge or two-sided-short-edge, not \"" + value + "\"");
    }
    return true;
}

OptionArgumentsOutcome applyOptionArguments(JobChoices& choices, const OptionList& options,
                                            const std::optional<std::string>& pages, std::vector<std::string>* notes,
                                            std::string* error)
{
    using Outcome = OptionArgumentsOutcome;
    std::set<std::string> fixed;
    for (const auto& [name, value] : options)
        if (choices.isPPDOption(name))
            fixed.insert(name);
    for (const auto& [name, value] : options) {
        const std::string argument = "-o " + name + "=" + value;
        if (!choices.isPPDOption(name)) {
            std::string problem;
            if (!applyCupsOption(choices, name, value, &problem))
                return stop(Outcome::BadValue, error, argument + ": " + problem);
            continue;
        }
        if (!ppdOptionTakes(choices.ppd(), name, value))
            return stop(Outcome::BadValue, error,
                        argument + ": the printer's " + name + " takes " + choiceList(choices.ppd(), name));
        const ConstraintVerdict verdict = choices.choosePPDOption(name, value, fixed);
        if (!verdict.accepted)
            return stop(Outcome::Refused, error, argument + " refused: " + verdict.reason);
        if (!verdict.note.empty() && notes)
            notes->push_back(verdict.note);
    }
    if (pages) {
        std::string problem;
        auto ranges = parsePageRanges(*pages, &problem);
        if (!ranges)
            return stop(Outcome::BadValue, error, "--pages " + *pages + ": " + problem);
        if (ranges->empty())
            choices.removeOption("page-ranges");
        else
            choices.setOption("page-ranges", formatPageRanges(*ranges));
    }
    return Outcome::Applied;
}
