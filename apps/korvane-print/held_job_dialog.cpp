#include "held_job_dialog.h"

#include "dialog_parts.h"
#include "notice_relay.h"
#include "platform/automation.h"
#include "platform/layout.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iostream>

namespace {

// The dialog's result when the user cancelled the job itself.
constexpr int kJobCancelled = 2;

// The job's documents as one line, or what the window knows while they are still coming.
// Applications that print through a temporary file give that file's name, which tells the user
// nothing: a name without an extension is left out for the count.
QString documentsLine(const HeldJob& job)
{
    if (job.documentCount == 0)
        return QObject::tr("still arriving from the application");
    QStringList names;
    for (const std::string& name : job.documents)
        if (name.find('.') != std::string::npos)
            names << QString::fromStdString(name);
    QString line = names.size() == job.documentCount ? names.join(QStringLiteral(", "))
                   : job.documentCount == 1          ? QObject::tr("1 document")
                                                     : QObject::tr("%1 documents").arg(job.documentCount);
    const QString format = QString::fromStdString(job.documentFormat).section('/', 1).toUpper();
    if (!format.isEmpty())
        line += QObject::tr(" (%1, %2 KiB)").arg(format).arg(job.kilobytes);
    return line;
}

// Why the job waits, as the window says it.
QString stateLine(const HeldJob& job)
{
    switch (jobWait(job)) {
    case JobWait::Stopped:
        return QObject::tr("Stopped by the printer's filter: %1").arg(QString::fromStdString(job.printerMessage));
    case JobWait::Held:
        return QObject::tr("Waits in the print queue for its job control settings.");
    case JobWait::None:
        break;
    }
    return QObject::tr("No longer waits for its settings: it is %1.").arg(ippEnumString("job-state", job.state));
}

// The mnemonics of the window's own controls, which the panel's tab leaves to them.
const QString kWindowMnemonics = "PSB";

}  // namespace

std::unique_ptr<HeldJobDialog> HeldJobDialog::open(HostOptions options, HeldJob job, std::string* error,
                                                   QWidget* parent)
{
    std::unique_ptr<HeldJobDialog> dialog(new HeldJobDialog(std::move(options), job, parent));
    if (!dialog->openSession(std::move(job), error))
        return nullptr;
    return dialog;
}

HeldJobDialog::HeldJobDialog(HostOptions options, const HeldJob& job, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), jobId_(job.id)
{
    buildWindow(job);
}

// Opens the job's session and shows its tab; false, with a message in error, when the user
// cannot answer the job. A tab without its layout leaves the window open with Print off.
bool HeldJobDialog::openSession(HeldJob job, std::string* error)
{
    auto alert = [this](const std::string& message, const std::string& button) { presentAlert(message, button); };
    session_ = HeldJobSession::open(options_, std::move(job), alert, error);
    if (!session_)
        return false;
    for (const std::string& note : session_->startNotes())
        showNote(QString::fromStdString(note));
    QWidget* view = session_->panel().panelView();
    if (!view) {
        showNote(tr("The Job Control panel could not load its layout."));
        printButton_->setEnabled(false);
        return true;
    }
    panelScroll_->setWidget(view);
    view->installEventFilter(this);
    tabs_->insertTab(0, panelScroll_, panelTabTitle(session_->panel().panelName(), kWindowMnemonics));
    tabs_->setCurrentWidget(panelScroll_);
    tabChanged(tabs_->currentIndex());
    return true;
}

HeldJobDialog::~HeldJobDialog()
{
    // The view belongs to its panel, which the session deletes.
    if (panelScroll_)
        panelScroll_->takeWidget();
}

// Lays out the window: the job above the tabs, the buttons below.
void HeldJobDialog::buildWindow(const HeldJob& job)
{
    setWindowTitle(tr("Print \u201c%1\u201d (job %2)").arg(QString::fromStdString(job.title)).arg(job.id));
    setSizeGripEnabled(true);
    jobLabel_ = new QLabel(this);
    jobLabel_->setObjectName("jobLabel");
    queueLabel_ = new QLabel(this);
    queueLabel_->setObjectName("queueLabel");
    documentsLabel_ = new QLabel(this);
    documentsLabel_->setObjectName("documentsLabel");
    documentsLabel_->setWordWrap(true);
    stateLabel_ = new QLabel(this);
    stateLabel_->setObjectName("stateLabel");
    stateLabel_->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(tr("Job:"), jobLabel_);
    form->addRow(tr("Printer:"), queueLabel_);
    form->addRow(tr("Documents:"), documentsLabel_);
    form->addRow(tr("Status:"), stateLabel_);
    showJob(job);

    noteLabel_ = makeNoteLabel(this);
    tabs_ = makePageTabs(this);
    panelScroll_ = makePanelScroll(this);
    summaryTree_ = makeSummaryTree(this);
    tabs_->addTab(summaryTree_, tr("&Summary"));
    connect(tabs_, &QTabWidget::currentChanged, this, &HeldJobDialog::tabChanged);

    buttons_ = new QDialogButtonBox(this);
    printButton_ = buttons_->addButton(tr("&Print"), QDialogButtonBox::AcceptRole);
    printButton_->setObjectName("printButton");
    printButton_->setDefault(true);
    cancelJobButton_ = buttons_->addButton(tr("Cancel Jo&b"), QDialogButtonBox::DestructiveRole);
    cancelJobButton_->setObjectName("cancelJobButton");
    cancelJobButton_->setAutoDefault(false);
    cancelJobButton_->setToolTip(tr("Cancel the job: it is not printed."));
    QPushButton* close = buttons_->addButton(QDialogButtonBox::Cancel);
    close->setObjectName("cancelButton");
    close->setToolTip(tr("Close this window; the job keeps waiting."));
    connect(printButton_, &QPushButton::clicked, this, &HeldJobDialog::print);
    connect(cancelJobButton_, &QPushButton::clicked, this, &HeldJobDialog::cancelJob);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(tabs_, 1);
    layout->addWidget(noteLabel_);
    layout->addWidget(buttons_);
    resize(640, 600);
}

// The job's lines above the tabs.
void HeldJobDialog::showJob(const HeldJob& job)
{
    jobLabel_->setText(tr("%1 \u00b7 \u201c%2\u201d").arg(job.id).arg(QString::fromStdString(job.title)));
    queueLabel_->setText(QString::fromStdString(job.queue));
    documentsLabel_->setText(documentsLine(job));
    stateLabel_->setText(stateLine(job));
}

void HeldJobDialog::showNote(const QString& note)
{
    noteLabel_->setText(note);
    noteLabel_->setVisible(!note.isEmpty());
}

void HeldJobDialog::jobMovedOn()
{
    if (!session_ || !session_->refresh())
        return;
    showJob(session_->job());
    std::string refusal;
    if (!isAnswerableBy(session_->job(), cupsUser(), &refusal)) {
        printButton_->setEnabled(false);
        cancelJobButton_->setEnabled(false);
        showNote(QString::fromStdString(refusal));
    }
}

// The first paint of the tab is when the user can start answering.
bool HeldJobDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (!tabPainted_ && event->type() == QEvent::Paint && session_ && watched == session_->panel().panelView()) {
        tabPainted_ = true;
        emit tabShown(jobId_);
    }
    return QDialog::eventFilter(watched, event);
}

// An application sends a job's documents after creating it, so a window opened on the job's
// creation may show none yet; when the user comes back to the window, it looks again.
bool HeldJobDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && session_ && session_->job().documentCount == 0 &&
        session_->refresh())
        showJob(session_->job());
    return QDialog::event(event);
}

// A panel's action may run the event loop while it waits for the printer (the folder fetch
// does): the window's handlers then run inside it and must not call that panel.
bool HeldJobDialog::panelIsWaiting() const
{
    return session_ && platform::isRunningAnAction(panelScroll_->widget());
}

// Tells the panel that the user left or reached its tab, and fills the summary page.
void HeldJobDialog::tabChanged(int /*index*/)
{
    QWidget* page = tabs_->currentWidget();
    if (page == shownPage_)
        return;
    if (shownPage_ == panelScroll_ && session_ && panelRestored_ && !panelIsWaiting())
        session_->panel().saveValuesAndReturnError(nullptr);
    shownPage_ = page;
    if (page == panelScroll_)
        panelTabShown();
    else if (page == summaryTree_)
        fillSummary();
}

// The tab came into view: shown, and the first time restored from the job.
void HeldJobDialog::panelTabShown()
{
    if (!session_)
        return;
    platform::PDEPanel& panel = session_->panel();
    panel.willShow();
    if (panelRestored_)
        return;
    panel.restoreValuesAndReturnError(nullptr);
    panelRestored_ = true;
    for (const std::string& note : session_->carryOver())
        showNote(QString::fromStdString(note));
    applyCommandLineOperations();
}

// The --set and --paste of the command line, once, after the job's own values.
void HeldJobDialog::applyCommandLineOperations()
{
    applyOperationsInWindow(session_->panel().panelView(), options_.operations,
                            [this](const QString& refusal) { showNote(refusal); });
}

// The summary page: the job's lines, then the tab's lines under its name.
void HeldJobDialog::fillSummary()
{
    summaryTree_->clear();
    auto* jobGroup = new QTreeWidgetItem(summaryTree_, QStringList{tr("Job")});  // the tree owns it
    addSummaryLine(jobGroup, tr("Job"), jobLabel_->text());
    addSummaryLine(jobGroup, tr("Printer"), queueLabel_->text());
    addSummaryLine(jobGroup, tr("Documents"), documentsLabel_->text());
    if (session_)
        addPanelSummary(summaryTree_, session_->panel());
    finishSummary(summaryTree_);
}

// Print: the tab saves and agrees, then its settings go onto the job, which is let go.
void HeldJobDialog::print()
{
    if (!session_)
        return;
    if (panelIsWaiting()) {
        showNote(tr("The panel is waiting for the printer; print when it has answered."));
        QApplication::beep();
        return;
    }
    platform::PDEPanel& panel = session_->panel();
    if (shownPage_ == panelScroll_ && panelRestored_)
        panel.saveValuesAndReturnError(nullptr);
    panel.shouldPrint();
    printedSummary_ = panel.summaryInfo();
    if (options_.screenshot && !grab().save(QString::fromStdString(*options_.screenshot), "PNG"))
        report("cannot write the screenshot " + *options_.screenshot);
    if (options_.dryRun) {
        accept();
        return;
    }
    std::string problem;
    if (!session_->answer(&problem)) {
        QMessageBox::warning(this, tr("Not printed"),
                             tr("The job still waits.\n\n%1").arg(QString::fromStdString(problem)));
        return;
    }
    report(session_->answeredLine());
    emit jobSettled(jobId_);
    accept();
}

// Cancel Job: after the user confirms, the job goes and is never printed.
void HeldJobDialog::cancelJob()
{
    if (!session_)
        return;
    const auto answer = QMessageBox::question(this, tr("Cancel the job?"),
                                              tr("Cancel job %1 \u201c%2\u201d? It will not be printed.")
                                                  .arg(jobId_)
                                                  .arg(QString::fromStdString(session_->job().title)),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    std::string problem;
    if (!session_->cancel(&problem)) {
        QMessageBox::warning(this, tr("Not cancelled"), QString::fromStdString(problem));
        return;
    }
    report("cancelled job " + std::to_string(jobId_));
    emit jobSettled(jobId_);
    done(kJobCancelled);
}

// The panel's informational alert: a message box with the one button the panel names.
void HeldJobDialog::presentAlert(const std::string& message, const std::string& buttonTitle)
{
    presentPanelAlert(this, windowTitle(), message, buttonTitle);
}

ExitStatus runHeldJobWindow(const HostOptions& options)
{
    std::string error;
    std::optional<HeldJob> job = readJob(*options.jobId, &error);
    if (!job) {
        report(error);
        return ExitStatus::Unavailable;
    }
    const std::unique_ptr<HeldJobDialog> dialog = HeldJobDialog::open(options, std::move(*job), &error);
    if (!dialog) {
        report(error);
        return ExitStatus::Unavailable;
    }
    const NoticeRelay notes([&dialog](const QString& note) { dialog->showNote(note); });
    const int result = dialog->exec();
    if (result == kJobCancelled)
        return ExitStatus::Done;
    if (result != QDialog::Accepted)
        return ExitStatus::Cancelled;
    if (options.dump)
        std::cout << QJsonDocument(dumpSession(dialog->session()->dialog(), dialog->printedSummary()))
                         .toJson(QJsonDocument::Indented)
                         .toStdString();
    return ExitStatus::Done;
}
