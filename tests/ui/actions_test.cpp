// The control actions: the choices they keep consistent, the values they drop, the login-name
// mask, and where the keyboard focus ends up.
#include "ui/behaviour_fixture.h"

#include "platform/automation.h"

using namespace behaviour_test;

namespace {

const std::string kBullet = "\xE2\x80\xA2";

std::string bullets(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += kBullet;
    return text;
}

class ActionsTest : public PanelTest {
protected:
    // Operates a control as a user would (it sends its action); fails the test when refused.
    void operate(const std::string& outlet, const std::string& value)
    {
        std::string error;
        ASSERT_TRUE(platform::operateControl(view, outlet, value, &error)) << error;
    }

    std::string text(const platform::TextField& field) const { return field.stringValue().value_or("<absent>"); }

    int folderChoice() const
    {
        return panel->folderSelectionPopup ? panel->folderSelectionPopup.indexOfSelectedItem()
                                           : panel->folderSelectionMatrix.selectedRow();
    }

    // Operates whichever folder control the layout has.
    void operateFolder(int choice)
    {
        operate(panel->folderSelectionPopup ? "folderSelectionPopup" : "folderSelectionMatrix", std::to_string(choice));
    }
};

TEST_P(ActionsTest, RetentionOffResetsTheChoicesAndDropsUnlockedValues)
{
    for (int lock : {0, 1}) {
        SCOPED_TRACE("PIN lock " + std::to_string(lock));
        operate("retentionCheckBox", "1");
        operate("suspendMatrix", std::to_string(kSamplePrint));
        operateFolder(kMainFolder);
        operate("suspendKeyEditText", "1234");
        operate("suspendKeyButton", std::to_string(lock));
        operate("retentionCheckBox", "0");

        EXPECT_EQ(panel->suspendMatrix.selectedRow(), kHoldOnly);
        EXPECT_EQ(text(panel->suspendKeyEditText), lock ? "1234" : "");
        EXPECT_TRUE(isDimmed(panel->suspendKeyEditText));
        EXPECT_FALSE(panel->suspendMatrix.isEnabled());
        EXPECT_FALSE(panel->suspendKeyButton.isEnabled());
        panel->suspendKeyButton.setState(0);
    }
}

TEST_P(ActionsTest, RetentionOffLeavesQuickFileForTheMainFolder)
{
    operate("retentionCheckBox", "1");
    operate("suspendMatrix", std::to_string(kHoldAfterPrint));
    operateFolder(kQuickFile);
    ASSERT_EQ(folderChoice(), kQuickFile);
    operate("retentionCheckBox", "0");
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kHoldOnly);
    EXPECT_EQ(folderChoice(), kMainFolder);

    // Turning retention on again changes no choice and clears nothing.
    panel->suspendKeyEditText.setStringValue("99");
    panel->folderPasswordEditText.setStringValue("55");
    operate("retentionCheckBox", "1");
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kHoldOnly);
    EXPECT_EQ(folderChoice(), kMainFolder);
    EXPECT_EQ(text(panel->suspendKeyEditText), "99");
    EXPECT_EQ(text(panel->folderPasswordEditText), "55");
    EXPECT_TRUE(isRestored(panel->suspendKeyEditText));
}

TEST_P(ActionsTest, RetentionOffDropsUnlockedFolderValuesOnly)
{
    operate("retentionCheckBox", "1");
    panel->folderPasswordEditText.setStringValue("111");
    panel->folderNameEditText.setStringValue("Plans");
    panel->folderPasswordButton.setState(1);
    operate("retentionCheckBox", "0");
    EXPECT_EQ(text(panel->folderPasswordEditText), "111");
    if (panel->folderNameEditText) {
        EXPECT_EQ(text(panel->folderNameEditText), "");
    }

    panel->folderPasswordButton.setState(0);
    panel->folderNameButton.setState(1);
    panel->folderNameEditText.setStringValue("Plans");
    operate("retentionCheckBox", "0");
    EXPECT_EQ(text(panel->folderPasswordEditText), "");
    if (panel->folderNameEditText) {
        EXPECT_EQ(text(panel->folderNameEditText), "Plans");
    }
}

TEST_P(ActionsTest, OnlyHoldAfterPrintMayFileIntoQuickFile)
{
    operate("retentionCheckBox", "1");
    operate("suspendMatrix", std::to_string(kHoldAfterPrint));
    operateFolder(kQuickFile);
    operate("suspendMatrix", std::to_string(kHoldAfterPrint));
    EXPECT_EQ(folderChoice(), kQuickFile);
    operate("suspendMatrix", std::to_string(kSamplePrint));
    EXPECT_EQ(folderChoice(), kMainFolder);

    operateFolder(kQuickFile);
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kHoldAfterPrint);
    operate("suspendMatrix", std::to_string(kHoldOnly));
    EXPECT_EQ(folderChoice(), kMainFolder);
}

TEST_P(ActionsTest, ChoosingQuickFileSelectsHoldAfterPrintAndDropsAnUnlockedPIN)
{
    operate("retentionCheckBox", "1");
    operateFolder(kMainFolder);
    operate("suspendMatrix", std::to_string(kHoldOnly));
    operate("suspendKeyEditText", "42");
    operateFolder(kQuickFile);
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kHoldAfterPrint);
    EXPECT_EQ(text(panel->suspendKeyEditText), "");
    EXPECT_TRUE(isDimmed(panel->suspendKeyEditText));

    operateFolder(kMainFolder);
    operate("suspendKeyEditText", "42");
    operate("suspendKeyButton", "1");
    operateFolder(kQuickFile);
    EXPECT_EQ(text(panel->suspendKeyEditText), "42");
}

TEST_P(ActionsTest, SimpleLocksDimTheirFieldAndKeepItsText)
{
    struct Case {
        const char* field;
        const char* lock;
        const char* value;
    };
    const Case cases[] = {
        {"passwordEditText", "passwordButton", "secret"},
        {"userNameEditText", "userNameButton", "Ann"},
        {"jobNameEditText", "jobNameButton", "Report"},
        {"accountNumberEditText", "accountNumberButton", "77"},
    };
    showActive();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        operate(c.field, c.value);
        operate(c.lock, "1");
        platform::TextField field(view->findChild<QWidget*>(c.field));
        EXPECT_TRUE(isDimmed(field));
        EXPECT_EQ(text(field), c.value);
        EXPECT_EQ(focus(), std::nullopt);
        operate(c.lock, "0");
        EXPECT_TRUE(isRestored(field));
        EXPECT_EQ(text(field), c.value);
        EXPECT_EQ(focus(), c.field);
    }
}

TEST_P(ActionsTest, UnlockingThePINWithRetentionOffKeepsItDimmed)
{
    operate("retentionCheckBox", "1");
    operateFolder(kMainFolder);
    operate("suspendKeyButton", "1");
    operate("retentionCheckBox", "0");
    panel->suspendKeyButton.setState(0);
    panel->performAction("suspendKeyButtonProc:");
    EXPECT_TRUE(isDimmed(panel->suspendKeyEditText));
}

TEST_P(ActionsTest, SwitchingAuthenticationDropsTheOtherMethodAndMovesTheFocus)
{
    showActive();
    operate("authenticationMatrix", std::to_string(kLoginRow));
    operate("loginNameEditText", "ann");
    operate("passwordEditText", "pw");
    operate("authenticationMatrix", std::to_string(kUserNumberRow));
    EXPECT_EQ(text(panel->loginNameEditText), "");
    EXPECT_EQ(text(panel->passwordEditText), "");
    EXPECT_EQ(focus(), "userNumberEditText");

    operate("userNumberEditText", "123");
    operate("authenticationMatrix", std::to_string(kLoginRow));
    EXPECT_EQ(text(panel->userNumberEditText), "");
    EXPECT_EQ(focus(), "loginNameEditText");

    // A remembered login name is dimmed: the focus goes on to the password.
    operate("loginNameEditText", "ann");
    operate("loginNameButton", "1");
    operate("authenticationMatrix", std::to_string(kUserNumberRow));
    EXPECT_EQ(panel->loginNameStringRef, "ann");
    EXPECT_EQ(text(panel->loginNameEditText), bullets(3));
    operate("userNumberEditText", "123");
    operate("userNumberButton", "1");
    operate("authenticationMatrix", std::to_string(kLoginRow));
    EXPECT_EQ(text(panel->userNumberEditText), "123");
    EXPECT_EQ(focus(), "passwordEditText");

    // With both login fields remembered the focus stays where the rules left it: nowhere.
    operate("passwordEditText", "pw");
    operate("passwordButton", "1");
    operate("authenticationMatrix", std::to_string(kLoginRow));
    EXPECT_EQ(focus(), std::nullopt);
    EXPECT_EQ(text(panel->passwordEditText), "pw");

    // A remembered user number stays dimmed and takes no focus.
    operate("authenticationMatrix", std::to_string(kUserNumberRow));
    EXPECT_EQ(focus(), std::nullopt);
}

TEST_P(ActionsTest, TheLoginNameLockMasksOneBulletPerUTF16Unit)
{
    operate("loginNameEditText", "abc");
    operate("loginNameButton", "1");
    EXPECT_EQ(text(panel->loginNameEditText), bullets(3));
    EXPECT_EQ(panel->loginNameStringRef, "abc");
    EXPECT_TRUE(panel->loginNameLockFlag);
    EXPECT_FALSE(panel->loginNameUnLockFlag);
    EXPECT_TRUE(isDimmed(panel->loginNameEditText));

    // Running the action again while masked keeps the name, not the bullets.
    panel->performAction("loginNameButtonProc:");
    EXPECT_EQ(panel->loginNameStringRef, "abc");
    EXPECT_EQ(text(panel->loginNameEditText), bullets(3));

    operate("loginNameButton", "0");
    EXPECT_EQ(text(panel->loginNameEditText), "");
    EXPECT_EQ(panel->loginNameStringRef, std::nullopt);
    EXPECT_FALSE(panel->loginNameLockFlag);
    EXPECT_FALSE(panel->loginNameUnLockFlag);
    EXPECT_TRUE(isRestored(panel->loginNameEditText));

    // Characters outside the basic plane take two UTF-16 units, so two bullets each.
    const std::string name = "\xC3\xA9\xF0\x9F\x98\x80x\xF0\xA0\x80\x8B";  // é, a face, x, a CJK ideograph
    panel->loginNameEditText.setStringValue(name);
    operate("loginNameButton", "1");
    EXPECT_EQ(text(panel->loginNameEditText), bullets(6));
    EXPECT_EQ(panel->loginNameStringRef, name);
}

TEST_P(ActionsTest, LockingAnEmptyLoginNameCapturesNothingVisible)
{
    operate("loginNameButton", "1");
    EXPECT_EQ(text(panel->loginNameEditText), "");
    EXPECT_EQ(panel->loginNameStringRef, "");
    EXPECT_TRUE(panel->loginNameLockFlag);
    EXPECT_TRUE(isDimmed(panel->loginNameEditText));
}

TEST_P(ActionsTest, UnlockingTheLoginNameUnderUserNumberKeepsItDimmed)
{
    operate("loginNameEditText", "ann");
    operate("loginNameButton", "1");
    operate("authenticationMatrix", std::to_string(kUserNumberRow));
    panel->loginNameButton.setState(0);
    panel->performAction("loginNameButtonProc:");
    EXPECT_EQ(text(panel->loginNameEditText), "");
    EXPECT_TRUE(isDimmed(panel->loginNameEditText));
}

TEST_P(ActionsTest, EveryActionIsHarmlessWithoutAView)
{
    testing_support::TestHost bare;
    bare.layout = GetParam();
    auto unloaded = bare.makePanel();
    for (const char* action :
         {"tabProc:", "retentionCBoxProc:", "suspendKeyMatrixProc:", "suspendKeyButtonProc:",
          "folderSelectionPopUpButtonProc:", "folderPasswordButtonProc:", "folderNameButtonProc:",
          "folderSelectionMatrixProc:", "authenticationMatrixProc:", "loginNameButtonProc:", "passwordButtonProc:",
          "userNumberButtonProc:", "userNameButtonProc:", "jobNameButtonProc:", "accountNumberButtonProc:",
          "suspendKeyETextProc:", "loginNameETextProc:", "printersAddressButtonProc:", "noSuchAction:"})
        unloaded->performAction(action);
    EXPECT_FALSE(unloaded->loginNameLockFlag);
    EXPECT_EQ(unloaded->loginNameStringRef, std::nullopt);
}

// --- A layout without pop-up and matrix ---

TEST_P(ActionsTest, WithoutFolderChoiceRetentionStillGovernsThePIN)
{
    delete panel->folderSelectionPopup.widget();
    delete panel->folderSelectionMatrix.widget();
    operate("retentionCheckBox", "1");
    operate("suspendMatrix", std::to_string(kSamplePrint));
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kSamplePrint);
    operate("suspendKeyEditText", "12345");
    EXPECT_TRUE(isRestored(panel->suspendKeyEditText));
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
    EXPECT_FALSE(panel->folderPasswordButton.isEnabled());

    operate("retentionCheckBox", "0");
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kHoldOnly);
    EXPECT_EQ(text(panel->suspendKeyEditText), "");
    EXPECT_TRUE(isDimmed(panel->suspendKeyEditText));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ActionsTest, ::testing::Values(kPopUpLayout, kMatrixLayout), layoutName);

// --- The folder matrix ---

class FolderMatrixActionsTest : public ActionsTest {};

TEST_P(FolderMatrixActionsTest, OnlyTheCustomRowKeepsFolderPasswordAndName)
{
    operate("retentionCheckBox", "1");
    operate("folderSelectionMatrix", std::to_string(kCustomFolder));
    operate("folderPasswordEditText", "321");
    operate("folderNameEditText", "Plans");
    operate("folderSelectionMatrix", std::to_string(kCustomFolder));
    EXPECT_EQ(text(panel->folderPasswordEditText), "321");
    EXPECT_EQ(text(panel->folderNameEditText), "Plans");

    operate("folderNameButton", "1");
    operate("folderSelectionMatrix", std::to_string(kMainFolder));
    EXPECT_EQ(text(panel->folderPasswordEditText), "");
    EXPECT_EQ(text(panel->folderNameEditText), "Plans");
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
    EXPECT_TRUE(isDimmed(panel->folderNameEditText));
}

INSTANTIATE_TEST_SUITE_P(Layouts, FolderMatrixActionsTest, ::testing::Values(kMatrixLayout), layoutName);

// --- The folder pop-up ---

class PopUpActionsTest : public ActionsTest {
protected:
    void SetUp() override
    {
        ActionsTest::SetUp();
        panel->folderList = FolderList{{"Locked", true, false, false}, {"Open", false, false, false}};
        panel->makeFolderPopup();
        // Until the pop-up is built from the list, the test adds the items the list would give.
        if (panel->folderSelectionPopup.numberOfItems() <= kFirstFolderIndex) {
            panel->folderSelectionPopup.addSeparator();
            for (const FolderEntry& folder : *panel->folderList)
                panel->folderSelectionPopup.addItem(*folder.name, platform::Image());
        }
    }

    // The actions in the order the settings reader runs them after filling the controls.
    void runActionsAsTheReaderDoes()
    {
        for (const char* action :
             {"retentionCBoxProc:", "suspendKeyButtonProc:", "folderNameButtonProc:", "loginNameButtonProc:",
              "passwordButtonProc:", "userNumberButtonProc:", "accountNumberButtonProc:", "authenticationMatrixProc:",
              "userNameButtonProc:", "jobNameButtonProc:", "folderPasswordButtonProc:", "retentionCBoxProc:",
              "folderSelectionPopUpButtonProc:"})
            panel->performAction(action);
    }
};

TEST_P(PopUpActionsTest, ChangingFolderKeepsTheFolderPassword)
{
    operate("retentionCheckBox", "1");
    operate("folderSelectionPopup", std::to_string(kFirstFolderIndex));
    operate("folderPasswordEditText", "9876");
    operate("folderSelectionPopup", std::to_string(kFirstFolderIndex + 1));
    EXPECT_EQ(text(panel->folderPasswordEditText), "9876");
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
    operate("folderSelectionPopup", std::to_string(kFirstFolderIndex));
    EXPECT_TRUE(isRestored(panel->folderPasswordEditText));
}

TEST_P(PopUpActionsTest, TheFolderMatrixActionIgnoresAnAbsentMatrix)
{
    operate("retentionCheckBox", "1");
    operate("suspendMatrix", std::to_string(kSamplePrint));
    operate("folderSelectionPopup", std::to_string(kMainFolder));
    operate("suspendKeyEditText", "5");
    panel->performAction("folderSelectionMatrixProc:");
    EXPECT_EQ(panel->suspendMatrix.selectedRow(), kSamplePrint);
    EXPECT_EQ(text(panel->suspendKeyEditText), "5");
}

TEST_P(PopUpActionsTest, AfterTheReaderTheFocusFollowsTheFolderPassword)
{
    showActive();
    panel->retentionCheckBox.setState(1);
    panel->suspendMatrix.selectCellAtRow(kHoldAfterPrint);
    panel->folderSelectionPopup.selectItemAtIndex(kFirstFolderIndex);
    panel->authenticationMatrix.selectCellAtRow(kUserNumberRow);
    runActionsAsTheReaderDoes();
    EXPECT_EQ(focus(), "folderPasswordEditText");

    // Remembered, the folder password is dimmed, and no control keeps the focus.
    panel->folderPasswordButton.setState(1);
    runActionsAsTheReaderDoes();
    EXPECT_EQ(focus(), std::nullopt);

    // A folder without a password leaves no control focused either.
    panel->folderPasswordButton.setState(0);
    panel->folderSelectionPopup.selectItemAtIndex(kFirstFolderIndex + 1);
    runActionsAsTheReaderDoes();
    EXPECT_EQ(focus(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PopUpActionsTest, ::testing::Values(kPopUpLayout), layoutName);

}  // namespace
