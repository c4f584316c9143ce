// The print dialog window: printer, copies, the printer's extension panels as tabs, a summary
// page, Print and Cancel. It drives the panels through the extension protocol as a desktop
// print dialog does.
#pragma once

#include "dialog_session.h"
#include "host_report.h"
#include "notice_relay.h"
#include "options.h"
#include "session_report.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

class GeneralPage;
class PaperPage;
class PreviewPage;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

class PrintDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the printer the options name (or the default one); nullptr, with a message in
    // error, when that printer cannot be had.
    static std::unique_ptr<PrintDialog> open(HostOptions options, std::string* error, QWidget* parent = nullptr);
    ~PrintDialog() override;

    // The printer the user chose; nullptr after one that cannot be had, which the window says.
    DialogSession* session() const { return session_.get(); }
    // The summary lines of the first panel as they were when Print was pressed.
    const std::optional<SummaryLines>& printedSummary() const { return printedSummary_; }
    // The CUPS job the files became; nothing after a dry run or before printing.
    std::optional<int> jobId() const { return jobId_; }

private:
    PrintDialog(HostOptions options, QWidget* parent);
    bool openFirstPrinter(std::string* error);
    void buildWindow();
    bool openPrinter(const std::string& name, const platform::PrintSettings* carried, std::string* error);
    void releasePrinter();
    void showPanelTab();
    void printerChosen(int index);
    void tabChanged(int index);
    void panelTabShown();
    void panelTabLeft();
    void fillSummary();
    void print();
    bool submitToCups();
    std::optional<int> sendJob(std::string* error);
    void applyCommandLineOperations();
    void presentAlert(const std::string& message, const std::string& buttonTitle);
    void showStatus(const QString& text);
    bool panelIsWaiting() const;
    void attachPages();
    void jobChoicesChanged();
    void showNote(const QString& note);
    void saveAsDefault();

    HostOptions options_;
    std::unique_ptr<DialogSession> session_;
    bool panelRestored_ = false;
    bool operationsApplied_ = false;
    QWidget* shownPage_ = nullptr;  // the tab page the user sees
    std::optional<std::string> initialPrinter_;
    std::optional<platform::PrintSettings> jobSettings_;  // the job's settings as the last printer left them
    std::optional<SummaryLines> printedSummary_;
    std::optional<int> jobId_;

    QComboBox* printerPopup_ = nullptr;
    QSpinBox* copiesSpin_ = nullptr;
    QCheckBox* collateCheck_ = nullptr;
    QLabel* printerStateLabel_ = nullptr;
    GeneralPage* generalPage_ = nullptr;
    PaperPage* paperPage_ = nullptr;
    PreviewPage* previewPage_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    std::unique_ptr<NoticeRelay> noticeRelay_;  // shows notes in noteLabel_ while the dialog lives
    QTabWidget* tabs_ = nullptr;
    QScrollArea* panelScroll_ = nullptr;
    QTreeWidget* summaryTree_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* printButton_ = nullptr;
};

// Runs the print dialog of the options; the process exit status.
ExitStatus runWindow(const HostOptions& options);
