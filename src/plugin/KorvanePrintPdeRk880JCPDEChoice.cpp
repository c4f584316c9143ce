#include "plugin/KorvanePrintPdeRk880JCPDEChoice.h"

#include "platform/trace.h"

#include <cstring>

std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> KorvanePrintPdeRk880JCPDEChoice::choiceWithChoice(ppd_choice_t* choice)
{
    return std::make_shared<KorvanePrintPdeRk880JCPDEChoice>(choice);
}

std::optional<std::string> KorvanePrintPdeRk880JCPDEChoice::userTitle(platform::StringEncoding encoding)
{
    if (!userTitle_ && choice_) {
        userTitle_ = platform::decodeBytes(std::string_view(choice_->text, strnlen(choice_->text, sizeof choice_->text)),
                                           encoding);
        if (!userTitle_)
            _PDELog(this, "could not create userTitle!");
    }
    return userTitle_;
}

std::optional<std::string> KorvanePrintPdeRk880JCPDEChoice::ppdTitle()
{
    if (!ppdTitle_ && choice_) {
        ppdTitle_ = platform::decodeBytes(std::string_view(choice_->choice, strnlen(choice_->choice, sizeof choice_->choice)),
                                          platform::kASCIIStringEncoding);
        if (!ppdTitle_)
            _PDELog(this, "could not create ppdTitle!");
    }
    return ppdTitle_;
}

std::optional<ChoiceList> ArrayFromPPDOption(ppd_option_t* option)
{
    if (!option)
        return std::nullopt;
    ChoiceList choices;
    for (int i = 0; i < option->num_choices; ++i)
        choices.push_back(KorvanePrintPdeRk880JCPDEChoice::choiceWithChoice(&option->choices[i]));
    return choices;
}

std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> FindChoiceForString(const std::optional<std::string>& keyword,
                                                                    const ChoiceList& choices)
{
    if (!keyword)
        return nullptr;
    for (const auto& choice : choices)
        if (choice->ppdTitle() == *keyword)
            return choice;
    return nullptr;
}

void InitPopUpFromArray(platform::PopUp& popUp, const ChoiceList& choices, platform::StringEncoding encoding)
{
    popUp.removeAllItems();
    for (const auto& choice : choices)
        popUp.addItem(choice->userTitle(encoding).value_or(std::string()), std::shared_ptr<void>(choice));
}
