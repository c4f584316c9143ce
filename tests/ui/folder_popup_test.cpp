// The folder pop-up built from the folder list, as the panel and its dump show it, and the
// search for a stored folder name.
#include "platform/automation.h"
#include "ui/panel_fixture.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using ui_testing::PanelFixture;

FolderEntry folder(std::optional<std::string> name, bool password = false)
{
    FolderEntry entry;
    entry.name = std::move(name);
    entry.password = password;
    return entry;
}

// The pop-up's items as the dump lists them: title, and "sep" or the image's name.
std::vector<std::string> dumpedItems(KorvanePrintPdeRk880JC& panel)
{
    const QJsonObject popUp = platform::describeControls(panel.panelView()).value("folderSelectionPopup").toObject();
    std::vector<std::string> items;
    for (const QJsonValue& value : popUp.value("items").toArray()) {
        const QJsonObject item = value.toObject();
        const std::string mark =
            item.value("separator").toBool() ? "sep" : item.value("image").toString().toStdString();
        items.push_back(item.value("title").toString().toStdString() + "|" + mark);
    }
    return items;
}

TEST(FolderPopup, ShowsFixedItemsSeparatorAndOneItemPerFolderWithItsPadlock)
{
    PanelFixture fixture("JobControl", "de");
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    panel.folderList = FolderList{folder("Finance", true), folder("Scans"), folder(std::nullopt)};
    panel.panelView();
    EXPECT_EQ(dumpedItems(panel), (std::vector<std::string>{"Schnellablage|space", "Hauptordner|space", "|sep",
                                                            "Finance|lock", "Scans|space", "|space"}));
    EXPECT_EQ(panel.folderSelectionPopup.indexOfSelectedItem(), 0);
}

TEST(FolderPopup, RebuildingDropsOldFoldersAndLocalizesTheFixedItemsAgain)
{
    PanelFixture fixture("JobControl", "de");
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    panel.folderList = FolderList{folder("A"), folder("B", true), folder("C")};
    panel.panelView();
    ASSERT_EQ(panel.folderSelectionPopup.numberOfItems(), 6);

    panel.folderList = FolderList{folder("D", true)};
    panel.folderSelectionPopup.setItemTitle(0, "Main Folder");
    panel.makeFolderPopup();
    const std::vector<std::string> once = dumpedItems(panel);
    EXPECT_EQ(once, (std::vector<std::string>{"Hauptordner|space", "Hauptordner|space", "|sep", "D|lock"}));
    panel.makeFolderPopup();
    EXPECT_EQ(dumpedItems(panel), once);

    panel.folderList = FolderList{};
    panel.makeFolderPopup();
    EXPECT_EQ(panel.folderSelectionPopup.numberOfItems(), 2);
    EXPECT_FALSE(panel.folderSelectionPopup.isSeparator(1));
    panel.folderList.reset();
    panel.makeFolderPopup();
    EXPECT_EQ(panel.folderSelectionPopup.numberOfItems(), 2);
}

TEST(FolderPopup, MatrixLayoutHasNoPopUpToBuild)
{
    PanelFixture fixture("JobControl2");
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    panel.folderList = FolderList{folder("A", true)};
    ASSERT_NE(panel.panelView(), nullptr);
    EXPECT_FALSE(panel.folderSelectionPopup.isPresent());
    panel.makeFolderPopup();
    EXPECT_TRUE(panel.folderSelectionMatrix.isPresent());
    EXPECT_FALSE(platform::describeControls(panel.panelView()).contains("folderSelectionPopup"));
}

TEST(SearchSameFolderName, FindsTheFirstFolderOfTheNameWhateverItsCase)
{
    PanelFixture fixture;
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    panel.folderList.reset();
    EXPECT_EQ(panel.SearchSameFolderName("Scans"), 1);
    panel.folderList = FolderList{};
    EXPECT_EQ(panel.SearchSameFolderName("Scans"), 1);

    panel.folderList =
        FolderList{folder(std::nullopt), folder("scans"), folder("SCANS"), folder("Ärger"), folder("Σοφία")};
    EXPECT_EQ(panel.SearchSameFolderName(std::nullopt), 1);
    EXPECT_EQ(panel.SearchSameFolderName("Scans"), 4);
    EXPECT_EQ(panel.SearchSameFolderName("SCANS"), 4);
    EXPECT_EQ(panel.SearchSameFolderName("äRGER"), 6);
    EXPECT_EQ(panel.SearchSameFolderName("ΣΟΦΊΑ"), 7);
    EXPECT_EQ(panel.SearchSameFolderName("Scan"), 1);
    EXPECT_EQ(panel.SearchSameFolderName(""), 1);
}

}  // namespace
