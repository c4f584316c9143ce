// PPD access, labels and the fixed profile of this printer model.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/trace.h"

// --- Model profile ---

// The layout variant this model shows: 1 loads "JobControl".
int KorvanePrintPdeRk880JC::getUIMode() const
{
    return 1;
}

// The most digits the numeric secret fields take.
int KorvanePrintPdeRk880JC::getPasswordMax() const
{
    return 5;
}

// This model has no printer hard disk to file jobs on.
bool KorvanePrintPdeRk880JC::CheckHardDisk() const
{
    return false;
}

bool KorvanePrintPdeRk880JC::isHeronMarlin() const
{
    return false;
}

// The panel never runs on the older host that needed its own PPD handling.
bool KorvanePrintPdeRk880JC::isTiger() const
{
    return false;
}

// --- PPD encoding ---

platform::StringEncoding getEncodingFromPPD(platform::PPDView ppd)
{
    const std::optional<std::string> name = ppd.languageEncoding();
    if (!name)
        return platform::kMacOSRomanStringEncoding;
    if (*name == "ISOLatin1")
        return platform::kISOLatin1StringEncoding;
    if (*name == "WindowsANSI")
        return platform::kWindowsLatin1StringEncoding;
    if (*name == "JIS83-RKSJ")
        return platform::kShiftJISStringEncoding;
    if (*name == "UTF-8" || *name == "UTF8")
        return platform::kUTF8StringEncoding;
    return platform::kMacOSRomanStringEncoding;
}

// --- Choices with the host's constraint check ---

int KorvanePrintPdeRk880JC::indexOfMarkedOption(platform::PPDOptionRecord* option, const char* keyword)
{
    if (!option)
        return -1;
    platform::PPDChoiceRecord* choice = ppd.markedChoice(keyword);
    if (!choice)
        choice = platform::defaultChoice(option);
    if (!choice) {
        _PDELog(this, "returning a -1 index means there was no default choice");
        return -1;
    }
    return platform::choiceIndex(option, choice);
}

namespace {

// Applies the host's verdict: the selection changes only when the host accepts the choice.
void selectIfHostAccepts(KorvanePrintPdeRk880JC& panel, std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>& selection,
                         const std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>& chosen, const std::string& keyword)
{
    _PDELog(&panel, "selected request: %@", chosen.get());
    if (panel.useConstraintHandling && panel.pdePluginCallbackObject) {
        const std::string title = chosen ? chosen->ppdTitle().value_or(std::string()) : std::string();
        if (!panel.pdePluginCallbackObject->willChangePPDOptionKeyValue(keyword, title))
            return;
    }
    selection = chosen;
}

}  // namespace

void KorvanePrintPdeRk880JC::getSelection(std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>& selection,
                                          const platform::PopUp& popUp, const std::string& keyword)
{
    _PDEProlog(this, "getSelection:(%@) fromPopUp:(%@) forKey:(%@)", selection.get(), &popUp, keyword);
    const int index = popUp.indexOfSelectedItem();
    _PDELog(this, "selected index: %i", index);
    auto chosen = std::static_pointer_cast<KorvanePrintPdeRk880JCPDEChoice>(popUp.representedObject(index));
    selectIfHostAccepts(*this, selection, chosen, keyword);
    _PDEEpilog(this, "getSelection:fromPopUp:forKey:=PDEChoice(%@)", selection.get());
}

void KorvanePrintPdeRk880JC::getSelection(std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>& selection,
                                          const ChoiceList& choices, const platform::Button& button,
                                          const std::string& keyword)
{
    _PDEProlog(this, "getSelection:(%@) fromButton:(%@) forKey:(%@)", selection.get(), &button, keyword);
    const int index = button.state();
    _PDELog(this, "selected index: %i", index);
    // The list must hold a wrapper for every state the button can take.
    std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> chosen =
        index < static_cast<int>(choices.size()) ? choices[static_cast<std::size_t>(index)] : nullptr;
    selectIfHostAccepts(*this, selection, chosen, keyword);
    _PDEEpilog(this, "getSelection:fromPopUp:forKey:=PDEChoice(%@)", selection.get());
}

// --- Labels ---

std::optional<std::string> KorvanePrintPdeRk880JC::localizedStringValue(const std::optional<std::string>& text) const
{
    if (!text)
        return std::nullopt;
    const std::string& source = *text;
    // Leading blanks and line ends are skipped; the key runs up to the first colon.
    const std::size_t start = source.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || source[start] == ':')
        return source;
    const std::size_t colon = source.find(':', start);
    const std::string key = source.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    std::string localized = pdeBundle.localizedString(key);
    if (colon != std::string::npos)
        localized += ":";
    return localized;
}

std::optional<std::string> KorvanePrintPdeRk880JC::localizedStringValue(const platform::TextField& field) const
{
    if (!field)
        return std::nullopt;
    return localizedStringValue(field.stringValue());
}

std::optional<std::string> KorvanePrintPdeRk880JC::localizedStringValue(const platform::Box& box) const
{
    if (!box)
        return std::nullopt;
    return localizedStringValue(std::optional<std::string>(box.title()));
}

std::optional<std::string> KorvanePrintPdeRk880JC::localizedStringValue(const platform::Button& button) const
{
    if (!button)
        return std::nullopt;
    return localizedStringValue(std::optional<std::string>(button.title()));
}
