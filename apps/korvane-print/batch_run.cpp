#include "batch_run.h"

#include "cups_submit.h"
#include "dialog_session.h"
#include "notice_relay.h"
#include "platform/automation.h"
#include "session_report.h"

#include <QJsonDocument>
#include <QWidget>

#include <iostream>

namespace {

void printError(const std::string& message)
{
    std::cerr << "korvane-print: " << message << std::endl;
}

// In batch mode an alert is a line on standard error; it is dismissed at once.
void alertOnStandardError(const std::string& message, const std::string& button)
{
    std::cerr << "korvane-print: alert: " << message << " [" << button << "]" << std::endl;
}

// Runs the --set and --paste operations in order; false after the first refusal.
bool runOperations(platform::PDEPanel& panel, const std::vector<ControlOperation>& operations)
{
    QWidget* view = panel.panelView();
    if (!view && !operations.empty()) {
        printError("the panel has no view to operate (its layout could not be loaded)");
        return false;
    }
    for (const ControlOperation& operation : operations) {
        auto error = operation.kind == ControlOperation::Kind::Set
                         ? platform::operateControl(view, operation.outlet, operation.value)
                         : platform::pasteIntoControl(view, operation.outlet, operation.value);
        if (error) {
            printError(*error);
            return false;
        }
    }
    return true;
}

// Makes one host call; false when it refused.
bool makeCall(const std::string& call, platform::PDEPanel& panel, const HostOptions& options,
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

// Sends the files to the session's queue; false, with the message printed, when CUPS did not
// take the whole job.
bool submitFiles(DialogSession& session, const HostOptions& options)
{
    const SubmitResult result = submitJob(session.jobRequest(options.files, options.copies));
    for (const std::string& warning : result.warnings)
        printError("warning: " + warning);
    if (!result.jobId) {
        printError(result.error);
        return false;
    }
    std::cerr << "korvane-print: sent job " << *result.jobId << " to " << session.printer().name << std::endl;
    return true;
}

}  // namespace

int runBatch(const HostOptions& options)
{
    const NoticeRelay notesOnStandardError;
    if (auto problem = unreadableFile(options.files)) {
        printError(*problem);
        return 1;
    }
    std::string error;
    auto session = DialogSession::open(options, alertOnStandardError, &error);
    if (!session) {
        printError(error);
        return 1;
    }
    const bool submits = !options.files.empty() && !options.dryRun;
    if (submits && session->printer().isBuiltInSample) {
        printError("the built-in sample printer has no CUPS queue to print to; add --dry-run, or choose a queue "
                   "with --printer");
        return 1;
    }
    std::optional<SummaryLines> summary;
    platform::PDEPanel* panel = session->panel();
    if (!panel) {
        if (!options.operations.empty() || options.screenshot) {
            printError("printer \"" + session->printer().name + "\" has no Job Control panel: " + session->noPanelReason());
            return 1;
        }
    } else {
        for (const std::string& call : options.calls)
            if (!makeCall(call, *panel, options, summary))
                return 3;
        if (options.screenshot) {
            if (auto problem = writePanelScreenshot(*panel, *options.screenshot)) {
                printError(*problem);
                return 1;
            }
        }
    }
    if (options.dump)
        std::cout << QJsonDocument(dumpSession(*session, summary)).toJson(QJsonDocument::Indented).toStdString();
    if (submits && !submitFiles(*session, options))
        return 4;
    return 0;
}
