// Operating a loaded view's controls as a user would, and describing them: what a host needs
// to script a panel (the batch host's --set, --paste and --dump).
#pragma once

#include <QJsonObject>

#include <string>

class QWidget;

namespace platform {

// Operates the outlet as a user would and lets it send its action: check box, lock button and
// radio cell take 0 or 1; a matrix its row; a pop-up and a tab view an index; a text field is
// cleared and VALUE typed one character at a time; a push button is pressed. False, with why
// in error, when the outlet is unknown, the value does not fit, or the user could not operate
// the control now (disabled, dimmed).
bool operateControl(QWidget* view, const std::string& outlet, const std::string& value, std::string* error = nullptr);

// Selects the whole text field and pastes text as one edit; false, with why in error, as above.
bool pasteIntoControl(QWidget* view, const std::string& outlet, const std::string& text, std::string* error = nullptr);

// Every outlet of the view with its kind and state.
QJsonObject describeControls(QWidget* view);

}  // namespace platform
