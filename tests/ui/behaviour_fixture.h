// A panel of the built bundle with its view loaded, for the tests of the enablement rules
// and the control actions, run once per layout.
#pragma once

#include "support/test_host.h"
#include "ui/hilite.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace behaviour_test {

inline constexpr const char* kPopUpLayout = "JobControl";
inline constexpr const char* kMatrixLayout = "JobControl2";

// Retention modes, folder pop-up indexes and matrix rows as the panel uses them.
inline constexpr int kHoldOnly = 0;
inline constexpr int kHoldAfterPrint = 1;
inline constexpr int kSamplePrint = 2;
inline constexpr int kQuickFile = 0;
inline constexpr int kMainFolder = 1;
inline constexpr int kCustomFolder = 2;
inline constexpr int kFirstFolderIndex = 3;
inline constexpr int kLoginRow = 0;
inline constexpr int kUserNumberRow = 1;

// The panel of one layout with its view loaded (not shown).
class PanelTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        host.layout = GetParam();
        panel = host.makePanel();
        view = panel->panelView();
        ASSERT_NE(view, nullptr) << "layout " << GetParam();
    }

    void TearDown() override { panel.reset(); }

    bool popUpLayout() const { return GetParam() == kPopUpLayout; }

    // Shows the view as the active top-level window, so keyboard focus behaves as for a user.
    void showActive()
    {
        view->show();
        QApplication::setActiveWindow(view);
        ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    }

    // The outlet that holds the keyboard focus, or nothing.
    std::optional<std::string> focus() const { return platform::firstResponderName(view); }

    // Chooses quick file (true) or the main folder (false) in whichever control the layout has,
    // and lets that control send its action.
    void chooseFolder(bool quickFile)
    {
        if (panel->folderSelectionPopup) {
            panel->folderSelectionPopup.selectItemAtIndex(quickFile ? kQuickFile : kMainFolder);
            panel->performAction("folderSelectionPopUpButtonProc:");
        } else {
            panel->folderSelectionMatrix.selectCellAtRow(quickFile ? kQuickFile : kMainFolder);
            panel->performAction("folderSelectionMatrixProc:");
        }
    }

    // Sets the retention check box and lets it send its action.
    void setRetention(bool on)
    {
        panel->retentionCheckBox.setState(on ? 1 : 0);
        panel->performAction("retentionCBoxProc:");
    }

    // Puts every field and lock button the rules decide into the state opposite to what a test
    // expects, so that each expectation sees a rule at work rather than the layout's defaults.
    // The matrices and the pop-up are left alone: disabling a matrix disables the fields it
    // holds, a state no sequence of the panel's own rules leaves behind.
    void presetAll(bool dimmedAndDisabled)
    {
        for (platform::TextField* field :
             {&panel->suspendKeyStaticText, &panel->suspendKeyEditText, &panel->folderSelectionStaticText,
              &panel->folderPasswordStaticText, &panel->folderPasswordEditText, &panel->folderNameEditText,
              &panel->loginNameStaticText, &panel->loginNameEditText, &panel->passwordStaticText,
              &panel->passwordEditText, &panel->userNumberEditText, &panel->userNameEditText, &panel->jobNameEditText,
              &panel->accountNumberEditText})
            myRk880JCHilite(*field, dimmedAndDisabled);
        for (platform::Button* control :
             {&panel->suspendKeyButton, &panel->folderPasswordButton, &panel->folderNameButton, &panel->loginNameButton,
              &panel->passwordButton, &panel->userNumberButton})
            control->setEnabled(!dimmedAndDisabled);
    }

    testing_support::ScopedUserDirs userDirs;
    testing_support::TestHost host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
    QWidget* view = nullptr;
};

// Whether a field is dimmed as the panel dims it: gray, and for an edit field also neither
// editable nor selectable.
inline ::testing::AssertionResult isDimmed(const platform::TextField& field)
{
    if (!field)
        return ::testing::AssertionFailure() << "the field is absent";
    if (field.textColor() != platform::TextColor::Gray)
        return ::testing::AssertionFailure() << "its text is black";
    if (field.isEditField() && (field.isEditable() || field.isSelectable()))
        return ::testing::AssertionFailure() << "it is gray but can still be edited";
    return ::testing::AssertionSuccess() << "it is dimmed";
}

// Whether a field is restored: black, and for an edit field editable and selectable.
inline ::testing::AssertionResult isRestored(const platform::TextField& field)
{
    if (!field)
        return ::testing::AssertionFailure() << "the field is absent";
    if (field.textColor() != platform::TextColor::Black)
        return ::testing::AssertionFailure() << "its text is gray";
    if (field.isEditField() && (!field.isEditable() || !field.isSelectable()))
        return ::testing::AssertionFailure() << "it is black but cannot be edited";
    return ::testing::AssertionSuccess() << "it is restored";
}

inline std::string layoutName(const ::testing::TestParamInfo<std::string>& info)
{
    return info.param;
}

}  // namespace behaviour_test
