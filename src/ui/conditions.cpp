#include "ui/conditions.h"

#include "plugin/KorvanePrintPdeRk880JC.h"

namespace korvane::conditions {

namespace {

// Index of the first custom folder in the pop-up: quick file, main folder and a separator
// come before it.
constexpr int kFirstFolderIndex = 3;

constexpr int kQuickFileRow = 0;
constexpr int kCustomFolderRow = 2;
constexpr int kLoginRow = 0;

}  // namespace

bool retentionOn(const KorvanePrintPdeRk880JC& panel)
{
    return panel.retentionCheckBox.state() != 0;
}

bool quickFileChosen(const KorvanePrintPdeRk880JC& panel)
{
    // Presence is asked first: an absent pop-up or matrix would read as index or row 0.
    const bool inPopUp = panel.folderSelectionPopup && panel.folderSelectionPopup.indexOfSelectedItem() == 0;
    const bool inMatrix = panel.folderSelectionMatrix && panel.folderSelectionMatrix.selectedRow() == kQuickFileRow;
    return inPopUp || inMatrix;
}

bool protectedFolderChosen(const KorvanePrintPdeRk880JC& panel)
{
    if (!panel.folderSelectionPopup || !panel.folderList)
        return false;
    const int index = panel.folderSelectionPopup.indexOfSelectedItem();
    if (index < kFirstFolderIndex)
        return false;
    const auto position = static_cast<std::size_t>(index - kFirstFolderIndex);
    // The pop-up may show more items than the list holds (a stale pop-up); those take none.
    return position < panel.folderList->size() && (*panel.folderList)[position].password;
}

bool customFolderRowChosen(const KorvanePrintPdeRk880JC& panel)
{
    return panel.folderSelectionMatrix && panel.folderSelectionMatrix.selectedRow() == kCustomFolderRow;
}

bool folderPasswordWanted(const KorvanePrintPdeRk880JC& panel)
{
    return protectedFolderChosen(panel) || customFolderRowChosen(panel);
}

bool loginAuthenticationChosen(const KorvanePrintPdeRk880JC& panel)
{
    return panel.authenticationMatrix.selectedRow() == kLoginRow;
}

bool lockOn(const platform::Button& lock)
{
    return lock.state() == 1;
}

}  // namespace korvane::conditions
