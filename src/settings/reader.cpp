// Reads the job control settings back from the job's print settings and the preferences.
//
// Each control is filled from its print-settings key, or, once after the preferences were
// loaded, from the value the user asked to remember; then its action runs, so the panel is
// dimmed and masked as if the user had made the choices by hand.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/printing.h"
#include "platform/system.h"
#include "platform/trace.h"
#include "settings/keys.h"
#include "settings/reader_decode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace {

namespace rows = korvane::rows;
using Panel = KorvanePrintPdeRk880JC;
using Action = void (Panel::*)(const platform::Control&);
using korvane::reader::boundedValue;
using korvane::reader::textFromBytes;
namespace keys = korvane::keys;
namespace lockbits = korvane::lockbits;

// A secret field with a padlock, restored by restoreLockedSecret.
struct LockedSecret {
    std::uint32_t bit;
    std::optional<std::string> Panel::*remembered;
    const char* key;
    int digits;
    bool lengthLimited;  // holds no more than getPasswordMax bytes
    bool digitsOnly;     // its field's filter lets only decimal digits be typed
    platform::TextField Panel::*field;
    platform::Button Panel::*lockButton;
    Action action;
};

const LockedSecret kPinSecret{lockbits::kSuspendKey,
                              &Panel::prefSuspendKeyStringRef,
                              keys::kJobSuspend2Key,
                              korvane::reader::kOneBlockDigits,
                              true,
                              true,
                              &Panel::suspendKeyEditText,
                              &Panel::suspendKeyButton,
                              &Panel::suspendKeyButtonProc};
const LockedSecret kPasswordSecret{lockbits::kPassword,
                                   &Panel::prefPasswordStringRef,
                                   keys::kPassword2,
                                   korvane::reader::kTwoBlockDigits,
                                   false,
                                   false,
                                   &Panel::passwordEditText,
                                   &Panel::passwordButton,
                                   &Panel::passwordButtonProc};
const LockedSecret kUserNumberSecret{lockbits::kUserNumber,
                                     &Panel::prefUserNumberStringRef,
                                     keys::kUserNumber2,
                                     korvane::reader::kOneBlockDigits,
                                     false,
                                     true,
                                     &Panel::userNumberEditText,
                                     &Panel::userNumberButton,
                                     &Panel::userNumberButtonProc};
const LockedSecret kAccountNumberSecret{lockbits::kAccountNumber,
                                        &Panel::prefAccountNumberStringRef,
                                        keys::kAccountNumber2,
                                        korvane::reader::kOneBlockDigits,
                                        true,
                                        true,
                                        &Panel::accountNumberEditText,
                                        &Panel::accountNumberButton,
                                        &Panel::accountNumberButtonProc};
const LockedSecret kFolderPasswordSecret{lockbits::kFolderPassword,
                                         &Panel::prefFolderPassStringRef,
                                         keys::kFolderPassword2,
                                         korvane::reader::kOneBlockDigits,
                                         true,
                                         true,
                                         &Panel::folderPasswordEditText,
                                         &Panel::folderPasswordButton,
                                         &Panel::folderPasswordButtonProc};

// A job identification field with a padlock, restored by restoreIdentification.
struct IdentificationField {
    std::uint32_t bit;
    std::optional<std::string> Panel::*remembered;
    const char* key;
    platform::TextField Panel::*field;
    platform::Button Panel::*lockButton;
    Action action;
};

const IdentificationField kUserNameField{lockbits::kUserName,    &Panel::prefUserNameStringRef,
                                         keys::kUserName,        &Panel::userNameEditText,
                                         &Panel::userNameButton, &Panel::userNameButtonProc};
const IdentificationField kJobNameField{lockbits::kJobName,    &Panel::prefJobNameStringRef,
                                        keys::kJobName,        &Panel::jobNameEditText,
                                        &Panel::jobNameButton, &Panel::jobNameButtonProc};

// The value stored under `key`, cut to the characters the reader takes; nothing when absent.
std::optional<std::string> storedValue(const platform::PrintSettings& settings, const char* key,
                                       std::size_t limit = korvane::reader::kValueLimit)
{
    std::optional<std::string> value = settings.value(key);
    if (!value)
        return std::nullopt;
    return boundedValue(*value, limit);
}

// The first character of a stored value; a zero character for an empty one.
char firstCharacter(const std::string& value)
{
    return value.empty() ? '\0' : value.front();
}

// Whether `bit` is set in the remembered lock bits; clears it, so a remembered value is used once.
bool takeRememberedBit(Panel& panel, std::uint32_t bit)
{
    if ((panel.prefHoldButtonFlag & bit) == 0)
        return false;
    panel.prefHoldButtonFlag &= ~bit;
    return true;
}

// The older host's rule: without its own hard-disk support it keeps no retention.
bool olderHostWithoutHardDisk(const Panel& panel)
{
    return panel.isTiger() && !panel.tigerHDDFlag;
}

// Whether text is made of decimal digits only (an empty text is).
bool isDecimalText(const std::string& text)
{
    return text.find_first_not_of("0123456789") == std::string::npos;
}

// The field text of a stored secret: empty for no or an empty value, for a limited secret
// longer than the model's limit allows, and for a digits-only secret with anything else in it,
// which its field would never have let the user type.
std::string secretFieldText(const Panel& panel, const LockedSecret& secret, const std::optional<std::string>& stored)
{
    if (!stored || stored->empty())
        return {};
    const std::string bytes = korvane::reader::secretFromHexBlocks(*stored, secret.digits);
    if (secret.lengthLimited && panel.getPasswordMax() != 8 && bytes.size() > 5)
        return {};
    if (secret.digitsOnly && !isDecimalText(bytes))
        return {};
    return textFromBytes(bytes, panel.systemEncoding);
}

// Restores one secret field and its padlock from the remembered value or the print settings.
void restoreLockedSecret(Panel& panel, const platform::PrintSettings& settings, const LockedSecret& secret)
{
    platform::TextField& field = panel.*secret.field;
    platform::Button& lockButton = panel.*secret.lockButton;
    if (!field)
        return;
    bool locked = false;
    std::optional<std::string> stored;
    if (takeRememberedBit(panel, secret.bit)) {
        locked = true;
        if (const std::optional<std::string>& remembered = panel.*secret.remembered)
            stored = boundedValue(*remembered);
    }
    if (!stored) {
        stored = storedValue(settings, secret.key);
        if (stored && (panel.presetHoldButtonFlag & secret.bit))
            locked = true;
    }
    if (secret.bit == lockbits::kSuspendKey && olderHostWithoutHardDisk(panel)) {
        locked = false;
        field.setStringValue("");
    } else {
        field.setStringValue(secretFieldText(panel, secret, stored));
    }
    lockButton.setState(locked ? 1 : 0);
    (panel.*secret.action)(lockButton);
}

// The retention mode of a stored "jobSuspend" value: 0 off, else its suspend-matrix row plus 1.
int retentionModeOf(const std::optional<std::string>& stored)
{
    switch (stored ? firstCharacter(*stored) : '\0') {
    case '1':
        return 2;  // hold after print
    case '2':
        return 1;  // hold only
    case '3':
        return 3;  // sample print
    default:
        return 0;
    }
}

// Restores the retention check box and the retention mode.
void restoreRetention(Panel& panel, const platform::PrintSettings& settings)
{
    int mode = 0;
    if (panel.retentionCheckBox) {
        mode = retentionModeOf(storedValue(settings, keys::kJobSuspend));
        if (olderHostWithoutHardDisk(panel))
            mode = 0;
        panel.retentionCheckBox.setState(mode != 0 ? 1 : 0);
        panel.retentionCBoxProc(panel.retentionCheckBox);
    }
    if (panel.suspendMatrix)
        panel.suspendMatrix.selectCellAtRow(mode == 0 ? rows::kHoldOnlyRow : rows::kHoldOnlyRow + mode - 1);
}

// Shows the filing choice in whichever of the pop-up and the matrix the layout has.
void selectFiling(Panel& panel, int popUpIndex, int matrixRow)
{
    panel.folderSelectionPopup.selectItemAtIndex(popUpIndex);
    panel.folderSelectionMatrix.selectCellAtRow(matrixRow);
}

// Chooses the custom folder stored in the print settings; false when none is stored.
bool restoreCustomFolder(Panel& panel, const platform::PrintSettings& settings)
{
    const std::optional<std::string> path = storedValue(settings, keys::kFolderPath);
    if (!path)
        return false;
    const std::string name = textFromBytes(korvane::reader::bytesFromHex(*path), panel.systemEncoding);
    panel.folderNameStringRef = name;
    selectFiling(panel, static_cast<int>(panel.SearchSameFolderName(name)), rows::kCustomFolderRow);
    panel.folderNameEditText.setStringValue(name);
    return true;
}

// Restores the filing choice, the custom folder name and its padlock.
void restoreFiling(Panel& panel, const platform::PrintSettings& settings)
{
    if (!panel.folderSelectionPopup && !panel.folderSelectionMatrix)
        return;
    bool locked = (panel.presetHoldButtonFlag & lockbits::kFolderName) != 0;
    bool chosen = false;
    if (const std::optional<std::string> filing = storedValue(settings, keys::kFiling)) {
        const char choice = firstCharacter(*filing);
        if (choice == '3') {
            chosen = restoreCustomFolder(panel, settings);
        } else if (choice == '1') {
            selectFiling(panel, rows::kQuickFileIndex, rows::kQuickFileRow);
            chosen = true;
        }
    }
    if (panel.folderSelectionMatrix && takeRememberedBit(panel, lockbits::kFolderName) &&
        panel.prefFolderNameStringRef) {
        panel.folderNameEditText.setStringValue(*panel.prefFolderNameStringRef);
        locked = true;
        chosen = true;
    }
    if (!chosen)
        selectFiling(panel, rows::kMainFolderIndex, rows::kMainFolderRow);
    panel.folderNameButton.setState(locked ? 1 : 0);
    panel.folderNameButtonProc(panel.folderNameButton);
}

// Selects login name and password (row 0) or user number (row 1). A remembered choice stands
// while any of the values it governs is remembered; it is not consumed here.
void restoreAuthentication(Panel& panel, const platform::PrintSettings& settings)
{
    if (!panel.authenticationMatrix)
        return;
    char choice = '1';
    constexpr std::uint32_t governed = lockbits::kLoginName | lockbits::kPassword | lockbits::kUserNumber;
    if ((panel.prefHoldButtonFlag & governed) && panel.prefAuthenticationBooleanRef)
        choice = *panel.prefAuthenticationBooleanRef ? '1' : '0';
    else if (const std::optional<std::string> stored = storedValue(settings, keys::kAuthentication))
        choice = firstCharacter(*stored);
    panel.authenticationMatrix.selectCellAtRow(choice == '1' ? rows::kLoginRow : rows::kUserNumberRow);
}

// The login name's stored form in the print settings: the first piece, with the second
// appended when both are there.
std::string storedLoginName(const platform::PrintSettings& settings)
{
    constexpr std::size_t limit = korvane::reader::kLoginNameValueLimit;
    std::string coded = storedValue(settings, keys::kLoginName11, limit).value_or(std::string());
    const std::string second = storedValue(settings, keys::kLoginName12, limit).value_or(std::string());
    if (!coded.empty() && !second.empty())
        coded = boundedValue(coded + second, limit);
    return coded;
}

// Restores the login name and its padlock; a remembered name is captured and masked anew by
// the padlock's action.
void restoreLoginName(Panel& panel, const platform::PrintSettings& settings)
{
    if (!panel.loginNameEditText)
        return;
    panel.loginNameButton.setState(0);
    panel.loginNameButtonProc(panel.loginNameButton);
    bool locked = false;
    std::optional<std::string> coded;
    if (takeRememberedBit(panel, lockbits::kLoginName)) {
        locked = true;
        if (panel.prefLoginNameStringRef)
            coded = boundedValue(*panel.prefLoginNameStringRef, korvane::reader::kLoginNameValueLimit);
    }
    if (!coded) {
        coded = storedLoginName(settings);
        if (panel.presetHoldButtonFlag & lockbits::kLoginName)
            locked = true;
    }
    const std::string name = coded->empty()
                                 ? std::string()
                                 : textFromBytes(korvane::reader::secretFromBase64Blocks(*coded), panel.systemEncoding);
    panel.loginNameEditText.setStringValue(name);
    panel.loginNameStringRef.reset();
    panel.loginNameLockFlag = false;
    if (locked) {
        panel.loginNameButton.setState(1);
        panel.loginNameButtonProc(panel.loginNameButton);
    } else if (panel.loginNameButton.state() != 0) {
        panel.loginNameButton.setState(0);
        panel.loginNameButtonProc(panel.loginNameButton);
    }
}

// Restores a user or job name and its padlock. Without a remembered or stored name the field
// gets `fallback`; without one either, it keeps its text unless `emptyWithoutFallback`.
void restoreIdentification(Panel& panel, const platform::PrintSettings& settings, const IdentificationField& entry,
                           const std::optional<std::string>& fallback, bool emptyWithoutFallback)
{
    platform::TextField& field = panel.*entry.field;
    platform::Button& lockButton = panel.*entry.lockButton;
    if (!field)
        return;
    bool locked = false;
    bool filled = false;
    if (takeRememberedBit(panel, entry.bit)) {
        locked = true;
        if (const std::optional<std::string>& remembered = panel.*entry.remembered) {
            field.setStringValue(*remembered);
            filled = true;
        }
    }
    if (!filled) {
        const std::optional<std::string> stored = storedValue(settings, entry.key);
        const std::string text =
            stored ? textFromBytes(korvane::reader::bytesFromHex(*stored), panel.systemEncoding) : std::string();
        if (!text.empty()) {
            field.setStringValue(text);
            if (panel.presetHoldButtonFlag & entry.bit)
                locked = true;
        } else if (fallback) {
            field.setStringValue(*fallback);
        } else if (emptyWithoutFallback) {
            field.setStringValue("");
        }
    }
    lockButton.setState(locked ? 1 : 0);
    (panel.*entry.action)(lockButton);
}

}  // namespace

// Fills every control from the print settings and the remembered values, running each
// control's action after it; with no print settings nothing changes.
void KorvanePrintPdeRk880JC::getNonPPDSettingsFromPrintSettings()
{
    _PDEProlog(this, "--getNonPPDSettingsFromPrintSettings:");
    platform::PrintSettings* settings = pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
    if (!settings) {
        _PDEEpilog(this, "--getNonPPDSettingsFromPrintSettings:");
        return;
    }
    if (const std::optional<std::string> bits = storedValue(*settings, keys::kHoldButton))
        presetHoldButtonFlag = korvane::reader::lockBitsFromDecimal(*bits);

    restoreRetention(*this, *settings);
    restoreLockedSecret(*this, *settings, kPinSecret);
    restoreFiling(*this, *settings);
    restoreAuthentication(*this, *settings);
    restoreLoginName(*this, *settings);
    restoreLockedSecret(*this, *settings, kPasswordSecret);
    restoreLockedSecret(*this, *settings, kUserNumberSecret);
    restoreLockedSecret(*this, *settings, kAccountNumberSecret);
    authenticationMatrixProc(authenticationMatrix);
    if (userNameEditText)
        restoreIdentification(*this, *settings, kUserNameField, platform::fullUserName(), false);
    if (jobNameEditText)
        restoreIdentification(*this, *settings, kJobNameField, settings->jobName(), true);
    restoreLockedSecret(*this, *settings, kFolderPasswordSecret);
    retentionCBoxProc(retentionCheckBox);
    folderSelectionPopUpButtonProc(folderSelectionPopup);
    _PDEEpilog(this, "--getNonPPDSettingsFromPrintSettings:");
}
