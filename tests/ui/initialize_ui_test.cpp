// The one-time preparation of the tab's controls, on both layouts and on hand-made controls
// for the cases the layouts do not hold; and the translations the preparation shows.
#include "platform/automation.h"
#include "ui/input_filters.h"
#include "ui/panel_fixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

using ui_testing::PanelFixture;

class InitializeUI : public ::testing::TestWithParam<const char*> {};

// The filter of a field, if it is a limiting one.
const LimitedLengthFilter* limitingFilter(const platform::TextField& field)
{
    return dynamic_cast<const LimitedLengthFilter*>(field.formatter());
}

TEST_P(InitializeUI, GivesEveryFieldItsFilterAndEveryLockItsPadlocks)
{
    PanelFixture fixture(GetParam());
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    ASSERT_NE(panel.panelView(), nullptr);
    EXPECT_TRUE(panel.hasInited);

    struct Limit {
        platform::TextField* field;
        bool digitsOnly;
        std::int64_t max;
    };
    const bool matrixLayout = panel.folderSelectionMatrix.isPresent();
    std::vector<Limit> limits = {{&panel.suspendKeyEditText, true, 5}, {&panel.folderPasswordEditText, true, 5},
                                 {&panel.userNumberEditText, true, 5}, {&panel.accountNumberEditText, true, 5},
                                 {&panel.passwordEditText, false, 31}, {&panel.userNameEditText, false, 32},
                                 {&panel.jobNameEditText, false, 80}};
    if (matrixLayout)
        limits.push_back({&panel.folderNameEditText, false, 255});
    for (const Limit& limit : limits) {
        const LimitedLengthFilter* filter = limitingFilter(*limit.field);
        ASSERT_NE(filter, nullptr) << limit.field->widget()->objectName().toStdString();
        EXPECT_EQ(filter->maxValue, limit.max);
        EXPECT_EQ(filter->format(), "##0");
        EXPECT_EQ(dynamic_cast<const MyIntegerNumberFilter*>(filter) != nullptr, limit.digitsOnly);
    }
    auto* login = dynamic_cast<const LoginnameInputFilter*>(panel.loginNameEditText.formatter());
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->m_context, static_cast<LoginnameInputFilterCallback*>(&panel));
    EXPECT_EQ(panel.printersAddressEditText.formatter(), nullptr);

    std::vector<platform::Button*> locks = {
        &panel.suspendKeyButton, &panel.folderPasswordButton, &panel.loginNameButton, &panel.passwordButton,
        &panel.userNumberButton, &panel.accountNumberButton,  &panel.userNameButton,  &panel.jobNameButton};
    if (matrixLayout)
        locks.push_back(&panel.folderNameButton);
    for (platform::Button* lock : locks) {
        EXPECT_EQ(lock->imageName(), "ulck");
        EXPECT_EQ(lock->alternateImageName(), "lock");
        auto* button = qobject_cast<QAbstractButton*>(lock->widget());
        EXPECT_TRUE(button->isCheckable());
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->iconSize(), QSize(18, 18));
    }

    EXPECT_TRUE(panel.chasingArrow.isHidden());
    EXPECT_EQ(panel.printersAddressEditText.stringValue(), "127.0.0.1");
    EXPECT_EQ(panel.tabView.selectedIndex(), 0);
    EXPECT_EQ(panel.suspendKeyStaticText.stringValue(), "PIN:");
    EXPECT_TRUE(panel.retentionCheckBox.isEnabled());
}

TEST_P(InitializeUI, SecondCallChangesNothing)
{
    PanelFixture fixture(GetParam(), "de");
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    panel.panelView();
    ASSERT_EQ(panel.loginNameStaticText.stringValue(), "Anmeldename:");
    const platform::Formatter* filter = panel.suspendKeyEditText.formatter();
    panel.loginNameStaticText.setStringValue("Login Name:");
    panel.tabView.setLabel(0, "Retention and Filing");
    panel.initializeUI();
    panel.willShow();
    EXPECT_EQ(panel.loginNameStaticText.stringValue(), "Login Name:");
    EXPECT_EQ(panel.tabView.label(0), "Retention and Filing");
    EXPECT_EQ(panel.suspendKeyEditText.formatter(), filter);
}

TEST_P(InitializeUI, FieldsOfTheShownPanelFilterRealKeyPresses)
{
    PanelFixture fixture(GetParam());
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    QWidget* view = panel.panelView();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));

    auto* pin = qobject_cast<QLineEdit*>(panel.suspendKeyEditText.widget());
    QTest::keyClicks(pin, "12a345678");
    EXPECT_EQ(pin->text(), "12345");

    auto* password = qobject_cast<QLineEdit*>(panel.passwordEditText.widget());
    QTest::keyClicks(password, QString(40, QChar(u'p')));
    EXPECT_EQ(password->text().size(), 31);

    auto* login = qobject_cast<QLineEdit*>(panel.loginNameEditText.widget());
    QTest::keyClicks(login, QString(200, QChar(u'l')));
    EXPECT_EQ(login->text().size(), 200);

    if (auto* folderName = qobject_cast<QLineEdit*>(panel.folderNameEditText.widget())) {
        QTest::keyClicks(folderName, QString(300, QChar(u'f')));
        EXPECT_EQ(folderName->text().size(), 255);
    }

    // The batch host's --set and --paste go through the same filters.
    std::string error;
    EXPECT_TRUE(platform::operateControl(view, "userNumberEditText", "9x87", &error)) << error;
    EXPECT_EQ(panel.userNumberEditText.stringValue(), "987");
    EXPECT_TRUE(platform::pasteIntoControl(view, "accountNumberEditText", "abcdefgh", &error)) << error;
    EXPECT_EQ(panel.accountNumberEditText.stringValue(), "abcde");
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, InitializeUI, ::testing::ValuesIn(ui_testing::kLayouts));

// Hand-made controls stand in for layouts that hold fewer or other controls.
TEST(InitializeUIOnOtherControls, LocalizesOnlyTheFirstThreeTabsAndSelectsTheFirst)
{
    for (int count : {1, 4}) {
        PanelFixture fixture(std::nullopt, "de");
        QTabWidget tabs;
        for (int i = 0; i < count; ++i)
            tabs.addTab(new QWidget, "Job Control");
        tabs.setCurrentIndex(count - 1);
        fixture.panel->tabView = platform::TabView(&tabs);
        fixture.panel->initializeUI();
        EXPECT_EQ(tabs.tabText(0), "Auftragssteuerung");
        if (count == 4) {
            EXPECT_EQ(tabs.tabText(2), "Auftragssteuerung");
            EXPECT_EQ(tabs.tabText(3), "Job Control");
        }
        EXPECT_EQ(tabs.currentIndex(), 0);
    }
}

TEST(InitializeUIOnOtherControls, RunsWithoutOptionalFieldsAndKeepsALaidOutAddress)
{
    PanelFixture fixture;
    KorvanePrintPdeRk880JC& panel = *fixture.panel;
    QLineEdit pin;
    QLineEdit address("as laid out");
    panel.suspendKeyEditText = platform::TextField(&pin);
    panel.printersAddressEditText = platform::TextField(&address);
    panel.mfpURL.reset();
    panel.initializeUI();
    EXPECT_TRUE(panel.hasInited);
    EXPECT_EQ(address.text(), "as laid out");
    EXPECT_NE(limitingFilter(panel.suspendKeyEditText), nullptr);
    panel.mfpURL = "192.0.2.7";
    panel.hasInited = false;
    panel.initializeUI();
    EXPECT_EQ(address.text(), "192.0.2.7");
}

// Every caption, tab label, box title, item title and tool tip of a loaded layout, by the object
// that shows it.
std::map<std::string, QString> captionsOf(QWidget* view)
{
    std::map<std::string, QString> captions;
    for (QWidget* widget : view->findChildren<QWidget*>()) {
        const std::string name = widget->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(widget))
            captions[name] = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !button->text().isEmpty())
            captions[name] = button->text();
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            captions[name] = box->title();
        else if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                captions[name + "#" + std::to_string(i)] = tabs->tabText(i);
        else if (auto* popUp = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < popUp->count(); ++i)
                captions[name + "#" + std::to_string(i)] = popUp->itemText(i);
        if (!widget->toolTip().isEmpty())
            captions[name + "#tip"] = widget->toolTip();
    }
    return captions;
}

TEST(Translations, EveryCaptionOfBothLayoutsReadsInGermanAndJapaneseWithItsColon)
{
    for (const char* layout : ui_testing::kLayouts) {
        PanelFixture english(layout, "en");
        const auto source = captionsOf(english.panel->panelView());
        ASSERT_GT(source.size(), 30u);
        for (const char* language : {"de", "ja"}) {
            PanelFixture local(layout, language);
            const auto translated = captionsOf(local.panel->panelView());
            for (const auto& [name, text] : source) {
                SCOPED_TRACE(std::string(layout) + " " + language + " " + name);
                const QString shown = translated.at(name);
                // "PIN" is German as well.
                if (!(std::string(language) == "de" && text == "PIN:")) {
                    EXPECT_NE(shown, text);
                }
                EXPECT_EQ(shown.endsWith(':'), text.endsWith(':'));
            }
        }
    }
}

TEST(Translations, PanelNameSummaryWordsAndAlertTextsAreTranslated)
{
    for (const char* language : {"de", "ja"}) {
        PanelFixture fixture(std::nullopt, language);
        const platform::Bundle& bundle = fixture.panel->pdeBundle;
        EXPECT_NE(fixture.panel->panelName(), "Job Control");
        EXPECT_NE(bundle.localizedString("On"), "On");
        EXPECT_NE(bundle.localizedString("Off"), "Off");
        const std::string alert = bundle.localizedString("Could not retrieve Folder Names.%@");
        EXPECT_NE(alert, "Could not retrieve Folder Names.%@");
        EXPECT_NE(alert.find("%@"), std::string::npos);
    }
}

}  // namespace
