// The states of other controls that decide which controls of the tab can be used. Each is
// read afresh from the controls at the moment it is asked; an absent control reads as 0.
#pragma once

#include "platform/controls.h"

class KorvanePrintPdeRk880JC;

namespace korvane::conditions {

// Retention is on: the check box's state is not 0.
bool retentionOn(const KorvanePrintPdeRk880JC& panel);

// Quick file is chosen in the pop-up (index 0) or in the folder matrix (row 0).
bool quickFileChosen(const KorvanePrintPdeRk880JC& panel);

// The pop-up shows a custom folder whose entry in the folder list takes a password.
bool protectedFolderChosen(const KorvanePrintPdeRk880JC& panel);

// The folder matrix has its custom folder row (row 2) selected.
bool customFolderRowChosen(const KorvanePrintPdeRk880JC& panel);

// The chosen folder takes a folder password: a protected folder or the custom folder row.
bool folderPasswordWanted(const KorvanePrintPdeRk880JC& panel);

// Login name and password (row 0) is the authentication chosen.
bool loginAuthenticationChosen(const KorvanePrintPdeRk880JC& panel);

// A padlock remembers its value: its state is exactly 1.
bool lockOn(const platform::Button& lock);

}  // namespace korvane::conditions
