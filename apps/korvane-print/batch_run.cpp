#include "batch_run.h"

#include "dialog_session.h"
#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/field_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLayout>
#include <QWidget>

#include <cstdio>
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
              std::optional<std::map<std::string, std::string>>& summary)
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

QJsonObject dumpObject(DialogSession& session, const std::optional<std::map<std::string, std::string>>& summary)
{
    QJsonObject dump;
    QJsonObject settings;
    for (const auto& [key, value] : session.callback().settings().values())
        settings.insert(QString::fromStdString(key), QString::fromStdString(value));
    dump.insert("printSettings", settings);
    const auto& jobName = session.callback().settings().jobName();
    dump.insert("jobName", jobName ? QJsonValue(QString::fromStdString(*jobName)) : QJsonValue());

    platform::PDEPanel* panel = session.panel();
    QWidget* view = nullptr;
    if (panel) {
        platform::FieldReport fields;
        panel->describeFields(fields);
        dump.insert("panel", fields.object());
        // The view is asked for only when the run loaded it: a dump must not load it.
        if (fields.object().value("hasInited").toBool())
            view = panel->panelView();
    }
    dump.insert("controls", platform::describeControls(view));
    auto focus = platform::firstResponderName(view);
    dump.insert("focus", focus ? QJsonValue(QString::fromStdString(*focus)) : QJsonValue());
    if (summary) {
        QJsonObject lines;
        for (const auto& [title, value] : *summary)
            lines.insert(QString::fromStdString(title), QString::fromStdString(value));
        dump.insert("summary", lines);
    }
    return dump;
}

// Renders the panel's view at its natural size to a PNG file.
bool writeScreenshot(platform::PDEPanel& panel, const std::string& path)
{
    QWidget* view = panel.panelView();
    if (!view) {
        printError("the panel has no view to render");
        return false;
    }
    view->ensurePolished();
    if (view->layout())
        view->layout()->activate();
    view->resize(view->sizeHint().expandedTo(view->minimumSizeHint()).expandedTo(QSize(560, 380)));
    if (!view->grab().save(QString::fromStdString(path), "PNG")) {
        printError("cannot write the screenshot " + path);
        return false;
    }
    return true;
}

}  // namespace

int runBatch(const HostOptions& options)
{
    std::string error;
    auto session = DialogSession::open(options, alertOnStandardError, &error);
    if (!session) {
        printError(error);
        return 1;
    }
    std::optional<std::map<std::string, std::string>> summary;
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
        if (options.screenshot && !writeScreenshot(*panel, *options.screenshot))
            return 1;
    }
    if (!options.files.empty() && !options.dryRun) {
        printError("submitting files to CUPS is not available in this build; use --dry-run");
        return 1;
    }
    if (options.dump)
        std::cout << QJsonDocument(dumpObject(*session, summary)).toJson(QJsonDocument::Indented).toStdString();
    return 0;
}
