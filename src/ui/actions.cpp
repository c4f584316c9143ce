// What each control does when the user operates it.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include <string_view>

namespace {

// Each action the layouts may name, with the panel operation it runs and the control that sends it.
struct ActionEntry {
    std::string_view name;
    void (KorvanePrintPdeRk880JC::*run)(const platform::Control&);
    const platform::Control& (*sender)(const KorvanePrintPdeRk880JC&);
};

#define KORVANE_ACTION(action, control)                                                            \
    ActionEntry                                                                                    \
    {                                                                                              \
        #action ":", &KorvanePrintPdeRk880JC::action,                                              \
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

// Not built yet: these change nothing.
void KorvanePrintPdeRk880JC::retentionCBoxProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::suspendKeyMatrixProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::suspendKeyButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::folderSelectionPopUpButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::folderPasswordButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::folderNameButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::folderSelectionMatrixProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::authenticationMatrixProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::loginNameButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::passwordButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::userNumberButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::userNameButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::jobNameButtonProc(const platform::Control& /*sender*/) {}
void KorvanePrintPdeRk880JC::accountNumberButtonProc(const platform::Control& /*sender*/) {}
