#include "print_dialog.h"

#include "cups_submit.h"
#include "dialog_parts.h"
#include "general_page.h"
#include "job_option_arguments.h"
#include "lpoptions_store.h"
#include "paper_page.h"
#include "platform/automation.h"
#include "platform/layout.h"
#include "preview_page.h"
#include "printer_status.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iostream>
#include <map>

namespace {

// The files as one line for the window: their names, the first few of a long list.
QString filesLine(const std::vector<std::string>& files)
{
    if (files.empty())
        return QObject::tr("none");
    QStringList names;
    for (std::size_t i = 0; i < files.size() && i < 3; ++i)
        names << QFileInfo(QString::fromStdString(files[i])).fileName();
    QString line = names.join(", ");
    if (files.size() > 3)
        line += QObject::tr(" and %1 more").arg(files.size() - 3);
    return line;
}

// One of CUPS' own options as the summary names it.
QString cupsOptionTitle(const std::string& name)
{
    static const std::map<std::string, const char*> titles{{"number-up", "Pages per sheet"},
                                                           {"orientation-requested", "Orientation"},
                                                           {"sides", "Two-sided"},
                                                           {"media", "Paper size"},
                                                           {"multiple-document-handling", "Collate"}};
    const auto found = titles.find(name);
    return found == titles.end() ? QString::fromStdString(name) : QObject::tr(found->second);
}

// A value of one of CUPS' own options as the summary shows it.
QString cupsOptionValueText(const std::string& name, const std::string& value)
{
    static const std::map<std::string, const char*> texts{{"3", "Portrait"},
                                                          {"4", "Landscape"},
                                                          {"5", "Reverse landscape"},
                                                          {"6", "Reverse portrait"},
                                                          {"one-sided", "Off"},
                                                          {"two-sided-long-edge", "Long edge"},
                                                          {"two-sided-short-edge", "Short edge"},
                                                          {"separate-documents-collated-copies", "On"},
                                                          {"separate-documents-uncollated-copies", "Off"}};
    const bool named = name == "orientation-requested" || name == "sides" || name == "multiple-document-handling";
    const auto found = texts.find(value);
    return named && found != texts.end() ? QObject::tr(found->second) : QString::fromStdString(value);
}

// The mnemonics of the dialog's own controls, which the panel's tab leaves to them.
const QString kDialogMnemonics = "PILGTVSDZWEHOAMR";

}  // namespace

std::unique_ptr<PrintDialog> PrintDialog::open(HostOptions options, std::string* error, QWidget* parent)
{
    std::unique_ptr<PrintDialog> dialog(new PrintDialog(std::move(options), parent));
    if (!dialog->openFirstPrinter(error))
        return nullptr;
    return dialog;
}

PrintDialog::PrintDialog(HostOptions options, QWidget* parent) : QDialog(parent), options_(std::move(options))
{
    buildWindow();
}

// Opens the printer the options name and shows it chosen; from then on the user may choose
// another.
bool PrintDialog::openFirstPrinter(std::string* error)
{
    if (!openPrinter(options_.printer.name.value_or(""), nullptr, error))
        return false;
    const QString name = QString::fromStdString(session_->printer().name);
    if (printerPopup_->findText(name) < 0)
        printerPopup_->insertItem(0, name);
    {
        const QSignalBlocker blocker(printerPopup_);
        printerPopup_->setCurrentIndex(printerPopup_->findText(name));
    }
    connect(printerPopup_, &QComboBox::currentIndexChanged, this, &PrintDialog::printerChosen);
    return true;
}

PrintDialog::~PrintDialog()
{
    releasePrinter();
}

// A panel's action may run the event loop while it waits for the printer (the folder fetch
// does): the dialog's handlers then run inside it, and must not release or call that panel.
bool PrintDialog::panelIsWaiting() const
{
    platform::PDEPanel* panel = session_ ? session_->panel() : nullptr;
    return panel && platform::isRunningAnAction(panelScroll_->widget());
}

// Lays out the window: printer, copies and files above the tabs, Print and Cancel below.
void PrintDialog::buildWindow()
{
    setWindowTitle(
        options_.files.empty()
            ? tr("Print")
            : tr("Print \u201c%1\u201d").arg(QFileInfo(QString::fromStdString(options_.files.front())).fileName()));
    setSizeGripEnabled(true);

    printerPopup_ = new QComboBox(this);
    printerPopup_->setObjectName("printerPopup");
    for (const std::string& name : availablePrinters())
        printerPopup_->addItem(QString::fromStdString(name));
    copiesSpin_ = new QSpinBox(this);
    copiesSpin_->setObjectName("copiesSpin");
    copiesSpin_->setRange(1, 999);
    copiesSpin_->setValue(options_.copies);
    copiesSpin_->setAccessibleName(tr("Copies"));
    printerPopup_->setAccessibleName(tr("Printer"));
    collateCheck_ = new QCheckBox(tr("Co&llate"), this);
    collateCheck_->setObjectName("collateCheck");
    collateCheck_->setChecked(true);
    collateCheck_->setEnabled(options_.copies > 1);
    printerStateLabel_ = new QLabel(this);
    printerStateLabel_->setObjectName("printerStateLabel");
    printerStateLabel_->setWordWrap(true);
    auto* files = new QLabel(filesLine(options_.files), this);
    files->setObjectName("filesLabel");

    auto* form = new QFormLayout;
    auto* printerLabel = new QLabel(tr("&Printer:"), this);
    printerLabel->setBuddy(printerPopup_);
    auto* copiesLabel = new QLabel(tr("Cop&ies:"), this);
    copiesLabel->setBuddy(copiesSpin_);
    form->addRow(printerLabel, printerPopup_);
    form->addRow(QString(), printerStateLabel_);
    auto* copiesRow = new QHBoxLayout;
    copiesRow->addWidget(copiesSpin_);
    copiesRow->addWidget(collateCheck_);
    copiesRow->addStretch(1);
    form->addRow(copiesLabel, copiesRow);
    form->addRow(tr("Files:"), files);

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName("statusLabel");
    statusLabel_->setWordWrap(true);
    // The panels' notes (values that could not be kept, a fetch that could not run) stay in
    // sight until the dialog closes; the last one is shown.
    noteLabel_ = makeNoteLabel(this);
    noticeRelay_ = std::make_unique<NoticeRelay>([this](const QString& note) { showNote(note); });

    tabs_ = makePageTabs(this);
    panelScroll_ = makePanelScroll(this);
    panelScroll_->hide();
    summaryTree_ = makeSummaryTree(this);
    generalPage_ = new GeneralPage(this);
    paperPage_ = new PaperPage(this);
    previewPage_ = new PreviewPage(this);
    previewPage_->setDocument(options_.files.empty() ? std::string() : options_.files.front());
    tabs_->addTab(generalPage_, tr("&General"));
    tabs_->addTab(paperPage_, tr("Paper and ou&tput"));
    tabs_->addTab(previewPage_, tr("Pre&view"));
    tabs_->addTab(summaryTree_, tr("&Summary"));
    connect(generalPage_, &GeneralPage::choicesChanged, this, &PrintDialog::jobChoicesChanged);
    connect(paperPage_, &PaperPage::choicesChanged, this, &PrintDialog::jobChoicesChanged);
    connect(paperPage_, &PaperPage::noteChanged, this, &PrintDialog::showNote);
    connect(copiesSpin_, &QSpinBox::valueChanged, this, [this](int copies) {
        collateCheck_->setEnabled(copies > 1);
        if (session_)
            session_->choices().setCopies(copies);
    });
    connect(collateCheck_, &QCheckBox::toggled, this, [this](bool on) {
        if (session_)
            session_->choices().setCollate(on);
    });
    connect(tabs_, &QTabWidget::currentChanged, this, &PrintDialog::tabChanged);

    buttons_ = new QDialogButtonBox(this);
    printButton_ = buttons_->addButton(tr("P&rint"), QDialogButtonBox::AcceptRole);
    printButton_->setObjectName("printButton");
    printButton_->setDefault(true);
    defaultButton_ = buttons_->addButton(tr("Set as &default"), QDialogButtonBox::ResetRole);
    defaultButton_->setObjectName("setDefaultButton");
    defaultButton_->setAutoDefault(false);
    buttons_->addButton(QDialogButtonBox::Cancel)->setObjectName("cancelButton");
    connect(defaultButton_, &QPushButton::clicked, this, &PrintDialog::saveAsDefault);
    connect(printButton_, &QPushButton::clicked, this, &PrintDialog::print);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(statusLabel_);
    layout->addWidget(tabs_, 1);
    layout->addWidget(noteLabel_);
    layout->addWidget(buttons_);
    resize(760, 640);
}

// Opens the session of a printer and shows its panel; false, with a message in error, when
// the printer cannot be had: the window then says why and offers the summary only.
bool PrintDialog::openPrinter(const std::string& name, const platform::PrintSettings* carried, std::string* error)
{
    HostOptions printerOptions = options_;
    // What the command line says about the printer holds for the printer it named.
    if (!name.empty() && initialPrinter_ && name != *initialPrinter_)
        printerOptions.printer = PrinterRequest{name, std::nullopt, false, std::nullopt};
    else if (!name.empty())
        printerOptions.printer.name = name;
    auto alert = [this](const std::string& message, const std::string& button) { presentAlert(message, button); };
    session_ = DialogSession::open(printerOptions, alert, error, carried);
    panelRestored_ = false;
    if (!session_) {
        showStatus(QString::fromStdString(*error));
        printButton_->setEnabled(false);
        attachPages();
        return false;
    }
    // The command line's job options hold for the printer it named, as its --set do.
    std::vector<std::string> notes = session_->startNotes();
    if (!initialPrinter_) {
        std::string problem;
        if (applyOptionArguments(session_->choices(), options_.jobOptions, options_.pages, &notes, &problem) !=
            OptionArgumentsOutcome::Applied) {
            report(problem);
            notes.push_back(problem);
        }
    }
    for (const std::string& note : notes)
        showNote(QString::fromStdString(note));
    attachPages();
    if (!initialPrinter_)
        initialPrinter_ = session_->printer().name;
    printButton_->setEnabled(true);
    QString status;
    if (!session_->panel())
        status = tr("This printer has no Job Control tab: %1.").arg(QString::fromStdString(session_->noPanelReason()));
    else if (session_->printer().isBuiltInSample && !options_.dryRun)
        status = tr("The built-in sample printer has no CUPS queue: try the tab here, print to a CUPS queue.");
    showStatus(status);
    showPanelTab();
    return true;
}

// The dialog's own pages show the printer's options and the job's choices.
void PrintDialog::attachPages()
{
    JobChoices* choices = session_ ? &session_->choices() : nullptr;
    defaultButton_->setEnabled(session_ && !session_->printer().isBuiltInSample);
    if (!choices) {
        printerStateLabel_->clear();
        generalPage_->attach(nullptr);
        paperPage_->attach(nullptr, {}, {});
        return;
    }
    choices->setCopies(copiesSpin_->value());
    choices->setCollate(collateCheck_->isChecked());
    const PrinterStatus status =
        session_->printer().isBuiltInSample ? PrinterStatus{} : queryPrinterStatus(session_->printer().name);
    QStringList about;
    if (!status.state.empty())
        about << QString::fromStdString(status.state);
    if (!status.location.empty())
        about << tr("Location: %1").arg(QString::fromStdString(status.location));
    printerStateLabel_->setText(about.join(QStringLiteral(" \u00b7 ")));
    printerStateLabel_->setVisible(!about.isEmpty());
    choices->setDefaultPaper(status.defaultMedia);
    generalPage_->attach(choices);
    paperPage_->attach(choices, session_->panelOptionKeys(), status);
    jobChoicesChanged();
}

// The preview follows the paper size and the orientation.
void PrintDialog::jobChoicesChanged()
{
    if (!session_)
        return;
    const JobChoices& choices = session_->choices();
    const std::string turn = choices.option("orientation-requested").value_or("3");
    previewPage_->setPaper(choices.paperName(), choices.ppd(), turn == "4" || turn == "5");
}

// A note stays in sight under the tabs until the next one.
void PrintDialog::showNote(const QString& note)
{
    noteLabel_->setText(note);
    noteLabel_->setVisible(!note.isEmpty());
}

// "Set as default": the printer and its choices go to the user's lpoptions.
void PrintDialog::saveAsDefault()
{
    if (!session_)
        return;
    const std::string printer = session_->printer().name;
    std::string problem;
    if (!::saveAsDefault(printer, session_->choices().rememberedOptions(), session_->ppdOptionNames(), &problem))
        showNote(QString::fromStdString(problem));
    else
        showNote(tr("%1 and these settings are now your defaults.").arg(QString::fromStdString(printer)));
}

// Puts the panel's view in the first tab and shows it; without a view the summary stays alone.
void PrintDialog::showPanelTab()
{
    platform::PDEPanel* panel = session_->panel();
    QWidget* view = panel ? panel->panelView() : nullptr;
    if (!view) {
        if (panel)
            showStatus(tr("The Job Control panel could not load its layout."));
        tabChanged(tabs_->currentIndex());
        return;
    }
    panelScroll_->setWidget(view);
    {
        const QSignalBlocker blocker(tabs_);
        tabs_->insertTab(0, panelScroll_, panelTabTitle(panel->panelName(), kDialogMnemonics));
    }
    tabs_->setCurrentWidget(panelScroll_);
    tabChanged(tabs_->currentIndex());
}

// Lets go of the printer's panels: the tab goes, and the view goes back to its panel, which
// deletes it with the session.
void PrintDialog::releasePrinter()
{
    // The job's settings outlive the printer, also past one that cannot be opened.
    if (session_)
        jobSettings_ = session_->callback().settings();
    shownPage_ = nullptr;
    {
        const QSignalBlocker blocker(tabs_);
        const int index = tabs_->indexOf(panelScroll_);
        if (index >= 0)
            tabs_->removeTab(index);
    }
    panelScroll_->takeWidget();
    session_.reset();
}

// The user chose another printer: the job's settings move to it, the old panel goes.
void PrintDialog::printerChosen(int index)
{
    const std::string name = printerPopup_->itemText(index).toStdString();
    if (panelIsWaiting()) {
        // The panel is inside an action; its printer must stay until the action returns.
        const QSignalBlocker blocker(printerPopup_);
        if (session_)
            printerPopup_->setCurrentText(QString::fromStdString(session_->printer().name));
        showStatus(tr("The panel is waiting for the printer; change printers when it has answered."));
        QApplication::beep();
        return;
    }
    if (session_ && shownPage_ == panelScroll_)
        panelTabLeft();  // its values belong to the job, which moves to the new printer
    releasePrinter();
    std::string unavailable;  // the window shows it in place of the printer's pages
    openPrinter(name, jobSettings_ ? &*jobSettings_ : nullptr, &unavailable);
}

// Tells the panels that the user left or reached their tab, and fills the summary page.
void PrintDialog::tabChanged(int /*index*/)
{
    QWidget* page = tabs_->currentWidget();
    if (page == shownPage_)
        return;
    if (shownPage_ == panelScroll_ && session_ && session_->panel() && !session_->panel()->shouldHide()) {
        const QSignalBlocker blocker(tabs_);
        tabs_->setCurrentWidget(panelScroll_);
        return;
    }
    if (shownPage_ == panelScroll_)
        panelTabLeft();
    shownPage_ = page;
    if (page == panelScroll_)
        panelTabShown();
    else if (page == summaryTree_)
        fillSummary();
}

// The panel's tab came into view: it is shown, and restored from the job the first time.
void PrintDialog::panelTabShown()
{
    platform::PDEPanel* panel = session_ ? session_->panel() : nullptr;
    if (!panel)
        return;
    panel->willShow();
    if (!panelRestored_) {
        panel->restoreValuesAndReturnError(nullptr);
        panelRestored_ = true;
        applyCommandLineOperations();
    }
}

// The panel's tab went out of view: its values go into the job's settings.
void PrintDialog::panelTabLeft()
{
    platform::PDEPanel* panel = session_ ? session_->panel() : nullptr;
    // A panel inside an action is saved before printing instead.
    if (!panel || !panelRestored_ || panelIsWaiting())
        return;
    panel->saveValuesAndReturnError(nullptr);
}

// The --set and --paste of the command line, once, on the first panel shown.
void PrintDialog::applyCommandLineOperations()
{
    if (operationsApplied_)
        return;
    operationsApplied_ = true;
    applyOperationsInWindow(session_->panel()->panelView(), options_.operations,
                            [this](const QString& refusal) { showStatus(refusal); });
}

// The summary page: the dialog's own lines, then each panel's lines under its name.
void PrintDialog::fillSummary()
{
    summaryTree_->clear();
    auto* printer = new QTreeWidgetItem(summaryTree_, QStringList{tr("Printer")});  // the tree owns it
    addSummaryLine(printer, tr("Printer"), printerPopup_->currentText());
    addSummaryLine(printer, tr("Copies"), QString::number(copiesSpin_->value()));
    addSummaryLine(printer, tr("Files"), filesLine(options_.files));
    if (session_) {
        const JobChoices& choices = session_->choices();
        addSummaryLine(printer, tr("Pages"), QString::fromStdString(choices.option("page-ranges").value_or("all")));
        for (const auto& [keyword, choice] : choices.ppdOptions()) {
            const PPDOptionEntry option = describePPDOption(choices.ppd(), keyword.c_str());
            QString shown = QString::fromStdString(choice);
            for (const PPDChoiceEntry& entry : option.choices)
                if (entry.keyword == choice)
                    shown = QString::fromStdString(entry.text);
            addSummaryLine(printer, QString::fromStdString(option.text.empty() ? keyword : option.text), shown);
        }
        for (const auto& [name, value] : choices.cupsOptions())
            if (name != "page-ranges")
                addSummaryLine(printer, cupsOptionTitle(name), cupsOptionValueText(name, value));
    }
    if (session_) {
        for (const auto& panel : session_->panels())
            addPanelSummary(summaryTree_, *panel);
    }
    finishSummary(summaryTree_);
}

// Print: the panels save and agree, then the files go to CUPS (unless a dry run).
void PrintDialog::print()
{
    if (panelIsWaiting()) {
        showStatus(tr("The panel is waiting for the printer; print when it has answered."));
        QApplication::beep();
        return;
    }
    if (!session_)
        return;
    if (!options_.dryRun && session_->printer().isBuiltInSample) {
        QMessageBox::warning(this, tr("Not printed"),
                             tr("The built-in sample printer has no CUPS queue to print to. Choose a CUPS "
                                "queue, or start korvane-print with --dry-run to try the dialog."));
        return;
    }
    if (!options_.dryRun && options_.files.empty()) {
        QMessageBox::warning(this, tr("Not printed"),
                             tr("There is nothing to print: name the files on the command line."));
        return;
    }
    if (!generalPage_->pagesAreValid()) {
        tabs_->setCurrentWidget(generalPage_);
        QMessageBox::warning(this, tr("Not printed"),
                             tr("The pages to print are not right. %1")
                                 .arg(generalPage_->findChild<QLabel*>("pageRangesProblem")->text()));
        return;
    }
    platform::PDEPanel* panel = session_->panel();
    if (panel && shownPage_ == panelScroll_ && panelRestored_)
        panel->saveValuesAndReturnError(nullptr);
    for (const auto& each : session_->panels())
        each->shouldPrint();
    if (panel)
        printedSummary_ = panel->summaryInfo();
    if (options_.screenshot && !grab().save(QString::fromStdString(*options_.screenshot), "PNG"))
        report("cannot write the screenshot " + *options_.screenshot);
    if (!options_.dryRun && !submitToCups())
        return;
    accept();
}

// Sends the job; false, with a message box saying why, when CUPS did not take it.
bool PrintDialog::submitToCups()
{
    std::string error;
    jobId_ = sendJob(&error);
    if (!jobId_) {
        QMessageBox::warning(this, tr("Not printed"),
                             tr("The job was not printed.\n\n%1").arg(QString::fromStdString(error)));
        return false;
    }
    return true;
}

// The job of the session's printer as CUPS took it, its warnings on standard error; nothing,
// with a message in error, when the job cannot be sent.
std::optional<int> PrintDialog::sendJob(std::string* error)
{
    const std::optional<JobRequest> job = session_->jobRequest(options_.files, copiesSpin_->value(), error);
    if (!job) {
        *error += "; nothing was sent";
        return std::nullopt;
    }
    std::vector<std::string> warnings;
    const std::optional<int> jobId = submitJob(*job, &warnings, error);
    for (const std::string& warning : warnings)
        reportLine("warning", warning);
    return jobId;
}

// The panel's informational alert: a message box with the one button the panel names.
void PrintDialog::presentAlert(const std::string& message, const std::string& buttonTitle)
{
    presentPanelAlert(this, windowTitle(), message, buttonTitle);
}

// The line under the printer that says what is special about it, or nothing.
void PrintDialog::showStatus(const QString& text)
{
    statusLabel_->setText(text);
    statusLabel_->setVisible(!text.isEmpty());
}

ExitStatus runWindow(const HostOptions& options)
{
    std::string error;
    if (!filesArePrintable(options.files, &error)) {
        report(error);
        return ExitStatus::Unavailable;
    }
    const std::unique_ptr<PrintDialog> dialog = PrintDialog::open(options, &error);
    if (!dialog) {
        report(error);
        return ExitStatus::Unavailable;
    }
    if (dialog->exec() != QDialog::Accepted)
        return ExitStatus::Cancelled;
    if (dialog->jobId())
        report("sent job " + std::to_string(*dialog->jobId()) + " to " + dialog->session()->printer().name);
    if (options.dump)
        std::cout << QJsonDocument(dumpSession(*dialog->session(), dialog->printedSummary()))
                         .toJson(QJsonDocument::Indented)
                         .toStdString();
    return ExitStatus::Done;
}
