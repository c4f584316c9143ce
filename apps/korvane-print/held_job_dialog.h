// The print dialog for one of the user's jobs that waits in cupsd: the job's title, queue and
// documents, its Job Control tab and a summary. Print sets the tab's settings on the job and
// lets it print; Cancel closes the window and the job keeps waiting; Cancel Job cancels it.
#pragma once

#include "held_job_session.h"
#include "host_report.h"
#include "options.h"
#include "session_report.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QTreeWidget;

class HeldJobDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the job; nullptr, with a message in error, when the user cannot answer the job.
    static std::unique_ptr<HeldJobDialog> open(HostOptions options, HeldJob job, std::string* error,
                                               QWidget* parent = nullptr);
    ~HeldJobDialog() override;

    HeldJobSession* session() const { return session_.get(); }
    int jobId() const { return jobId_; }
    // The summary of the tab as it was when Print was pressed.
    const std::optional<SummaryLines>& printedSummary() const { return printedSummary_; }
    // Shows a note under the tabs until the next one (the panels' notes, a refusal).
    void showNote(const QString& note);
    // cupsd tells that the job changed outside this window: the window shows it as it is now,
    // and Print is off once the job no longer waits.
    void jobMovedOn();

signals:
    // The tab was first painted on the screen: the moment the user can start answering.
    void tabShown(int jobId);
    // The job was answered and printing (or cancelled); the window is about to close.
    void jobSettled(int jobId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    HeldJobDialog(HostOptions options, const HeldJob& job, QWidget* parent);
    bool openSession(HeldJob job, std::string* error);
    void buildWindow(const HeldJob& job);
    void showJob(const HeldJob& job);
    void tabChanged(int index);
    void panelTabShown();
    void fillSummary();
    void print();
    void cancelJob();
    void applyCommandLineOperations();
    void presentAlert(const std::string& message, const std::string& buttonTitle);
    bool panelIsWaiting() const;

    HostOptions options_;
    int jobId_;
    std::unique_ptr<HeldJobSession> session_;
    bool panelRestored_ = false;
    bool tabPainted_ = false;
    QWidget* shownPage_ = nullptr;
    std::optional<SummaryLines> printedSummary_;

    QLabel* jobLabel_ = nullptr;
    QLabel* queueLabel_ = nullptr;
    QLabel* documentsLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QScrollArea* panelScroll_ = nullptr;
    QTreeWidget* summaryTree_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* cancelJobButton_ = nullptr;
};

// Runs the window of --job; the process exit status.
ExitStatus runHeldJobWindow(const HostOptions& options);
