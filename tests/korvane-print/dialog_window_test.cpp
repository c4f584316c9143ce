// The dialog's pages on a real X display (CTest runs ...OnDisplay suites under xvfb-run):
// driven by the keyboard alone from opening to Print, with the printer's constraints
// resolving and refusing as the user chooses, and the job reaching a real cupsd with exactly
// the options the dialog shows. It leaves a picture of each page in the build folder.
#include "general_page.h"
#include "korvane-print/host_harness.h"
#include "korvane-print/window_suite.h"
#include "preview_page.h"
#include "print_dialog.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTabWidget>
#include <QTest>

using namespace host_testing;
using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;

namespace {

QWidget* focused()
{
    return QApplication::focusWidget();
}

// Presses a key at the widget with the focus, as a user's keyboard would.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(focused(), static_cast<Qt::Key>(key), modifiers);
    QTest::qWait(30);
}

// Presses Tab until the widget of that name has the focus; false when it never does.
bool tabTo(const QString& name, int most = 40)
{
    for (int i = 0; i < most; ++i) {
        if (focused() && focused()->objectName() == name)
            return true;
        press(Qt::Key_Tab);
    }
    return focused() && focused()->objectName() == name;
}

// A two-page A4 PDF with a block on each page.
std::string twoPagePdf(const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setFont(QFont("DejaVu Sans", 28));
    painter.fillRect(QRect(60, 60, 470, 120), QColor(30, 80, 160));
    painter.drawText(QPoint(60, 260), "Budget 2027");
    writer.newPage();
    painter.fillRect(QRect(60, 500, 470, 200), QColor(160, 60, 30));
    painter.drawText(QPoint(60, 260), "Rooms");
    painter.end();
    return path.toStdString();
}

class DialogPagesOnDisplay : public DialogOnDisplay {
protected:
    void setUpQueuesAndDocument() override
    {
        ASSERT_FALSE(cupsd.addRecordingQueue("duplex-test", duplexPpd()));
        ASSERT_EQ(
            runProgram("lpadmin", {"-h", cupsd.server(), "-p", "duplex-test", "-L", "2nd floor, copy room"}).exitCode,
            0);
        document = twoPagePdf(QString::fromStdString(userDirs.path() + "/budget.pdf"));
    }
};

TEST_F(DialogPagesOnDisplay, TheKeyboardAloneTakesAJobFromOpenToPrintThroughEveryPage)
{
    HostOptions options;
    options.printer.name = "duplex-test";
    options.files = {document};
    std::string error;
    const std::unique_ptr<PrintDialog> opened = PrintDialog::open(options, &error);
    ASSERT_NE(opened, nullptr) << error;
    PrintDialog& dialog = *opened;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    auto* tabs = dialog.findChild<QTabWidget*>("panelTabs");
    auto* note = dialog.findChild<QLabel*>("noteLabel");
    ASSERT_TRUE(tabs && note);
    EXPECT_LE(dialog.width(), 1024);
    EXPECT_LE(dialog.height(), 768);
    EXPECT_LE(dialog.minimumSizeHint().width(), 1024);
    EXPECT_LE(dialog.minimumSizeHint().height(), 768);
    const auto* state = dialog.findChild<QLabel*>("printerStateLabel");
    ASSERT_TRUE(state);
    EXPECT_EQ(state->text(), "Idle \u00b7 Location: 2nd floor, copy room");

    // General: the pages, checked as they are typed.
    press(Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(tabs->currentWidget()->objectName(), "generalPage");
    press(Qt::Key_E, Qt::AltModifier);
    QTest::qWait(200);
    ASSERT_EQ(focused()->objectName(), "pageRangesEdit");
    QTest::keyClicks(focused(), "3-1");
    auto* problem = dialog.findChild<QLabel*>("pageRangesProblem");
    ASSERT_TRUE(problem);
    EXPECT_TRUE(problem->isVisible());
    EXPECT_EQ(problem->text(), "The range 3-1 runs backwards: write 1-3.");
    EXPECT_TRUE(savePicture(dialog, "dialog-general-refused-range.png", {problem, focused()}));
    press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focused(), "1-3,7");
    EXPECT_FALSE(problem->isVisible());
    press(Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(focused()->objectName(), "numberUpPopup");
    press(Qt::Key_O, Qt::AltModifier);
    ASSERT_EQ(focused()->objectName(), "orientationPopup");
    press(Qt::Key_Down);
    EXPECT_TRUE(savePicture(dialog, "dialog-general.png", {dialog.findChild<QWidget*>("pageRangesEdit"), focused()}));

    // Paper and output: A5 refuses two-sided; on transparencies two-sided changes the media.
    press(Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(tabs->currentWidget()->objectName(), "paperPage");
    press(Qt::Key_Z, Qt::AltModifier);
    auto* paper = dialog.findChild<QComboBox*>("ppdPageSize");
    auto* duplex = dialog.findChild<QComboBox*>("ppdDuplex");
    auto* media = dialog.findChild<QComboBox*>("ppdMediaType");
    ASSERT_TRUE(paper && duplex && media);
    EXPECT_EQ(dialog.findChild<QWidget*>("ppdARPrintRelease"), nullptr) << "the panel's own option is shown twice";
    ASSERT_EQ(focused(), paper);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(paper->currentData().toString(), "A5");
    press(Qt::Key_W, Qt::AltModifier);
    ASSERT_EQ(focused(), duplex);
    press(Qt::Key_Down);
    EXPECT_EQ(duplex->currentData().toString(), "None") << "two-sided on A5 was not refused";
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(),
              "Not changed: Two-Sided Printing \u201cLong Edge\u201d cannot be used with Media Size "
              "\u201cA5\u201d.");
    press(Qt::Key_Z, Qt::AltModifier);
    press(Qt::Key_Up);
    EXPECT_EQ(paper->currentData().toString(), "A4");
    press(Qt::Key_M, Qt::AltModifier);
    ASSERT_EQ(focused(), media);
    press(Qt::Key_Down);
    EXPECT_EQ(media->currentData().toString(), "Transparency");
    press(Qt::Key_W, Qt::AltModifier);
    press(Qt::Key_Down);
    EXPECT_EQ(duplex->currentData().toString(), "DuplexNoTumble");
    EXPECT_EQ(media->currentData().toString(), "Plain") << "the resolution does not show";
    EXPECT_TRUE(note->text().contains("changed from Media Type \u201cTransparency\u201d"))
        << note->text().toStdString();
    EXPECT_TRUE(savePicture(dialog, "dialog-paper.png", {paper, duplex, media, note}));

    // Preview: both pages, on A4.
    press(Qt::Key_V, Qt::AltModifier);
    auto* preview = dialog.findChild<PreviewPage*>("previewPage");
    ASSERT_TRUE(preview);
    EXPECT_EQ(tabs->currentWidget(), preview);
    EXPECT_EQ(preview->preview().pageCount, 2);
    ASSERT_EQ(preview->preview().sheets.size(), 2u);
    EXPECT_GT(preview->preview().sheets[0].width(), preview->preview().sheets[0].height()) << "not landscape";
    EXPECT_TRUE(savePicture(dialog, "dialog-preview.png", {preview}));

    // The Job Control tab: retention on with a PIN.
    press(Qt::Key_J, Qt::AltModifier);
    ASSERT_EQ(tabs->currentIndex(), 0) << "the Job Control tab has no mnemonic";
    ASSERT_TRUE(tabTo("retentionCheckBox")) << "Tab never reached the tab's first control";
    press(Qt::Key_Space);
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("retentionCheckBox")->isChecked());
    ASSERT_TRUE(tabTo("suspendKeyEditText"));
    QTest::keyClicks(focused(), "4711");
    EXPECT_TRUE(
        savePicture(dialog, "dialog-job-control.png", {dialog.findChild<QWidget*>("retentionCheckBox"), focused()}));
    press(Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(tabs->currentWidget()->objectName(), "summaryTree");
    EXPECT_TRUE(savePicture(dialog, "dialog-summary.png", {tabs->currentWidget()}));

    // Every control of the dialog's own that a user can reach has a name for assistive
    // technology (the panel's controls are the panel's).
    QWidget* panelScroll = dialog.findChild<QWidget*>("panelScroll");
    int checked = 0;
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(&dialog) ||
            widget->objectName().startsWith("qt_") || panelScroll->isAncestorOf(widget))
            continue;
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        EXPECT_TRUE(!widget->accessibleName().isEmpty() || (button && !button->text().isEmpty()))
            << widget->metaObject()->className() << " " << widget->objectName().toStdString() << " has no name";
        ++checked;
    }
    EXPECT_GE(checked, 5);

    dialog.resize(1024, 768);
    QTest::qWait(50);
    EXPECT_EQ(dialog.size(), QSize(1024, 768));

    // Print is the default button.
    press(Qt::Key_Return);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.jobId());
    const auto record = cupsd.waitForRecord(*dialog.jobId());
    ASSERT_TRUE(record) << "the queue's filter never ran for job " << *dialog.jobId();
    const auto sent = dialog.session()->jobOptions();
    EXPECT_EQ(sent.at("page-ranges"), "1-3,7");
    EXPECT_EQ(sent.at("PageSize"), "A4");
    EXPECT_EQ(sent.at("Duplex"), "DuplexNoTumble");
    EXPECT_EQ(sent.at("MediaType"), "Plain");
    EXPECT_EQ(sent.at("orientation-requested"), "4");
    EXPECT_EQ(sent.count("number-up"), 0u) << "the queue's own default is no choice of the user's";
    std::map<std::string, std::string> arrived;
    for (const auto& [name, value] : sent)
        if (record->options.count(name))
            arrived[name] = record->options.at(name);
    EXPECT_EQ(arrived, sent) << record->rawOptions;
}

}  // namespace
