// One choice of a PPD option with its two titles, and the functions that present such choices
// in pop-ups and buttons.
#pragma once

#include "platform/controls.h"
#include "platform/encoding.h"
#include "platform/ppd_view.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class KorvanePrintPdeRk880JCPDEChoice {
public:
    // A wrapper of choice; the choice belongs to the PPD, which must outlive the wrapper.
    static std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> choiceWithChoice(platform::PPDChoiceRecord* choice);
    explicit KorvanePrintPdeRk880JCPDEChoice(platform::PPDChoiceRecord* choice) : choice_(choice) {}

    // The human-readable text, decoded with encoding on the first successful call and kept.
    std::optional<std::string> userTitle(platform::StringEncoding encoding);
    // The keyword, decoded as ASCII on the first successful call and kept.
    std::optional<std::string> ppdTitle();
    platform::PPDChoiceRecord* choice() const { return choice_; }

private:
    std::optional<std::string> userTitle_;
    std::optional<std::string> ppdTitle_;
    platform::PPDChoiceRecord* choice_;
};

using ChoiceList = std::vector<std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>>;

// One wrapper per choice of the option, in PPD order; nothing for a null option.
std::optional<ChoiceList> ArrayFromPPDOption(platform::PPDOptionRecord* option);

// The first wrapper whose keyword equals keyword exactly; nullptr when none does.
std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> FindChoiceForString(const std::optional<std::string>& keyword,
                                                                     const ChoiceList& choices);

// Empties the pop-up and adds one item per wrapper, titled with its userTitle, carrying the wrapper.
void InitPopUpFromArray(platform::PopUp& popUp, const ChoiceList& choices, platform::StringEncoding encoding);
