#include "batch_run.h"

#include "cups_submit.h"
#include "dialog_parts.h"
#include "dialog_session.h"
#include "job_option_arguments.h"
#include "notice_relay.h"
#include "platform/automation.h"
#include "session_report.h"

#include <QJsonDocument>
#include <QWidget>

#include <iostream>

void alertOnStandardError(const std::string& message, const std::string& button)
{
    reportLine("alert", message + " [" + button + "]");
}

namespace {

// Runs the --set and --paste operations in order; false after the first refusal.
bool runOperations(platform::PDEPanel& panel, const std::vector<ControlOperation>& operations)
{
    QWidget* view = panel.panelView();
    if (!view && !operations.empty()) {
        report("the panel has no view to operate (its layout could not be loaded)");
        return false;
    }
    for (const ControlOperation& operation : operations) {
        std::string error;
        if (!applyOperation(view, operation, &error)) {
            report(error);
            return false;
        }
    }
    return true;
}

}  // namespace

bool makeHostCall(const std::string& call, platform::PDEPanel& panel, const HostOptions& options,
                  std::optional<SummaryLines>& summary)
{
    if (call == "panelView")
        panel.panelView();
    else if (call == "willShow")
        panel.willShow();
    else if (call == "restore")
        panel.restoreValuesAndReturnError(nullptr);
    else if (call == "save")
        panel.saveValuesAndReturnError(nullptr);
    else if (call == "shouldPrint")
        panel.shouldPrint();
    else if (call == "summary")
        summary = panel.summaryInfo();
    else if (call == "ops")
        return runOperations(panel, options.operations);
    return true;
}

namespace {

// Sends the files to the session's queue, with the message printed when they cannot go: a
// queue that cannot keep the job's secrets private is not to be had for it, and CUPS may not
// take the whole job.
ExitStatus submitFiles(DialogSession& session, const HostOptions& options)
{
    std::string error;
    const std::optional<JobRequest> job = session.jobRequest(options.files, options.copies, &error);
    if (!job) {
        report(error + "; nothing was sent");
        return ExitStatus::Unavailable;
    }
    std::vector<std::string> warnings;
    const std::optional<int> jobId = submitJob(*job, &warnings, &error);
    for (const std::string& warning : warnings)
        report("warning: " + warning);
    if (!jobId) {
        report(error);
        return ExitStatus::NotPrinted;
    }
    report("sent job " + std::to_string(*jobId) + " to " + session.printer().name);
    return ExitStatus::Done;
}

// A dry run says so when the job it tried could not be sent to its queue.
void noteUnsendableSecrets(DialogSession& session, const HostOptions& options)
{
    if (!options.dryRun || session.printer().isBuiltInSample)
        return;
    std::string problem;
    if (!session.jobRequest(options.files, options.copies, &problem))
        reportLine("note", "this job could not be printed: " + problem);
}

}  // namespace

ExitStatus runBatch(const HostOptions& options)
{
    const NoticeRelay notesOnStandardError;
    std::string error;
    if (!filesArePrintable(options.files, &error)) {
        report(error);
        return ExitStatus::Unavailable;
    }
    auto session = DialogSession::open(options, alertOnStandardError, &error);
    if (!session) {
        report(error);
        return ExitStatus::Unavailable;
    }
    std::vector<std::string> notes = session->startNotes();
    const OptionArgumentsOutcome applied =
        applyOptionArguments(session->choices(), options.jobOptions, options.pages, &notes, &error);
    if (applied != OptionArgumentsOutcome::Applied) {
        report(error);
        return applied == OptionArgumentsOutcome::Refused ? ExitStatus::Refused : ExitStatus::BadOption;
    }
    for (const std::string& note : notes)
        reportLine("note", note);
    const bool submits = !options.files.empty() && !options.dryRun;
    if (submits && session->printer().isBuiltInSample) {
        report(
            "the built-in sample printer has no CUPS queue to print to; add --dry-run, or choose a queue "
            "with --printer");
        return ExitStatus::Unavailable;
    }
    std::optional<SummaryLines> summary;
    platform::PDEPanel* panel = session->panel();
    if (!panel) {
        if (!options.operations.empty() || options.screenshot) {
            report("printer \"" + session->printer().name + "\" has no Job Control panel: " + session->noPanelReason());
            return ExitStatus::Unavailable;
        }
    } else {
        for (const std::string& call : options.calls)
            if (!makeHostCall(call, *panel, options, summary))
                return ExitStatus::Refused;
        if (options.screenshot) {
            if (!writePanelScreenshot(*panel, *options.screenshot, &error)) {
                report(error);
                return ExitStatus::Unavailable;
            }
        }
    }
    if (options.dump)
        std::cout << QJsonDocument(dumpSession(*session, summary)).toJson(QJsonDocument::Indented).toStdString();
    if (!submits) {
        noteUnsendableSecrets(*session, options);
        return ExitStatus::Done;
    }
    return submitFiles(*session, options);
}
