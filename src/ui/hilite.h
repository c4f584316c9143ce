// Dimming and restoring one text field of the panel.
#pragma once

#include "platform/controls.h"

// Dims (true) or restores (false) a text field. A label (tag 0) only turns gray or black. An
// edit field is also made not editable and not selectable, and the window's keyboard focus
// leaves every control; restored, it becomes editable and selectable and takes the focus.
void myRk880JCHilite(platform::TextField& field, bool dim);
