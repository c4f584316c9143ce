#include "job_choices.h"

bool JobChoices::isPPDOption(const std::string& name) const
{
    return ppd_ && ppdFindOption(ppd_, name.c_str());
}

ConstraintVerdict JobChoices::choosePPDOption(const std::string& keyword, const std::string& choice,
                                              const std::set<std::string>& fixed)
{
    ConstraintVerdict verdict = judgeChoice(ppd_, keyword, choice, fixed);
    if (!verdict.accepted)
        return verdict;
    applyVerdict(ppd_, keyword, choice, verdict);
    ppdOptions_[keyword] = choice;
    for (const OptionChange& change : verdict.changes)
        ppdOptions_[change.keyword] = change.choice;
    // The paper size names the region too; the filters derive one from the other.
    if (keyword == "PageSize")
        ppdOptions_.erase("PageRegion");
    return verdict;
}

std::optional<std::string> JobChoices::markedChoice(const std::string& keyword) const
{
    const ppd_choice_t* marked = ppd_ ? ppdFindMarkedChoice(ppd_, keyword.c_str()) : nullptr;
    return marked ? std::optional<std::string>(marked->choice) : std::nullopt;
}

std::string JobChoices::paperName() const
{
    if (auto pageSize = markedChoice("PageSize"))
        return *pageSize;
    return option("media").value_or(defaultPaper_);
}

std::optional<std::string> JobChoices::option(const std::string& name) const
{
    if (auto found = cupsOptions_.find(name); found != cupsOptions_.end())
        return found->second;
    if (auto found = ppdOptions_.find(name); found != ppdOptions_.end())
        return found->second;
    return std::nullopt;
}

std::map<std::string, std::string> JobChoices::cupsOptions() const
{
    std::map<std::string, std::string> options = cupsOptions_;
    if (copies_ > 1)
        options["multiple-document-handling"] =
            collate_ ? "separate-documents-collated-copies" : "separate-documents-uncollated-copies";
    return options;
}

std::map<std::string, std::string> JobChoices::rememberedOptions() const
{
    std::map<std::string, std::string> options = ppdOptions_;
    for (const auto& [name, value] : cupsOptions_)
        if (name != "page-ranges")
            options[name] = value;
    return options;
}
