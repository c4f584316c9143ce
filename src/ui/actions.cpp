// What each control does when the user operates it.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/encoding.h"

#include <string>
#include <string_view>

namespace {

// Each action the layouts may name, with the panel operation it runs and the control that sends it.
struct ActionEntry {
    std::string_view name;
    void (KorvanePrintPdeRk880JC::*run)(const platform::Control&);
    const platform::Control& (*sender)(const KorvanePrintPdeRk880JC&);
};

#define KORVANE_ACTION(action, control)                                                                   \
    ActionEntry                                                                                           \
    {                                                                                                     \
#action ":", &KorvanePrintPdeRk880JC::action,                                                     \
            [](const KorvanePrintPdeRk880JC& panel) -> const platform::Control& { return panel.control; } \
    }

const ActionEntry kActions[] = {
    KORVANE_ACTION(tabProc, tabView),
    KORVANE_ACTION(retentionCBoxProc, retentionCheckBox),
    KORVANE_ACTION(suspendKeyMatrixProc, suspendMatrix),
    KORVANE_ACTION(suspendKeyETextProc, suspendKeyEditText),
    KORVANE_ACTION(suspendKeyButtonProc, suspendKeyButton),
    KORVANE_ACTION(folderSelectionPopUpButtonProc, folderSelectionPopup),
    KORVANE_ACTION(folderPasswordETextProc, folderPasswordEditText),
    KORVANE_ACTION(folderPasswordButtonProc, folderPasswordButton),
    KORVANE_ACTION(folderNameButtonProc, folderNameButton),
    KORVANE_ACTION(folderSelectionMatrixProc, folderSelectionMatrix),
    KORVANE_ACTION(authenticationMatrixProc, authenticationMatrix),
    KORVANE_ACTION(loginNameETextProc, loginNameEditText),
    KORVANE_ACTION(loginNameButtonProc, loginNameButton),
    KORVANE_ACTION(passwordETextProc, passwordEditText),
    KORVANE_ACTION(passwordButtonProc, passwordButton),
    KORVANE_ACTION(userNumberETextProc, userNumberEditText),
    KORVANE_ACTION(userNumberButtonProc, userNumberButton),
    KORVANE_ACTION(userNameETextProc, userNameEditText),
    KORVANE_ACTION(userNameButtonProc, userNameButton),
    KORVANE_ACTION(jobNameETextProc, jobNameEditText),
    KORVANE_ACTION(jobNameButtonProc, jobNameButton),
    KORVANE_ACTION(accountNumberETextProc, accountNumberEditText),
    KORVANE_ACTION(accountNumberButtonProc, accountNumberButton),
    KORVANE_ACTION(printersAddressButtonProc, printersAddressEditText),
    KORVANE_ACTION(getFolderNameButtonProc, getFolderNameButton),
};

#undef KORVANE_ACTION

}  // namespace

// Runs the action a control of the layout names; an unknown name does nothing.
void KorvanePrintPdeRk880JC::performAction(const std::string& action)
{
    for (const ActionEntry& entry : kActions) {
        if (entry.name == action) {
            (this->*entry.run)(entry.sender(*this));
            return;
        }
    }
}

// Actions without effect: the text fields and the tab view send them.
void KorvanePrintPdeRk880JC::tabProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::suspendKeyETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::folderPasswordETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::loginNameETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::passwordETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::userNumberETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::userNameETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::jobNameETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::accountNumberETextProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::printersAddressButtonProc(const platform::Control& /*sender*/) {}

namespace {

using korvane::rows::kHoldAfterPrintRow;
using korvane::rows::kHoldOnlyRow;
using korvane::rows::kLoginRow;
using korvane::rows::kMainFolderIndex;
using korvane::rows::kMainFolderRow;
using korvane::rows::kQuickFileIndex;
using korvane::rows::kQuickFileRow;

// The bullet that stands for each UTF-16 code unit of a masked login name, in UTF-8.
constexpr std::string_view kMaskBullet = "\xE2\x80\xA2";

// Empties a field whose value its lock does not remember.
void clearUnlessLocked(platform::TextField& field, const platform::Button& lock)
{
    if (lock.state() == 0)
        field.setStringValue("");
}

// A mask of one bullet per UTF-16 code unit of the text.
std::string maskFor(const std::string& text)
{
    std::string mask;
    const std::size_t units = platform::utf16Length(text);
    mask.reserve(units * kMaskBullet.size());
    for (std::size_t i = 0; i < units; ++i)
        mask += kMaskBullet;
    return mask;
}

// Quick file keeps the job in the printer, so it needs hold after print; an unlocked PIN of
// the previous mode is dropped.
void holdAfterPrintForQuickFile(KorvanePrintPdeRk880JC& panel)
{
    if (panel.suspendMatrix.selectedRow() != kHoldAfterPrintRow)
        panel.suspendMatrix.selectCellAtRow(kHoldAfterPrintRow);
    clearUnlessLocked(panel.suspendKeyEditText, panel.suspendKeyButton);
}

// Moves the pop-up and the matrix off quick file onto the main folder, running each one's
// action; used where the retention mode no longer allows quick file.
void leaveQuickFile(KorvanePrintPdeRk880JC& panel)
{
    if (panel.folderSelectionPopup && panel.folderSelectionPopup.indexOfSelectedItem() == kQuickFileIndex) {
        panel.folderSelectionPopup.selectItemAtIndex(kMainFolderIndex);
        panel.folderSelectionPopUpButtonProc(panel.folderSelectionPopup);
    }
    if (panel.folderSelectionMatrix && panel.folderSelectionMatrix.selectedRow() == kQuickFileRow) {
        panel.folderSelectionMatrix.selectCellAtRow(kMainFolderRow);
        panel.folderSelectionMatrixProc(panel.folderSelectionMatrix);
    }
}

}  // namespace

// Retention on or off. Off resets the retention and filing choices and drops every value no
// lock remembers; either way the retention and filing groups are settled anew.
void KorvanePrintPdeRk880JC::retentionCBoxProc(const platform::Control& /*sender*/)
{
    if (!retentionCheckBox)
        return;
    if (retentionCheckBox.state() != 1) {
        suspendMatrix.selectCellAtRow(kHoldOnlyRow);
        clearUnlessLocked(suspendKeyEditText, suspendKeyButton);
        leaveQuickFile(*this);
        clearUnlessLocked(folderPasswordEditText, folderPasswordButton);
        clearUnlessLocked(folderNameEditText, folderNameButton);
    }
    suspendMatrixEnabled();
    suspendKeyStaticTextEnabled();
    suspendKeyEditTextEnabled();
    suspendKeyButtonEnabled();
    folderSelectionStaticTextEnabled();
    folderSelectionPopupEnabled();
    folderPasswordStaticTextEnabled();
    folderPasswordEditTextEnabled();
    folderPasswordButtonEnabled();
    folderSelectionMatrixEnabled();
    folderNameEditTextEnabled();
    folderNameButtonEnabled();
}

// A retention mode chosen: only hold after print may file into quick file.
void KorvanePrintPdeRk880JC::suspendKeyMatrixProc(const platform::Control& /*sender*/)
{
    if (!suspendMatrix || suspendMatrix.selectedRow() == kHoldAfterPrintRow)
        return;
    leaveQuickFile(*this);
}

// A folder chosen in the pop-up; the folder password keeps its text from folder to folder.
void KorvanePrintPdeRk880JC::folderSelectionPopUpButtonProc(const platform::Control& /*sender*/)
{
    if (!folderSelectionPopup)
        return;
    if (folderSelectionPopup.indexOfSelectedItem() == kQuickFileIndex)
        holdAfterPrintForQuickFile(*this);
    suspendKeyStaticTextEnabled();
    suspendKeyEditTextEnabled();
    suspendKeyButtonEnabled();
    folderPasswordStaticTextEnabled();
    folderPasswordEditTextEnabled();
    folderPasswordButtonEnabled();
    folderNameButtonEnabled();
}

// A folder row chosen in the matrix. Quick file and the main folder take no folder password
// and no folder name, so unlocked ones are dropped; the custom folder row keeps both.
void KorvanePrintPdeRk880JC::folderSelectionMatrixProc(const platform::Control& /*sender*/)
{
    // An absent matrix would read as row 0 and force quick file's retention mode.
    if (!folderSelectionMatrix)
        return;
    const int row = folderSelectionMatrix.selectedRow();
    if (row == kQuickFileRow)
        holdAfterPrintForQuickFile(*this);
    if (row == kQuickFileRow || row == kMainFolderRow) {
        clearUnlessLocked(folderPasswordEditText, folderPasswordButton);
        clearUnlessLocked(folderNameEditText, folderNameButton);
    }
    suspendKeyStaticTextEnabled();
    suspendKeyEditTextEnabled();
    suspendKeyButtonEnabled();
    folderPasswordStaticTextEnabled();
    folderPasswordEditTextEnabled();
    folderPasswordButtonEnabled();
    folderNameEditTextEnabled();
    folderNameButtonEnabled();
}

// The authentication method chosen: settles both groups, drops the unlocked values of the
// method left, and puts the keyboard focus on the first field the user can fill.
void KorvanePrintPdeRk880JC::authenticationMatrixProc(const platform::Control& /*sender*/)
{
    if (!authenticationMatrix)
        return;
    loginNameStaticTextEnabled();
    loginNameEditTextEnabled();
    loginNameButtonEnabled();
    passwordStaticTextEnabled();
    passwordEditTextEnabled();
    passwordButtonEnabled();
    userNumberEditTextEnabled();
    userNumberButtonEnabled();
    if (authenticationMatrix.selectedRow() != kLoginRow) {
        clearUnlessLocked(loginNameEditText, loginNameButton);
        clearUnlessLocked(passwordEditText, passwordButton);
        if (userNumberEditText.isSelectable())
            userNumberEditText.becomeFirstResponder();
        return;
    }
    clearUnlessLocked(userNumberEditText, userNumberButton);
    if (loginNameEditText.isSelectable())
        loginNameEditText.becomeFirstResponder();
    else if (passwordEditText.isSelectable())
        passwordEditText.becomeFirstResponder();
}

// The login name's lock. Turned on, the name is kept aside and the field shows a bullet per
// UTF-16 code unit; turned off, the name is forgotten and has to be typed again.
void KorvanePrintPdeRk880JC::loginNameButtonProc(const platform::Control& /*sender*/)
{
    if (!loginNameButton)
        return;
    if (loginNameButton.state() != 1) {
        loginNameUnLockFlag = true;
        loginNameEditText.setStringValue("");
        loginNameStringRef.reset();
        loginNameUnLockFlag = false;
        loginNameLockFlag = false;
    } else if (!loginNameLockFlag) {
        // Once masked, the field holds bullets: capturing again would keep those instead.
        loginNameStringRef = loginNameEditText.stringValue();
        if (loginNameStringRef && !loginNameStringRef->empty())
            loginNameEditText.setStringValue(maskFor(*loginNameStringRef));
        loginNameLockFlag = true;
    }
    loginNameEditTextEnabled();
}

// The simple locks: each settles only its own field, whose text it leaves alone.

// The PIN's lock.
void KorvanePrintPdeRk880JC::suspendKeyButtonProc(const platform::Control& /*sender*/)
{
    if (suspendKeyButton)
        suspendKeyEditTextEnabled();
}

// The folder password's lock.
void KorvanePrintPdeRk880JC::folderPasswordButtonProc(const platform::Control& /*sender*/)
{
    if (folderPasswordButton)
        folderPasswordEditTextEnabled();
}

// The folder name's lock.
void KorvanePrintPdeRk880JC::folderNameButtonProc(const platform::Control& /*sender*/)
{
    if (folderNameButton)
        folderNameEditTextEnabled();
}

// The password's lock.
void KorvanePrintPdeRk880JC::passwordButtonProc(const platform::Control& /*sender*/)
{
    if (passwordButton)
        passwordEditTextEnabled();
}

// The user number's lock.
void KorvanePrintPdeRk880JC::userNumberButtonProc(const platform::Control& /*sender*/)
{
    if (userNumberButton)
        userNumberEditTextEnabled();
}

// The user name's lock.
void KorvanePrintPdeRk880JC::userNameButtonProc(const platform::Control& /*sender*/)
{
    if (userNameButton)
        userNameEditTextEnabled();
}

// The job name's lock.
void KorvanePrintPdeRk880JC::jobNameButtonProc(const platform::Control& /*sender*/)
{
    if (jobNameButton)
        jobNameEditTextEnabled();
}

// The account number's lock.
void KorvanePrintPdeRk880JC::accountNumberButtonProc(const platform::Control& /*sender*/)
{
    if (accountNumberButton)
        accountNumberEditTextEnabled();
}
