#include "ppd_constraints.h"

#include <cups/cups.h>

#include <strings.h>

namespace {

// The option's text and the choice's text as the user sees them.
std::string describeChoice(ppd_file_t* ppd, const std::string& keyword, const std::string& choice)
{
    ppd_option_t* option = ppdFindOption(ppd, keyword.c_str());
    if (!option)
        return keyword + " " + choice;
    ppd_choice_t* found = ppdFindChoice(option, choice.c_str());
    const std::string optionText = *option->text ? option->text : option->keyword;
    const std::string choiceText = found && *found->text ? found->text : choice;
    return optionText + " \u201c" + choiceText + "\u201d";
}

// The choice now marked for keyword, or an empty text.
std::string markedChoice(ppd_file_t* ppd, const std::string& keyword)
{
    const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, keyword.c_str());
    return marked ? marked->choice : "";
}

bool sameName(const std::string& a, const std::string& b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// A constraint's side matches keyword/choice: same option, and no choice or the same one.
bool sideMatches(const char* option, const char* constraintChoice, const std::string& keyword,
                 const std::string& choice)
{
    return sameName(option, keyword) && (!*constraintChoice || sameName(constraintChoice, choice));
}

// A constraint's side holds for the marked PPD: its choice is marked, or (without a choice)
// the option is set to anything but None, False or Off, as CUPS reads such constraints.
bool sideIsMarked(ppd_file_t* ppd, const char* option, const char* constraintChoice)
{
    const std::string marked = markedChoice(ppd, option);
    if (*constraintChoice)
        return sameName(marked, constraintChoice);
    return !marked.empty() && !sameName(marked, "None") && !sameName(marked, "False") && !sameName(marked, "Off");
}

// The first marked choice that a UIConstraints line forbids together with keyword/choice,
// described for the user; empty when the PPD names none.
std::string conflictingChoice(ppd_file_t* ppd, const std::string& keyword, const std::string& choice)
{
    for (int i = 0; i < ppd->num_consts; ++i) {
        const ppd_const_t& c = ppd->consts[i];
        if (sideMatches(c.option1, c.choice1, keyword, choice) && sideIsMarked(ppd, c.option2, c.choice2))
            return describeChoice(ppd, c.option2, c.choice2[0] ? c.choice2 : markedChoice(ppd, c.option2));
        if (sideMatches(c.option2, c.choice2, keyword, choice) && sideIsMarked(ppd, c.option1, c.choice1))
            return describeChoice(ppd, c.option1, c.choice1[0] ? c.choice1 : markedChoice(ppd, c.option1));
    }
    return "";
}

// The paper size: never changed to make room for another choice (the user's paper is what it
// is), as libcups promises for its resolutions.
bool isPaperSize(const std::string& keyword)
{
    return sameName(keyword, "PageSize") || sameName(keyword, "PageRegion");
}

// A refusal of keyword/choice, saying what it conflicts with.
ConstraintVerdict refusal(ppd_file_t* ppd, const std::string& keyword, const std::string& choice,
                          const std::string& because)
{
    ConstraintVerdict verdict;
    verdict.accepted = false;
    const std::string other = conflictingChoice(ppd, keyword, choice);
    verdict.reason = describeChoice(ppd, keyword, choice) + " cannot be used with " +
                     (other.empty() ? std::string("the printer's other settings") : other) + because;
    verdict.note = verdict.reason;
    return verdict;
}

}  // namespace

ConstraintVerdict judgeChoice(ppd_file_t* ppd, const std::string& keyword, const std::string& choice,
                              const std::set<std::string>& fixed)
{
    ConstraintVerdict verdict;
    if (!ppd || !ppdFindOption(ppd, keyword.c_str()))
        return verdict;
    int count = 0;
    cups_option_t* options = nullptr;
    if (!cupsResolveConflicts(ppd, keyword.c_str(), choice.c_str(), &count, &options))
        return refusal(ppd, keyword, choice, "");
    for (int i = 0; i < count; ++i) {
        const std::string name = options[i].name;
        const std::string value = options[i].value;
        const std::string previous = markedChoice(ppd, name);
        if (sameName(name, keyword) || sameName(value, previous))
            continue;
        if (fixed.count(name) || isPaperSize(name)) {
            cupsFreeOptions(count, options);
            return refusal(ppd, keyword, choice, fixed.count(name) ? ", which was asked for as well" : "");
        }
        verdict.changes.push_back({name, value, previous});
    }
    cupsFreeOptions(count, options);
    for (const OptionChange& change : verdict.changes)
        verdict.note += std::string(verdict.note.empty() ? "" : " ") + describeChoice(ppd, keyword, choice) +
                        " needs " + describeChoice(ppd, change.keyword, change.choice) + ": changed from " +
                        describeChoice(ppd, change.keyword, change.previousChoice) + ".";
    return verdict;
}

void applyVerdict(ppd_file_t* ppd, const std::string& keyword, const std::string& choice,
                  const ConstraintVerdict& verdict)
{
    if (!ppd || !verdict.accepted)
        return;
    ppdMarkOption(ppd, keyword.c_str(), choice.c_str());
    for (const OptionChange& change : verdict.changes)
        ppdMarkOption(ppd, change.keyword.c_str(), change.choice.c_str());
}
