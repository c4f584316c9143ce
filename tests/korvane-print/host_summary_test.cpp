// The lines the panel gives the dialog's summary page, read from its controls.
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;
using testing_support::TestHost;
using Lines = std::map<std::string, std::string>;

namespace {

// A copy of the built bundle whose layout lacks some controls, as a layout of another model
// might.
class BundleWithout {
public:
    explicit BundleWithout(const std::vector<QString>& outlets)
    {
        const QString resources = dir_.path() + "/Resources";
        QDir().mkpath(resources);
        const QDir built(QString::fromStdString(TestHost::bundleDir()) + "/Resources");
        for (const QString& name : built.entryList(QDir::Files))
            QFile::copy(built.filePath(name), resources + "/" + name);
        QFile layout(resources + "/JobControl.ui");
        QDomDocument document;
        if (!layout.open(QIODevice::ReadOnly) || !document.setContent(&layout))
            return;
        layout.close();
        for (const QString& outlet : outlets)
            removeWidget(document, outlet);
        if (layout.open(QIODevice::WriteOnly | QIODevice::Truncate))
            written_ = layout.write(document.toByteArray()) > 0;
    }

    bool isReady() const { return written_; }
    std::string path() const { return dir_.path().toStdString(); }

private:
    // Removes the widget with its layout item, and the references to it.
    static void removeWidget(QDomDocument& document, const QString& outlet)
    {
        const QDomNodeList widgets = document.elementsByTagName("widget");
        for (int i = 0; i < widgets.count(); ++i) {
            QDomElement widget = widgets.at(i).toElement();
            if (widget.attribute("name") != outlet)
                continue;
            QDomNode holder = widget.parentNode().nodeName() == "item" ? widget.parentNode() : widget;
            holder.parentNode().removeChild(holder);
            break;
        }
        const QDomNodeList stops = document.elementsByTagName("tabstop");
        for (int i = stops.count() - 1; i >= 0; --i)
            if (stops.at(i).toElement().text() == outlet)
                stops.at(i).parentNode().removeChild(stops.at(i));
    }

    QTemporaryDir dir_;
    bool written_ = false;
};

class HostSummary : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel = host.makePanel();
        ASSERT_NE(panel->panelView(), nullptr) << "the built bundle's layout did not load";
        panel->willShow();
    }

    // The panel's controls in a known state: retention off, nothing typed.
    void setRetention(bool on) { panel->retentionCheckBox.setState(on ? 1 : 0); }
    void setText(platform::TextField& field, const std::string& text) { field.setStringValue(text); }
    // The folder pop-up as the panel builds it, with one custom folder, showing `index`.
    void showFolders(int index)
    {
        platform::PopUp& popUp = panel->folderSelectionPopup;
        popUp.removeAllItems();
        popUp.addItem("Quick File", std::shared_ptr<void>());
        popUp.addItem("Main Folder", std::shared_ptr<void>());
        popUp.addSeparator();
        popUp.addItem("Reports", std::shared_ptr<void>());
        popUp.selectItemAtIndex(index);
    }

    ScopedUserDirs userDirs;
    TestHost host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
};

TEST_F(HostSummary, IsEmptyBeforeTheControlsAreSetUp)
{
    TestHost other;
    auto fresh = other.makePanel();
    EXPECT_TRUE(fresh->summaryInfo().empty());
}

TEST_F(HostSummary, RetentionOffGivesOneRetentionLineAndTheNames)
{
    setRetention(false);
    showFolders(3);
    panel->suspendMatrix.selectCellAtRow(0);
    setText(panel->userNameEditText, "Mia");
    setText(panel->jobNameEditText, "Budget");
    EXPECT_EQ(panel->summaryInfo(), (Lines{{"Job Retention", "Off"}, {"User Name", "Mia"}, {"Job Name", "Budget"}}));
}

TEST_F(HostSummary, RetentionOnAddsTheFolderAndTheModeWhateverTheirEnablement)
{
    setRetention(true);
    showFolders(3);
    panel->suspendMatrix.selectCellAtRow(0);
    setText(panel->userNameEditText, "Mia");
    setText(panel->jobNameEditText, "Budget");
    const Lines expected{{"Job Retention", "On"},
                         {"Folder", "Reports"},
                         {"Retention Mode", "Hold Only"},
                         {"User Name", "Mia"},
                         {"Job Name", "Budget"}};
    EXPECT_EQ(panel->summaryInfo(), expected);

    panel->folderSelectionPopup.setEnabled(false);
    panel->suspendMatrix.setEnabled(false);
    EXPECT_EQ(panel->summaryInfo(), expected) << "disabled controls still say what the job does";

    showFolders(1);
    panel->suspendMatrix.selectCellAtRow(2);
    EXPECT_EQ(panel->summaryInfo().at("Folder"), "Main Folder");
    EXPECT_EQ(panel->summaryInfo().at("Retention Mode"), "Sample Print");
}

TEST_F(HostSummary, AMixedRetentionStateCountsAsOn)
{
    auto* box = qobject_cast<QCheckBox*>(panel->retentionCheckBox.widget());
    ASSERT_NE(box, nullptr);
    box->setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(panel->summaryInfo().at("Job Retention"), "On");
}

TEST_F(HostSummary, CaptionsLoseTheirColonsAtBothEndsOnly)
{
    const std::vector<std::pair<std::string, std::string>> captions{{"Job Name:", "Job Name"},
                                                                    {"Job Name", "Job Name"},
                                                                    {":Name:", "Name"},
                                                                    {"Dept:Name:", "Dept:Name"},
                                                                    {"::Title::", "Title"}};
    setText(panel->jobNameEditText, "Budget");
    for (const auto& [caption, title] : captions) {
        setText(panel->jobNameStaticText, caption);
        const Lines lines = panel->summaryInfo();
        EXPECT_EQ(lines.count(title), 1u) << "caption \"" << caption << "\"";
        if (caption != title) {
            EXPECT_EQ(lines.count(caption), 0u) << "caption \"" << caption << "\"";
        }
    }
}

TEST_F(HostSummary, LinesWithoutATitleOrAValueAreLeftOut)
{
    setRetention(true);
    setText(panel->userNameEditText, "");
    setText(panel->jobNameStaticText, "::");
    setText(panel->jobNameEditText, "Budget");
    panel->folderSelectionPopup.removeAllItems();  // nothing selected
    // A mode group with no cell chosen.
    for (int row = 0; row < 3; ++row) {
        auto* cell = qobject_cast<QAbstractButton*>(panel->suspendMatrix.cellAtRow(row).widget());
        ASSERT_NE(cell, nullptr);
        cell->setAutoExclusive(false);
        cell->setChecked(false);
    }
    ASSERT_EQ(panel->suspendMatrix.selectedRow(), -1);
    EXPECT_EQ(panel->summaryInfo(), (Lines{{"Job Retention", "On"}, {"User Name", ""}}))
        << "an empty user name still has its line; a caption of colons only has none";
}

TEST_F(HostSummary, TwoLinesWithOneTitleCollapseIntoTheLater)
{
    setRetention(false);
    setText(panel->userNameStaticText, "Name:");
    setText(panel->jobNameStaticText, "Name:");
    setText(panel->userNameEditText, "Mia");
    setText(panel->jobNameEditText, "Budget");
    EXPECT_EQ(panel->summaryInfo(), (Lines{{"Job Retention", "Off"}, {"Name", "Budget"}}));
}

TEST_F(HostSummary, SecretsAndNumbersNeverAppear)
{
    setRetention(true);
    showFolders(3);
    const std::vector<std::pair<platform::TextField*, std::string>> secrets{
        {&panel->suspendKeyEditText, "4711"},     {&panel->folderPasswordEditText, "8080"},
        {&panel->loginNameEditText, "mia.login"}, {&panel->passwordEditText, "hunter2"},
        {&panel->userNumberEditText, "31337"},    {&panel->accountNumberEditText, "90210"}};
    for (const auto& [field, text] : secrets)
        setText(*field, text);
    for (const auto& [title, value] : panel->summaryInfo())
        for (const auto& [field, text] : secrets)
            EXPECT_EQ(value.find(text), std::string::npos) << title << " shows " << text;
}

TEST_F(HostSummary, OnAndOffAreTranslated)
{
    ScopedEnv language("LANGUAGE", "de");
    TestHost german;
    auto translated = german.makePanel();
    ASSERT_NE(translated->panelView(), nullptr);
    translated->willShow();
    translated->retentionCheckBox.setState(0);
    const Lines off = translated->summaryInfo();
    const std::string retention = translated->retentionCheckBox.title();
    ASSERT_EQ(off.count(retention), 1u);
    EXPECT_EQ(off.at(retention), "Aus");
    translated->retentionCheckBox.setState(1);
    EXPECT_EQ(translated->summaryInfo().at(retention), "Ein");
}

TEST(HostSummaryAbsentControls, EachMissingControlTakesExactlyItsLines)
{
    ScopedUserDirs userDirs;
    TestHost host;
    struct Case {
        std::vector<QString> missing;
        std::vector<std::string> absentTitles;
    };
    const std::vector<Case> cases{
        {{"suspendBox"}, {"Retention Mode"}},
        {{"folderSelectionStaticText"}, {"Folder"}},
        {{"userNameStaticText"}, {"User Name"}},
        {{"jobNameEditText"}, {"Job Name"}},
        {{"retentionCheckBox"}, {"Job Retention", "Folder", "Retention Mode"}},
    };
    for (const Case& each : cases) {
        BundleWithout bundle(each.missing);
        ASSERT_TRUE(bundle.isReady());
        KorvanePrintPdeRk880JC panel(&host, platform::Bundle(bundle.path()));
        ASSERT_NE(panel.panelView(), nullptr);
        panel.willShow();
        panel.retentionCheckBox.setState(1);
        panel.suspendMatrix.selectCellAtRow(0);
        panel.folderSelectionPopup.removeAllItems();
        panel.folderSelectionPopup.addItem("Quick File", std::shared_ptr<void>());
        panel.folderSelectionPopup.selectItemAtIndex(0);
        const Lines lines = panel.summaryInfo();
        for (const std::string& title : each.absentTitles)
            EXPECT_EQ(lines.count(title), 0u) << title << " without " << each.missing.front().toStdString();
        EXPECT_EQ(lines.size(), 5u - each.absentTitles.size()) << "without " << each.missing.front().toStdString();
    }
}

}  // namespace
