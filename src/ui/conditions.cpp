#include "ui/conditions.h"

#include "plugin/KorvanePrintPdeRk880JC.h"

namespace korvane::conditions {

namespace {

using rows::kCustomFolderRow;
using rows::kFirstFolderIndex;
using rows::kLoginRow;
using rows::kQuickFileIndex;
using rows::kQuickFileRow;

}  // namespace

bool retentionOn(const KorvanePrintPdeRk880JC& panel)
{
    return panel.retentionCheckBox.state() != 0;
}

bool quickFileChosen(const KorvanePrintPdeRk880JC& panel)
{
    // Presence is asked first: an absent pop-up or matrix would read as index or row 0.
    const bool inPopUp =
        panel.folderSelectionPopup && panel.folderSelectionPopup.indexOfSelectedItem() == kQuickFileIndex;
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
