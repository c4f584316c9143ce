// One-time preparation of the tab's controls: localized captions, the input filters with their
// limits, the padlock images, the folder pop-up and the printer's address.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/help_texts.h"
#include "platform/trace.h"
#include "ui/input_filters.h"

#include <algorithm>

namespace {

// The number format the limiting filters carry; the values stay plain text.
constexpr const char* kFilterFormat = "##0";

// Most characters of the free-text fields.
constexpr std::int64_t kPasswordMax = 31;
constexpr std::int64_t kFolderNameMax = 255;
constexpr std::int64_t kUserNameMax = 32;
constexpr std::int64_t kJobNameMax = 80;

// Only the first three tabs carry labels of the panel's own.
constexpr int kLocalizedTabCount = 3;

// The two padlock pictures of every lock button.
struct Padlocks {
    platform::Image unlocked;
    platform::Image locked;
};

// Replaces a button's or cell's title by its localized form.
void localizeTitle(const KorvanePrintPdeRk880JC& panel, platform::Button& button)
{
    if (auto title = panel.localizedStringValue(button))
        button.setTitle(*title);
}

// Replaces a group box's title by its localized form.
void localizeTitle(const KorvanePrintPdeRk880JC& panel, platform::Box& box)
{
    if (auto title = panel.localizedStringValue(box))
        box.setTitle(*title);
}

// Replaces a label's text by its localized form.
void localizeText(const KorvanePrintPdeRk880JC& panel, platform::TextField& field)
{
    if (auto text = panel.localizedStringValue(field))
        field.setStringValue(*text);
}

// Localizes the labels of the first tabs and brings the first tab to the front.
void localizeTabs(const KorvanePrintPdeRk880JC& panel, platform::TabView& tabView)
{
    const int count = tabView.numberOfTabViewItems();
    if (count < 1)
        return;
    for (int index = 0; index < std::min(count, kLocalizedTabCount); ++index)
        if (auto label = panel.localizedStringValue(std::optional<std::string>(tabView.label(index))))
            tabView.setLabel(index, *label);
    tabView.selectFirstTabViewItem();
}

// A filter of the given kind that takes at most maxCharacters characters.
template <typename Filter>
std::shared_ptr<Filter> limitedFilter(std::int64_t maxCharacters)
{
    auto filter = std::make_shared<Filter>();
    filter->setFormat(kFilterFormat);
    filter->SetmaxCharactersCount(maxCharacters);
    return filter;
}

// Gives a field a limiting filter, when the layout holds the field.
template <typename Filter>
void installLimitedFilter(platform::TextField& field, std::int64_t maxCharacters)
{
    if (field)
        field.setFormatter(limitedFilter<Filter>(maxCharacters));
}

// Shows the open padlock in state 0 and the closed one in state 1.
void givePadlocks(platform::Button& button, const Padlocks& padlocks)
{
    button.setImage(padlocks.unlocked);
    button.setAlternateImage(padlocks.locked);
}

}  // namespace

// Prepares the controls once; the controls' states and values are left to the settings reader.
void KorvanePrintPdeRk880JC::initializeUI()
{
    _PDEProlog(this, "--initializeUI:");
    if (hasInited) {
        _PDEEpilog(this, "--initializeUI:=void");
        return;
    }
    const int pinMax = getPasswordMax();
    const Padlocks padlocks{platform::initWithSystemIconType(platform::kUnlockedIconType, pdeBundle),
                            platform::initWithSystemIconType(platform::kLockedIconType, pdeBundle)};

    localizeTabs(*this, tabView);

    localizeTitle(*this, retentionCheckBox);
    localizeTitle(*this, suspendBox);
    localizeTitle(*this, holdOnlyRadioButton);
    localizeTitle(*this, holdAfterRadioButton);
    localizeTitle(*this, samplePrintRadioButton);
    localizeText(*this, suspendKeyStaticText);
    installLimitedFilter<MyIntegerNumberFilter>(suspendKeyEditText, pinMax);
    givePadlocks(suspendKeyButton, padlocks);

    localizeTitle(*this, filingBox);
    localizeText(*this, folderSelectionStaticText);
    makeFolderPopup();
    localizeTitle(*this, quickFileRadioButton);
    localizeTitle(*this, mainFolderRadioButton);
    localizeTitle(*this, customFolderRadioButton);
    localizeText(*this, folderPasswordStaticText);
    installLimitedFilter<MyIntegerNumberFilter>(folderPasswordEditText, pinMax);
    givePadlocks(folderPasswordButton, padlocks);

    localizeTitle(*this, authenticationRadioButton);
    localizeText(*this, loginNameStaticText);
    if (loginNameEditText) {
        auto loginFilter = std::make_shared<LoginnameInputFilter>();
        loginFilter->setCallback(this);
        loginNameEditText.setFormatter(loginFilter);
    }
    givePadlocks(loginNameButton, padlocks);

    localizeText(*this, passwordStaticText);
    installLimitedFilter<MyRomanFilter>(passwordEditText, kPasswordMax);
    givePadlocks(passwordButton, padlocks);
    installLimitedFilter<MyRomanFilter>(folderNameEditText, kFolderNameMax);

    localizeTitle(*this, userNumberRadioButton);
    installLimitedFilter<MyIntegerNumberFilter>(userNumberEditText, pinMax);
    givePadlocks(userNumberButton, padlocks);

    localizeText(*this, accountNumberStaticText);
    installLimitedFilter<MyIntegerNumberFilter>(accountNumberEditText, pinMax);
    givePadlocks(accountNumberButton, padlocks);

    localizeTitle(*this, jobIDBox);
    localizeText(*this, userNameStaticText);
    installLimitedFilter<MyRomanFilter>(userNameEditText, kUserNameMax);
    givePadlocks(userNameButton, padlocks);

    localizeText(*this, jobNameStaticText);
    installLimitedFilter<MyRomanFilter>(jobNameEditText, kJobNameMax);
    givePadlocks(jobNameButton, padlocks);

    localizeText(*this, printersAddressStaticText);
    if (mfpURL)
        printersAddressEditText.setStringValue(*mfpURL);

    localizeTitle(*this, getFolderNameButton);
    givePadlocks(folderNameButton, padlocks);

    chasingArrow.setHidden(true);

    if (isTiger() && !tigerHDDFlag)
        retentionCheckBox.setEnabled(false);

    // Tool tips and the names screen readers announce speak the user's language too.
    if (view)
        platform::localizeHelpTexts(view->root(), pdeBundle);

    hasInited = true;
    _PDEEpilog(this, "--initializeUI:=void");
}
