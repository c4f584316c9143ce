// The print dialog on a real X display (CTest runs this suite under xvfb-run): printers come
// and go with their tab, the keyboard reaches everything, and Print sends the job to a real
// cupsd with the tab's settings. It leaves pictures of the dialog in the build folder.
#include "korvane-print/host_harness.h"
#include "korvane-print/window_suite.h"
#include "print_dialog.h"
#include "stand_in.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace host_testing;
using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;

namespace {

QStringList tabLabels(const QTabWidget& tabs)
{
    QStringList labels;
    for (int i = 0; i < tabs.count(); ++i)
        labels << tabs.tabText(i).remove('&');
    return labels;
}

// The summary page's lines under one group, as "title=value".
QStringList summaryGroup(const QTreeWidget& tree, const QString& group)
{
    QStringList lines;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* top = tree.topLevelItem(i);
        if (top->text(0) != group)
            continue;
        for (int j = 0; j < top->childCount(); ++j)
            lines << top->child(j)->text(0) + "=" + top->child(j)->text(1);
    }
    return lines;
}

class HostWindowOnDisplay : public DialogOnDisplay {
protected:
    void setUpQueuesAndDocument() override
    {
        ASSERT_FALSE(cupsd.addRecordingQueue("korvane-test"));
        ASSERT_FALSE(cupsd.addRawQueue("plain"));
        document = userDirs.path() + "/budget.pdf";
        ASSERT_TRUE(writeFile(document, minimalPdf()));
    }

    HostOptions optionsFor(const std::string& printer)
    {
        HostOptions options;
        options.printer.name = printer;
        options.files = {document};
        return options;
    }

    // The dialog of the options, shown on the display; nullptr, with the test failed, when it
    // cannot be opened or never shows.
    std::unique_ptr<PrintDialog> shownDialog(const HostOptions& options)
    {
        std::string error;
        std::unique_ptr<PrintDialog> dialog = PrintDialog::open(options, &error);
        if (!dialog) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get())) {
            ADD_FAILURE() << "the dialog never showed on the display";
            return nullptr;
        }
        return dialog;
    }

    template <typename T>
    T* child(QWidget& parent, const char* name)
    {
        T* found = parent.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

TEST_F(HostWindowOnDisplay, TheTabComesAndGoesWithThePrinterAndPrintSendsTheJob)
{
    const std::unique_ptr<PrintDialog> opened = shownDialog(optionsFor("korvane-test"));
    ASSERT_NE(opened, nullptr);
    PrintDialog& dialog = *opened;
    auto* tabs = child<QTabWidget>(dialog, "panelTabs");
    auto* printers = child<QComboBox>(dialog, "printerPopup");
    ASSERT_TRUE(tabs && printers);
    EXPECT_EQ(tabLabels(*tabs), (QStringList{"Job Control", "General", "Paper and output", "Preview", "Summary"}));
    EXPECT_TRUE(printers->findText("plain") >= 0 && printers->findText("sample") >= 0);

    // A user's edits on the tab: retention on, the main folder, a PIN, a job name.
    auto* retention = child<QCheckBox>(dialog, "retentionCheckBox");
    auto* folder = child<QComboBox>(dialog, "folderSelectionPopup");
    auto* pin = child<QLineEdit>(dialog, "suspendKeyEditText");
    auto* jobName = child<QLineEdit>(dialog, "jobNameEditText");
    ASSERT_TRUE(retention && folder && pin && jobName);
    QTest::mouseClick(retention, Qt::LeftButton, {}, QPoint(8, retention->height() / 2));
    EXPECT_TRUE(retention->isChecked());
    folder->setFocus();
    QTest::keyClick(folder, Qt::Key_Down);
    EXPECT_EQ(folder->currentIndex(), 1);
    for (auto [field, text] : {std::pair{pin, "4711"}, std::pair{jobName, "Budget"}}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);  // replaces what the tab restored
        QTest::keyClicks(field, text);
        EXPECT_EQ(field->text(), text) << field->objectName().toStdString() << " did not take the text";
    }
    QTest::keyClick(jobName, Qt::Key_Tab);
    EXPECT_TRUE(savePicture(dialog, "print-dialog.png", {retention, folder, pin}));

    // A printer without the extension: the tab goes, the dialog's own pages stay.
    printers->setCurrentIndex(printers->findText("plain"));
    EXPECT_EQ(tabLabels(*tabs), (QStringList{"General", "Paper and output", "Preview", "Summary"}));
    EXPECT_EQ(dialog.session()->panel(), nullptr);
    EXPECT_EQ(dialog.findChild<QCheckBox*>("retentionCheckBox"), nullptr) << "the released panel's view stayed";

    // Back: a new panel, restored from the job's settings that moved with it.
    printers->setCurrentIndex(printers->findText("korvane-test"));
    EXPECT_EQ(tabLabels(*tabs), (QStringList{"Job Control", "General", "Paper and output", "Preview", "Summary"}));
    ASSERT_NE(dialog.session()->panel(), nullptr);

    auto* newJobName = child<QLineEdit>(dialog, "jobNameEditText");
    ASSERT_TRUE(newJobName);
    EXPECT_NE(newJobName, jobName) << "the new printer's panel is a new one";
    EXPECT_EQ(newJobName->text(), "Budget") << "the job's settings did not move to the new printer";

    auto* summary = child<QTreeWidget>(dialog, "summaryTree");
    tabs->setCurrentWidget(summary);
    ASSERT_TRUE(summary);
    const QStringList panelLines = summaryGroup(*summary, "Job Control");
    EXPECT_TRUE(panelLines.contains("Job Name=" + newJobName->text())) << panelLines.join("; ").toStdString();
    const auto expected = dialog.session()->panel()->summaryInfo();
    EXPECT_EQ(panelLines.size(), static_cast<qsizetype>(expected.size()));
    EXPECT_TRUE(summaryGroup(*summary, "Printer").contains("Printer=korvane-test"));
    EXPECT_TRUE(savePicture(dialog, "print-summary.png", {summary}));

    QTest::mouseClick(child<QPushButton>(dialog, "printButton"), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.jobId());
    const auto record = cupsd.waitForRecord(*dialog.jobId());
    ASSERT_TRUE(record) << "the queue's filter never ran for job " << *dialog.jobId();
    const auto settings = dialog.session()->callback().settings().values();
    EXPECT_EQ(productOptions(cupsd.opened(*record), settings), settings);
    EXPECT_EQ(record->title, "budget.pdf");
}

TEST_F(HostWindowOnDisplay, TheKeyboardReachesEveryPartAndEscapeCancels)
{
    HostOptions options = optionsFor("korvane-test");
    options.operations = {{ControlOperation::Kind::Set, "printersAddressEditText", "127.0.0.1:8631"}};
    const std::unique_ptr<PrintDialog> opened = shownDialog(options);
    ASSERT_NE(opened, nullptr);
    PrintDialog& dialog = *opened;
    QApplication::setActiveWindow(&dialog);
    auto* address = child<QLineEdit>(dialog, "printersAddressEditText");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->text(), "127.0.0.1:8631") << "--set of the command line was not applied to the tab";

    QTest::keyClick(&dialog, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QComboBox*>("printerPopup"));
    QTest::keyClick(&dialog, Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "copiesSpin");
    QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(child<QTabWidget>(dialog, "panelTabs")->currentWidget()->objectName(), "summaryTree");

    // Tab walks from the copies into the tab's own controls.
    child<QTabWidget>(dialog, "panelTabs")->setCurrentIndex(0);
    QTest::keyClick(&dialog, Qt::Key_I, Qt::AltModifier);
    bool reachedThePanel = false;
    for (int i = 0; i < 10 && !reachedThePanel; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reachedThePanel = QApplication::focusWidget()->objectName() == "retentionCheckBox";
    }
    EXPECT_TRUE(reachedThePanel);

    dialog.resize(480, 360);  // smaller than the tab: it scrolls instead of clipping
    QTest::qWait(50);
    EXPECT_EQ(dialog.size(), QSize(480, 360));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.jobId());
}

TEST_F(HostWindowOnDisplay, PrintRefusesAJobWhoseSecretsTheQueueCannotSealAndSendsNothing)
{
    ASSERT_FALSE(cupsd.addRecordingQueue("keyless", samplePpd(), ScratchCupsd::SealKey::Missing));
    HostOptions options = optionsFor("keyless");
    options.operations = {{ControlOperation::Kind::Set, "retentionCheckBox", "1"},
                          {ControlOperation::Kind::Set, "suspendMatrix", "0"},
                          {ControlOperation::Kind::Set, "suspendKeyEditText", "4711"}};
    const std::unique_ptr<PrintDialog> opened = shownDialog(options);
    ASSERT_NE(opened, nullptr);
    PrintDialog& dialog = *opened;
    ASSERT_EQ(child<QLineEdit>(dialog, "suspendKeyEditText")->text(), "4711");
    const std::vector<int> jobsBefore = cupsd.jobIds();

    // The refusal comes in a message box, which the user closes.
    QString refusal;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            refusal = box->text();
            box->close();
        }
    });
    closer.start(50);
    QTest::mouseClick(child<QPushButton>(dialog, "printButton"), Qt::LeftButton);
    closer.stop();
    EXPECT_TRUE(refusal.contains("carries no key to seal the job's PIN")) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains("nothing was sent")) << refusal.toStdString();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.jobId());
    EXPECT_EQ(cupsd.jobIds(), jobsBefore) << "a job with readable secrets reached cupsd";
}

TEST_F(HostWindowOnDisplay, NothingReachesAPanelThatIsWaitingForThePrinter)
{
    // A printer that answers the folder request after 1.5 s: the panel waits inside its action.
    harness::StandIn printer;
    ASSERT_TRUE(printer.start({"--port", "0", "--mode", "late=1.5", "--folder", "Reports"}))
        << "korvane-mfp-sim did not start";

    const std::unique_ptr<PrintDialog> opened = shownDialog(optionsFor("korvane-test"));
    ASSERT_NE(opened, nullptr);
    PrintDialog& dialog = *opened;
    auto* address = child<QLineEdit>(dialog, "printersAddressEditText");
    auto* fetch = child<QPushButton>(dialog, "getFolderNameButton");
    auto* printers = child<QComboBox>(dialog, "printerPopup");
    ASSERT_TRUE(address && fetch && printers);
    address->setText(QString::fromStdString(printer.address()));
    platform::PDEPanel* panel = dialog.session()->panel();

    // While the panel waits, the user tries to change printers and to print.
    bool triedDuringTheWait = false;
    QTimer::singleShot(400, &dialog, [&] {
        triedDuringTheWait = true;
        printers->setCurrentIndex(printers->findText("plain"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("printButton"), Qt::LeftButton);
    });
    QTest::mouseClick(fetch, Qt::LeftButton);  // returns when the exchange is over
    ASSERT_TRUE(triedDuringTheWait) << "the folder request did not wait";
    EXPECT_EQ(dialog.session()->panel(), panel) << "the panel was released inside its own action";
    EXPECT_EQ(printers->currentText(), "korvane-test");
    EXPECT_EQ(dialog.result(), 0) << "Print ran inside the panel's action";
    EXPECT_FALSE(dialog.jobId());
    auto* folders = child<QComboBox>(dialog, "folderSelectionPopup");
    ASSERT_TRUE(folders);
    EXPECT_GE(folders->findText("Reports"), 0) << "the folders never came";

    // Afterwards both work again.
    printers->setCurrentIndex(printers->findText("plain"));
    EXPECT_EQ(dialog.session()->panel(), nullptr);
}

TEST(HostWindowNotes, ANoteOfThePanelStaysInSightInTheWindow)
{
    ScopedUserDirs userDirs;
    ScopedEnv cupsServer{"CUPS_SERVER", std::string("127.0.0.1:1")};
    ScopedEnv plugins{"KORVANE_PLUGIN_PATH", std::string(KORVANE_TEST_BIN_DIR)};
    // The private reply folder is a link: the fetch cannot run, and the panel says why.
    QTemporaryDir elsewhere;
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QDir().mkpath(runtime);
    ASSERT_TRUE(QFile::link(elsewhere.path(), runtime + "/korvane"));

    HostOptions options;
    options.printer.name = "sample";
    options.dryRun = true;
    std::string error;
    const std::unique_ptr<PrintDialog> opened = PrintDialog::open(options, &error);
    ASSERT_NE(opened, nullptr) << error;
    PrintDialog& dialog = *opened;
    dialog.show();
    auto* note = dialog.findChild<QLabel*>("noteLabel");
    auto* address = dialog.findChild<QLineEdit*>("printersAddressEditText");
    auto* fetch = dialog.findChild<QPushButton*>("getFolderNameButton");
    ASSERT_TRUE(note && address && fetch);
    EXPECT_FALSE(note->isVisibleTo(&dialog));
    address->setText("127.0.0.1:1");
    fetch->click();
    EXPECT_TRUE(note->isVisibleTo(&dialog));
    EXPECT_TRUE(note->text().contains("is a symbolic link")) << note->text().toStdString();
}

}  // namespace
