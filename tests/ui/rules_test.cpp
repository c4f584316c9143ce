// The enablement rules: which controls can be used, from the state of the others.
#include "ui/behaviour_fixture.h"

#include <QComboBox>

using namespace behaviour_test;

namespace {

class RulesTest : public PanelTest {
protected:
    // Runs every rule of the retention and filing groups, in the order retention runs them.
    void runRetentionRules() { panel->performAction("retentionCBoxProc:"); }

    // Sets the three locks of the retention and filing groups.
    void setFilingLocks(int state)
    {
        panel->suspendKeyButton.setState(state);
        panel->folderPasswordButton.setState(state);
        panel->folderNameButton.setState(state);
    }

    void expectFolderPassword(bool usable)
    {
        EXPECT_EQ(isRestored(panel->folderPasswordStaticText), usable);
        EXPECT_EQ(isRestored(panel->folderPasswordEditText), usable);
        EXPECT_EQ(panel->folderPasswordButton.isEnabled(), usable);
    }

    void expectPIN(bool usable)
    {
        EXPECT_EQ(isRestored(panel->suspendKeyStaticText), usable);
        EXPECT_EQ(isRestored(panel->suspendKeyEditText), usable);
        EXPECT_EQ(panel->suspendKeyButton.isEnabled(), usable);
    }
};

TEST_P(RulesTest, RetentionOffDisablesTheWholeGroupWhateverTheLocks)
{
    for (int lock : {0, 1}) {
        SCOPED_TRACE("locks " + std::to_string(lock));
        presetAll(false);
        for (platform::Control* control : {static_cast<platform::Control*>(&panel->suspendMatrix),
                                           static_cast<platform::Control*>(&panel->folderSelectionPopup),
                                           static_cast<platform::Control*>(&panel->folderSelectionMatrix)})
            control->setEnabled(true);
        setFilingLocks(lock);
        panel->retentionCheckBox.setState(0);
        runRetentionRules();

        EXPECT_FALSE(panel->suspendMatrix.isEnabled());
        EXPECT_FALSE(panel->suspendKeyButton.isEnabled());
        EXPECT_FALSE(panel->folderPasswordButton.isEnabled());
        EXPECT_TRUE(isDimmed(panel->suspendKeyStaticText));
        EXPECT_TRUE(isDimmed(panel->suspendKeyEditText));
        EXPECT_TRUE(isDimmed(panel->folderSelectionStaticText));
        EXPECT_TRUE(isDimmed(panel->folderPasswordStaticText));
        EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
        if (popUpLayout()) {
            EXPECT_FALSE(panel->folderSelectionPopup.isEnabled());
        } else {
            EXPECT_FALSE(panel->folderSelectionMatrix.isEnabled());
            EXPECT_FALSE(panel->folderNameButton.isEnabled());
            EXPECT_TRUE(isDimmed(panel->folderNameEditText));
        }
    }
    // The folder fetch, the account and the job identification do not depend on retention.
    EXPECT_TRUE(panel->getFolderNameButton.isEnabled());
    EXPECT_TRUE(panel->accountNumberButton.isEnabled());
    EXPECT_TRUE(panel->retentionCheckBox.isEnabled());
    EXPECT_TRUE(panel->printersAddressEditText.isEditable());
}

TEST_P(RulesTest, QuickFileDimsThePINAndTakesNoFolderPassword)
{
    panel->retentionCheckBox.setState(1);
    presetAll(false);
    chooseFolder(true);
    expectPIN(false);
    expectFolderPassword(false);

    presetAll(true);
    chooseFolder(false);
    expectPIN(true);
    expectFolderPassword(false);
    EXPECT_EQ(panel->folderNameButton.isEnabled(), false);
}

TEST_P(RulesTest, ALockDimsItsFieldButLeavesItsButtonUsable)
{
    panel->retentionCheckBox.setState(1);
    chooseFolder(false);
    panel->suspendKeyButton.setState(1);
    presetAll(false);
    panel->suspendKeyEditTextEnabled();
    panel->suspendKeyButtonEnabled();
    EXPECT_TRUE(isDimmed(panel->suspendKeyEditText));
    EXPECT_TRUE(panel->suspendKeyButton.isEnabled());

    panel->suspendKeyButton.setState(0);
    panel->suspendKeyEditTextEnabled();
    EXPECT_TRUE(isRestored(panel->suspendKeyEditText));
}

TEST_P(RulesTest, AuthenticationRowsSwapTheLoginAndUserNumberGroups)
{
    panel->authenticationMatrix.selectCellAtRow(kUserNumberRow);
    presetAll(false);
    panel->performAction("authenticationMatrixProc:");
    EXPECT_TRUE(isDimmed(panel->loginNameStaticText));
    EXPECT_TRUE(isDimmed(panel->loginNameEditText));
    EXPECT_TRUE(isDimmed(panel->passwordStaticText));
    EXPECT_TRUE(isDimmed(panel->passwordEditText));
    EXPECT_FALSE(panel->loginNameButton.isEnabled());
    EXPECT_FALSE(panel->passwordButton.isEnabled());
    EXPECT_TRUE(panel->userNumberButton.isEnabled());

    presetAll(true);
    panel->performAction("authenticationMatrixProc:");
    EXPECT_TRUE(isRestored(panel->userNumberEditText));

    panel->authenticationMatrix.selectCellAtRow(kLoginRow);
    presetAll(true);
    panel->performAction("authenticationMatrixProc:");
    EXPECT_TRUE(isRestored(panel->loginNameStaticText));
    EXPECT_TRUE(isRestored(panel->loginNameEditText));
    EXPECT_TRUE(isRestored(panel->passwordStaticText));
    EXPECT_TRUE(isRestored(panel->passwordEditText));
    EXPECT_TRUE(panel->loginNameButton.isEnabled());
    EXPECT_TRUE(panel->passwordButton.isEnabled());
    EXPECT_TRUE(isDimmed(panel->userNumberEditText));
    EXPECT_FALSE(panel->userNumberButton.isEnabled());
}

TEST_P(RulesTest, AuthenticationLocksDimOnlyTheirOwnField)
{
    panel->authenticationMatrix.selectCellAtRow(kLoginRow);
    panel->passwordButton.setState(1);
    presetAll(true);
    panel->performAction("authenticationMatrixProc:");
    EXPECT_TRUE(isRestored(panel->loginNameEditText));
    EXPECT_TRUE(isDimmed(panel->passwordEditText));
    EXPECT_TRUE(isRestored(panel->passwordStaticText));
    EXPECT_TRUE(panel->passwordButton.isEnabled());

    panel->authenticationMatrix.selectCellAtRow(kUserNumberRow);
    panel->userNumberButton.setState(1);
    presetAll(false);
    panel->performAction("authenticationMatrixProc:");
    EXPECT_TRUE(isDimmed(panel->userNumberEditText));
    EXPECT_TRUE(panel->userNumberButton.isEnabled());
}

TEST_P(RulesTest, JobIdentificationAndAccountFollowOnlyTheirLocks)
{
    struct Case {
        platform::TextField& field;
        platform::Button& lock;
        void (KorvanePrintPdeRk880JC::*rule)();
    };
    const Case cases[] = {
        {panel->userNameEditText, panel->userNameButton, &KorvanePrintPdeRk880JC::userNameEditTextEnabled},
        {panel->jobNameEditText, panel->jobNameButton, &KorvanePrintPdeRk880JC::jobNameEditTextEnabled},
        {panel->accountNumberEditText, panel->accountNumberButton,
         &KorvanePrintPdeRk880JC::accountNumberEditTextEnabled},
    };
    // Neither retention nor authentication plays a part.
    panel->retentionCheckBox.setState(0);
    panel->authenticationMatrix.selectCellAtRow(kUserNumberRow);
    for (const Case& c : cases) {
        c.lock.setState(1);
        (panel.get()->*c.rule)();
        EXPECT_TRUE(isDimmed(c.field));
        c.lock.setState(0);
        (panel.get()->*c.rule)();
        EXPECT_TRUE(isRestored(c.field));
    }
}

TEST_P(RulesTest, TheAccountNumberLockStaysAsLaidOut)
{
    for (bool enabled : {false, true}) {
        panel->accountNumberButton.setEnabled(enabled);
        panel->authenticationMatrix.selectCellAtRow(enabled ? kLoginRow : kUserNumberRow);
        panel->accountNumberButtonEnabled();
        EXPECT_EQ(panel->accountNumberButton.isEnabled(), enabled);
    }
}

TEST_P(RulesTest, WithoutFolderChoiceThePINFollowsRetentionAlone)
{
    // Deleting the widgets leaves the outlets empty, as a layout without them would.
    delete panel->folderSelectionPopup.widget();
    delete panel->folderSelectionMatrix.widget();
    ASSERT_FALSE(panel->folderSelectionPopup);
    ASSERT_FALSE(panel->folderSelectionMatrix);
    panel->folderList = FolderList{{"Secret", true, false, false}};

    panel->retentionCheckBox.setState(1);
    presetAll(true);
    runRetentionRules();
    expectPIN(true);
    EXPECT_TRUE(panel->suspendMatrix.isEnabled());

    presetAll(false);
    runRetentionRules();
    expectFolderPassword(false);
    EXPECT_FALSE(panel->folderNameButton.isEnabled());

    panel->retentionCheckBox.setState(0);
    presetAll(false);
    runRetentionRules();
    expectPIN(false);
}

TEST_P(RulesTest, AnAbsentAuthenticationMatrixReadsAsLogin)
{
    panel->authenticationMatrix = platform::Matrix();
    presetAll(true);
    panel->loginNameEditTextEnabled();
    panel->userNumberEditTextEnabled();
    panel->userNumberButtonEnabled();
    panel->loginNameButtonEnabled();
    EXPECT_TRUE(isRestored(panel->loginNameEditText));
    EXPECT_TRUE(panel->loginNameButton.isEnabled());
    EXPECT_TRUE(isDimmed(panel->userNumberEditText));
    EXPECT_FALSE(panel->userNumberButton.isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Layouts, RulesTest, ::testing::Values(kPopUpLayout, kMatrixLayout), layoutName);

// --- The folder pop-up's protected folders ---

class ProtectedFolderTest : public RulesTest {
protected:
    // The printer's folders: one that takes a password, one that does not.
    void SetUp() override
    {
        RulesTest::SetUp();
        panel->folderList = FolderList{{"Locked", true, false, false}, {"Open", false, false, false}};
        panel->makeFolderPopup();
        // Until the pop-up is built from the list, the test adds the items the list would give.
        if (panel->folderSelectionPopup.numberOfItems() <= kFirstFolderIndex) {
            panel->folderSelectionPopup.addSeparator();
            for (const FolderEntry& folder : *panel->folderList)
                panel->folderSelectionPopup.addItem(*folder.name, platform::Image());
        }
        ASSERT_GE(panel->folderSelectionPopup.numberOfItems(), kFirstFolderIndex + 2);
        panel->retentionCheckBox.setState(1);
    }

    void choose(int index)
    {
        panel->folderSelectionPopup.selectItemAtIndex(index);
        panel->performAction("folderSelectionPopUpButtonProc:");
    }
};

TEST_P(ProtectedFolderTest, AProtectedFolderTakesAFolderPassword)
{
    presetAll(true);
    choose(kFirstFolderIndex);
    expectFolderPassword(true);
    expectPIN(true);

    presetAll(false);
    choose(kFirstFolderIndex + 1);
    expectFolderPassword(false);

    presetAll(false);
    choose(kMainFolder);
    expectFolderPassword(false);
}

TEST_P(ProtectedFolderTest, TheLockDimsTheFolderPasswordButNotItsButton)
{
    panel->folderPasswordButton.setState(1);
    presetAll(true);
    choose(kFirstFolderIndex);
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
    EXPECT_TRUE(isRestored(panel->folderPasswordStaticText));
    EXPECT_TRUE(panel->folderPasswordButton.isEnabled());
}

TEST_P(ProtectedFolderTest, TheFlagIsLookedUpAnewInTheList)
{
    choose(kFirstFolderIndex);
    // The list changed under the pop-up: its first folder no longer takes a password.
    (*panel->folderList)[0].password = false;
    presetAll(false);
    panel->folderPasswordEditTextEnabled();
    panel->folderPasswordButtonEnabled();
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
    EXPECT_FALSE(panel->folderPasswordButton.isEnabled());

    // A pop-up item past the end of the list, or no list at all, is no protected folder.
    (*panel->folderList)[0].password = true;
    panel->folderList->clear();
    presetAll(false);
    panel->folderPasswordEditTextEnabled();
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
    panel->folderList.reset();
    presetAll(false);
    panel->folderPasswordEditTextEnabled();
    EXPECT_TRUE(isDimmed(panel->folderPasswordEditText));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ProtectedFolderTest, ::testing::Values(kPopUpLayout), layoutName);

// --- The folder matrix, alone and beside a pop-up ---

class FolderMatrixTest : public RulesTest {};

TEST_P(FolderMatrixTest, TheCustomFolderRowTakesAPasswordAndAName)
{
    panel->retentionCheckBox.setState(1);
    panel->folderSelectionMatrix.selectCellAtRow(kCustomFolder);
    presetAll(true);
    panel->performAction("folderSelectionMatrixProc:");
    expectFolderPassword(true);
    EXPECT_TRUE(isRestored(panel->folderNameEditText));
    EXPECT_TRUE(panel->folderNameButton.isEnabled());

    panel->folderNameButton.setState(1);
    presetAll(true);
    panel->performAction("folderNameButtonProc:");
    EXPECT_TRUE(isDimmed(panel->folderNameEditText));

    panel->folderSelectionMatrix.selectCellAtRow(kMainFolder);
    presetAll(false);
    panel->performAction("folderSelectionMatrixProc:");
    expectFolderPassword(false);
    EXPECT_TRUE(isDimmed(panel->folderNameEditText));
    EXPECT_FALSE(panel->folderNameButton.isEnabled());
}

TEST_P(FolderMatrixTest, BesideAPopUpEitherQuickFileDimsThePIN)
{
    QComboBox extra;
    extra.addItems({"Quick File", "Main Folder"});
    panel->folderSelectionPopup = platform::PopUp(&extra);
    panel->retentionCheckBox.setState(1);

    extra.setCurrentIndex(kQuickFile);
    panel->folderSelectionMatrix.selectCellAtRow(kCustomFolder);
    presetAll(false);
    runRetentionRules();
    expectPIN(false);
    // The custom folder row takes a password whatever the pop-up shows.
    expectFolderPassword(true);

    extra.setCurrentIndex(kMainFolder);
    panel->folderSelectionMatrix.selectCellAtRow(kQuickFile);
    presetAll(false);
    runRetentionRules();
    expectPIN(false);
    expectFolderPassword(false);

    panel->folderSelectionMatrix.selectCellAtRow(kMainFolder);
    presetAll(true);
    runRetentionRules();
    expectPIN(true);
    panel->folderSelectionPopup = platform::PopUp();
}

INSTANTIATE_TEST_SUITE_P(Layouts, FolderMatrixTest, ::testing::Values(kMatrixLayout), layoutName);

}  // namespace
