#include "session_report.h"

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/field_report.h"

#include <QLayout>
#include <QWidget>

QJsonObject dumpSession(DialogSession& session, const std::optional<SummaryLines>& summary)
{
    QJsonObject dump;
    QJsonObject settings;
    for (const auto& [key, value] : session.callback().settings().values())
        settings.insert(QString::fromStdString(key), QString::fromStdString(value));
    dump.insert("printSettings", settings);
    const auto& jobName = session.callback().settings().jobName();
    dump.insert("jobName", jobName ? QJsonValue(QString::fromStdString(*jobName)) : QJsonValue());
    // QJsonObject keeps its keys sorted, as the dump promises.
    QJsonObject jobOptions;
    for (const auto& [name, value] : session.jobOptions())
        jobOptions.insert(QString::fromStdString(name), QString::fromStdString(value));
    dump.insert("jobOptions", jobOptions);

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

bool writePanelScreenshot(platform::PDEPanel& panel, const std::string& path, std::string* error)
{
    QWidget* view = panel.panelView();
    if (!view) {
        *error = "the panel has no view to render";
        return false;
    }
    view->ensurePolished();
    if (view->layout())
        view->layout()->activate();
    view->resize(view->sizeHint().expandedTo(view->minimumSizeHint()).expandedTo(QSize(560, 380)));
    if (!view->grab().save(QString::fromStdString(path), "PNG")) {
        *error = "cannot write the screenshot " + path;
        return false;
    }
    return true;
}
