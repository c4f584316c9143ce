// Which controls can be used, from the state of the others. Each rule decides for one control
// and applies the answer at once: buttons, matrices and the pop-up are enabled or disabled,
// text fields dimmed or restored (restoring an edit field also gives it the keyboard focus, so
// the order in which the actions run the rules decides where the focus ends up).
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "ui/conditions.h"
#include "ui/hilite.h"

using namespace korvane::conditions;

// --- Rules that dim or restore a text field ---

// The PIN caption: dimmed with retention off or quick file chosen.
void KorvanePrintPdeRk880JC::suspendKeyStaticTextEnabled()
{
    myRk880JCHilite(suspendKeyStaticText, !retentionOn(*this) || quickFileChosen(*this));
}

// The PIN: dimmed with retention off, its lock on, or quick file chosen.
void KorvanePrintPdeRk880JC::suspendKeyEditTextEnabled()
{
    myRk880JCHilite(suspendKeyEditText, !retentionOn(*this) || lockOn(suspendKeyButton) || quickFileChosen(*this));
}

// The folder caption: dimmed with retention off.
void KorvanePrintPdeRk880JC::folderSelectionStaticTextEnabled()
{
    myRk880JCHilite(folderSelectionStaticText, !retentionOn(*this));
}

// The folder password caption: dimmed with retention off or a folder that takes no password.
void KorvanePrintPdeRk880JC::folderPasswordStaticTextEnabled()
{
    myRk880JCHilite(folderPasswordStaticText, !retentionOn(*this) || !folderPasswordWanted(*this));
}

// The folder password: dimmed with retention off, its lock on, or a folder that takes none.
void KorvanePrintPdeRk880JC::folderPasswordEditTextEnabled()
{
    myRk880JCHilite(folderPasswordEditText,
                    !retentionOn(*this) || lockOn(folderPasswordButton) || !folderPasswordWanted(*this));
}

// The typed folder name: dimmed with retention off, its lock on, or the custom row not chosen.
void KorvanePrintPdeRk880JC::folderNameEditTextEnabled()
{
    myRk880JCHilite(folderNameEditText,
                    !retentionOn(*this) || lockOn(folderNameButton) || !customFolderRowChosen(*this));
}

// The login name caption: dimmed unless login authentication is chosen.
void KorvanePrintPdeRk880JC::loginNameStaticTextEnabled()
{
    myRk880JCHilite(loginNameStaticText, !loginAuthenticationChosen(*this));
}

// The login name: dimmed unless login authentication is chosen, or with its lock on.
void KorvanePrintPdeRk880JC::loginNameEditTextEnabled()
{
    myRk880JCHilite(loginNameEditText, !loginAuthenticationChosen(*this) || lockOn(loginNameButton));
}

// The password caption: dimmed unless login authentication is chosen.
void KorvanePrintPdeRk880JC::passwordStaticTextEnabled()
{
    myRk880JCHilite(passwordStaticText, !loginAuthenticationChosen(*this));
}

// The password: dimmed unless login authentication is chosen, or with its lock on.
void KorvanePrintPdeRk880JC::passwordEditTextEnabled()
{
    myRk880JCHilite(passwordEditText, !loginAuthenticationChosen(*this) || lockOn(passwordButton));
}

// The user number: dimmed with login authentication chosen or its lock on.
void KorvanePrintPdeRk880JC::userNumberEditTextEnabled()
{
    myRk880JCHilite(userNumberEditText, loginAuthenticationChosen(*this) || lockOn(userNumberButton));
}

// The user name: dimmed with its lock on.
void KorvanePrintPdeRk880JC::userNameEditTextEnabled()
{
    myRk880JCHilite(userNameEditText, lockOn(userNameButton));
}

// The job name: dimmed with its lock on.
void KorvanePrintPdeRk880JC::jobNameEditTextEnabled()
{
    myRk880JCHilite(jobNameEditText, lockOn(jobNameButton));
}

// The account number: dimmed with its lock on.
void KorvanePrintPdeRk880JC::accountNumberEditTextEnabled()
{
    myRk880JCHilite(accountNumberEditText, lockOn(accountNumberButton));
}

// --- Rules that enable or disable a button, matrix or pop-up ---

// The retention modes: usable with retention on.
void KorvanePrintPdeRk880JC::suspendMatrixEnabled()
{
    suspendMatrix.setEnabled(retentionOn(*this));
}

// The PIN's lock: usable with retention on and no quick file.
void KorvanePrintPdeRk880JC::suspendKeyButtonEnabled()
{
    suspendKeyButton.setEnabled(retentionOn(*this) && !quickFileChosen(*this));
}

// The folder pop-up: usable with retention on.
void KorvanePrintPdeRk880JC::folderSelectionPopupEnabled()
{
    folderSelectionPopup.setEnabled(retentionOn(*this));
}

// The folder matrix: usable with retention on.
void KorvanePrintPdeRk880JC::folderSelectionMatrixEnabled()
{
    folderSelectionMatrix.setEnabled(retentionOn(*this));
}

// The folder password's lock: usable with retention on and a folder that takes a password.
void KorvanePrintPdeRk880JC::folderPasswordButtonEnabled()
{
    folderPasswordButton.setEnabled(retentionOn(*this) && folderPasswordWanted(*this));
}

// The folder name's lock: usable with retention on and the custom folder row chosen.
void KorvanePrintPdeRk880JC::folderNameButtonEnabled()
{
    folderNameButton.setEnabled(retentionOn(*this) && customFolderRowChosen(*this));
}

// The login name's lock: usable with login authentication chosen.
void KorvanePrintPdeRk880JC::loginNameButtonEnabled()
{
    loginNameButton.setEnabled(loginAuthenticationChosen(*this));
}

// The password's lock: usable with login authentication chosen.
void KorvanePrintPdeRk880JC::passwordButtonEnabled()
{
    passwordButton.setEnabled(loginAuthenticationChosen(*this));
}

// The user number's lock: usable with user-number authentication chosen.
void KorvanePrintPdeRk880JC::userNumberButtonEnabled()
{
    userNumberButton.setEnabled(!loginAuthenticationChosen(*this));
}

// The account number's lock depends on nothing: it stays as laid out.
void KorvanePrintPdeRk880JC::accountNumberButtonEnabled() {}
