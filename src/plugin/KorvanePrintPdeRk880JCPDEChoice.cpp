#include "plugin/KorvanePrintPdeRk880JCPDEChoice.h"

#include "platform/trace.h"

std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> KorvanePrintPdeRk880JCPDEChoice::choiceWithChoice(
    platform::PPDChoiceRecord* choice)
{
    return std::make_shared<KorvanePrintPdeRk880JCPDEChoice>(choice);
}

std::optional<std::string> KorvanePrintPdeRk880JCPDEChoice::userTitle(platform::StringEncoding encoding)
{
    if (!userTitle_ && choice_) {
        userTitle_ = platform::decodeBytes(platform::choiceText(*choice_), encoding);
        if (!userTitle_)
            _PDELog(this, "could not create userTitle!");
    }
    return userTitle_;
}

std::optional<std::string> KorvanePrintPdeRk880JCPDEChoice::ppdTitle()
{
    if (!ppdTitle_ && choice_) {
        ppdTitle_ = platform::decodeBytes(platform::choiceKeyword(*choice_), platform::kASCIIStringEncoding);
        if (!ppdTitle_)
            _PDELog(this, "could not create ppdTitle!");
    }
    return ppdTitle_;
}

std::optional<ChoiceList> ArrayFromPPDOption(platform::PPDOptionRecord* option)
{
    if (!option)
        return std::nullopt;
    ChoiceList choices;
    for (platform::PPDChoiceRecord* choice : platform::choicesOf(option))
        choices.push_back(KorvanePrintPdeRk880JCPDEChoice::choiceWithChoice(choice));
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
