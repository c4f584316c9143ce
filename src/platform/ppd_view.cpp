#include "platform/ppd_view.h"

#include <cups/ppd.h>

#include <cstring>

namespace platform {

std::optional<std::string> PPDView::attribute(const char* name) const
{
    if (!ppd_)
        return std::nullopt;
    const ppd_attr_t* attr = ppdFindAttr(ppd_, name, nullptr);
    if (!attr)
        return std::nullopt;
    return std::string(attr->value ? attr->value : "");
}

std::optional<std::string> PPDView::modelName() const
{
    if (!ppd_ || !ppd_->modelname)
        return std::nullopt;
    return std::string(ppd_->modelname);
}

std::optional<std::string> PPDView::languageEncoding() const
{
    return attribute("LanguageEncoding");
}

PPDChoiceRecord* PPDView::markedChoice(const char* keyword) const
{
    return ppd_ ? ppdFindMarkedChoice(ppd_, keyword) : nullptr;
}

PPDChoiceRecord* defaultChoice(PPDOptionRecord* option)
{
    return option ? ppdFindChoice(option, option->defchoice) : nullptr;
}

int choiceIndex(const PPDOptionRecord* option, const PPDChoiceRecord* choice)
{
    return static_cast<int>(choice - option->choices);
}

std::vector<PPDChoiceRecord*> choicesOf(PPDOptionRecord* option)
{
    std::vector<PPDChoiceRecord*> choices;
    if (option)
        for (int i = 0; i < option->num_choices; ++i)
            choices.push_back(&option->choices[i]);
    return choices;
}

std::string_view choiceKeyword(const PPDChoiceRecord& choice)
{
    return std::string_view(choice.choice, strnlen(choice.choice, sizeof choice.choice));
}

std::string_view choiceText(const PPDChoiceRecord& choice)
{
    return std::string_view(choice.text, strnlen(choice.text, sizeof choice.text));
}

}  // namespace platform
