// The folder pop-up: two fixed items, then the printer's custom folders.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/text_compare.h"
#include "platform/trace.h"

using korvane::rows::kFirstFolderIndex;
using korvane::rows::kFixedItemCount;
using korvane::rows::kMainFolderIndex;

// Rebuilds the pop-up: the two fixed items localized again from their current titles and shown
// with the blank image, then, when there are custom folders, a separator and one item per
// folder, the protected ones with the padlock. Selects nothing and runs no rule.
void KorvanePrintPdeRk880JC::makeFolderPopup()
{
    _PDEProlog(this, "--makeFolderPopup:");
    if (!folderSelectionPopup) {
        _PDEEpilog(this, "--makeFolderPopup:=void");
        return;
    }
    // All at once: the pop-up then handles one removal and one insertion, whatever the count.
    folderSelectionPopup.removeItemsFrom(kFixedItemCount);
    for (int index = 0; index < kFixedItemCount; ++index) {
        if (auto title = localizedStringValue(std::optional<std::string>(folderSelectionPopup.itemTitle(index))))
            folderSelectionPopup.setItemTitle(index, *title);
        folderSelectionPopup.setItemImage(index, spaceImage);
    }
    if (folderList && !folderList->empty()) {
        folderSelectionPopup.addSeparator();
        const platform::Image padlock = platform::initWithSystemIconType(platform::kLockedIconType, pdeBundle);
        std::vector<platform::PopUpItem> items;
        items.reserve(folderList->size());
        for (const FolderEntry& folder : *folderList)
            items.push_back({folder.name ? std::string_view(*folder.name) : std::string_view(),
                             folder.password ? &padlock : &spaceImage});
        folderSelectionPopup.addItems(items);
    }
    _PDEEpilog(this, "--makeFolderPopup:=void");
}

// The pop-up index of the first custom folder whose name matches regardless of letter case; the
// main folder when there is no name, no folder or no match.
std::int64_t KorvanePrintPdeRk880JC::SearchSameFolderName(const std::optional<std::string>& name) const
{
    if (!name || !folderList)
        return kMainFolderIndex;
    for (std::size_t k = 0; k < folderList->size(); ++k) {
        const std::optional<std::string>& folderName = (*folderList)[k].name;
        if (folderName && platform::equalIgnoringCase(*folderName, *name))
            return kFirstFolderIndex + static_cast<std::int64_t>(k);
    }
    return kMainFolderIndex;
}
