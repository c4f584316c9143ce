#include "ppd_constraints.h"

#include <cups/cups.h>

#include <algorithm>
#include <utility>

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

using ChoiceList = std::vector<std::pair<std::string, std::string>>;

// The marked choices that libcups finds in conflict if keyword took choice, by any of the
// PPD's constraints (UIConstraints, NonUIConstraints and cupsUIConstraints alike).
ChoiceList conflictsOf(ppd_file_t* ppd, const std::string& keyword, const std::string& choice)
{
    ChoiceList conflicts;
    cups_option_t* options = nullptr;
    const int count = cupsGetConflicts(ppd, keyword.c_str(), choice.c_str(), &options);
    for (int i = 0; i < count; ++i)
        conflicts.emplace_back(options[i].name, options[i].value);
    cupsFreeOptions(count, options);
    return conflicts;
}

// The texts joined as a sentence lists them: "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& texts)
{
    std::string text;
    for (std::size_t i = 0; i < texts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == texts.size() ? " and " : ", ") + texts[i];
    return text;
}

// The marked choices that keyword/choice conflicts with, described for the user; empty when
// libcups names none. Conflicts that the option's present choice has as well are not of this
// choice's making and are left out, unless nothing else is left.
std::string conflictingChoices(ppd_file_t* ppd, const std::string& keyword, const std::string& choice)
{
    const ChoiceList conflicts = conflictsOf(ppd, keyword, choice);
    const std::string present = markedChoice(ppd, keyword);
    const ChoiceList standing =
        present.empty() || sameName(present, choice) ? ChoiceList{} : conflictsOf(ppd, keyword, present);
    // The region is the paper size by another name; the size says it.
    const bool sizeNamed =
        std::any_of(conflicts.begin(), conflicts.end(), [](const auto& c) { return sameName(c.first, "PageSize"); });
    const auto describe = [&](bool leaveOutStanding) {
        std::vector<std::string> texts;
        for (const auto& conflict : conflicts) {
            if (sizeNamed && sameName(conflict.first, "PageRegion"))
                continue;
            if (leaveOutStanding && std::find(standing.begin(), standing.end(), conflict) != standing.end())
                continue;
            const std::string text = describeChoice(ppd, conflict.first, conflict.second);
            if (std::find(texts.begin(), texts.end(), text) == texts.end())
                texts.push_back(text);
        }
        return texts;
    };
    std::vector<std::string> texts = describe(true);
    if (texts.empty())
        texts = describe(false);
    return listed(texts);
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
    const std::string other = conflictingChoices(ppd, keyword, choice);
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
