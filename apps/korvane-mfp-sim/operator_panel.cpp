// Renders the operator panel and carries out its forms. Every text that came with a job is
// escaped before it enters the page: names are chosen by whoever sends a job.
#include "operator_panel.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <algorithm>
#include <functional>

namespace mfpsim {

namespace {

constexpr char kHtmlType[] = "text/html; charset=utf-8";
constexpr char kJsonType[] = "application/json";
constexpr int kLogLinesShown = 100;

const char kStyle[] = R"(
body { font: 15px/1.4 "DejaVu Sans", sans-serif; margin: 0; color: #1d2330; background: #eef1f5; }
header { background: #24344d; color: #fff; padding: 12px 24px; }
header h1 { margin: 0; font-size: 22px; }
header p { margin: 4px 0 0; color: #c9d3e3; }
header a { color: #fff; }
main { padding: 8px 24px 24px; max-width: 1100px; box-sizing: border-box; }
table.accounts { width: auto; min-width: 20em; }
section { background: #fff; border: 1px solid #d4dae3; border-radius: 6px; padding: 4px 16px 12px; margin: 14px 0; }
h2 { font-size: 18px; margin: 10px 0 6px; }
h3 { font-size: 15px; margin: 10px 0 4px; color: #3a4a66; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: 5px 6px; border-bottom: 1px solid #e3e7ee; vertical-align: middle; }
th { font-size: 13px; color: #55627a; font-weight: 600; }
td.number { text-align: right; }
th.id { width: 3em; }
td.time { white-space: nowrap; font-size: 13px; color: #55627a; }
td.last { white-space: nowrap; }
tr.user th { padding-top: 12px; font-size: 15px; color: #24344d; border-bottom: 2px solid #d4dae3; }
form { display: inline-flex; gap: 6px; align-items: center; margin: 0; }
input { font: inherit; padding: 3px 6px; width: 4.5em; border: 1px solid #9aa6b8; border-radius: 4px; }
input.secret { width: 9em; }
button { font: inherit; padding: 3px 10px; border-radius: 4px; border: 1px solid #2f5ea8; background: #3b6fc2; color: #fff; cursor: pointer; }
button.delete { background: #fff; color: #a3262a; border-color: #a3262a; }
:focus-visible { outline: 3px solid #f0a30a; outline-offset: 1px; }
.badge { display: inline-block; padding: 0 8px; border-radius: 10px; font-size: 13px; background: #e3e7ee; }
.badge.locked, .badge.refused { background: #f6d5d6; color: #7d1b1e; }
.badge.held { background: #fcefc7; color: #6b4d00; }
.badge.printed { background: #d6efd9; color: #1e5b27; }
.notice { padding: 8px 12px; border-radius: 6px; background: #d6efd9; border: 1px solid #8cc596; margin: 14px 0 0; }
.notice.error { background: #f6d5d6; border-color: #d98c8f; }
.reason { white-space: normal; display: inline-block; max-width: 22em; }
.empty { color: #6b768a; font-style: italic; }
ol.log { padding-left: 0; list-style: none; font-size: 13px; margin: 0; }
ol.log li { padding: 2px 0; border-bottom: 1px dotted #e3e7ee; }
time { color: #55627a; font-variant-numeric: tabular-nums; }
)";

// Escapes a text for HTML content and attribute values.
QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// A UTC time as the panel shows it.
QString shownTime(const QDateTime& time)
{
    return escaped(time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) + QStringLiteral(" UTC");
}

// The jobs in the given states, sorted by user and then by id.
QList<const StoredJob*> jobsIn(const JobStore& store, std::initializer_list<JobState> states)
{
    QList<const StoredJob*> jobs;
    for (const StoredJob& job : store.jobs()) {
        if (std::find(states.begin(), states.end(), job.state) != states.end())
            jobs.append(&job);
    }
    std::stable_sort(jobs.begin(), jobs.end(),
                     [](const StoredJob* a, const StoredJob* b) { return a->description.user < b->description.user; });
    return jobs;
}

// The forms of a held job: release with its PIN, delete with its PIN or the administrator
// password; a locked one can only be deleted, by the administrator.
QString jobForms(const StoredJob& job)
{
    const QString id = QString::number(job.id);
    QString html;
    if (job.state == JobState::Held) {
        html += QStringLiteral(
                    "<form method=\"post\" action=\"/jobs/%1/release\">"
                    "<label for=\"pin-%1\">PIN</label>"
                    "<input id=\"pin-%1\" name=\"pin\" type=\"password\" inputmode=\"numeric\" "
                    "autocomplete=\"off\" maxlength=\"8\">"
                    "<button type=\"submit\">Release</button></form> ")
                    .arg(id);
    }
    html += QStringLiteral(
                "<form method=\"post\" action=\"/jobs/%1/delete\">"
                "<label for=\"secret-%1\">PIN or admin password</label>"
                "<input id=\"secret-%1\" name=\"pin\" type=\"password\" class=\"secret\" autocomplete=\"off\">"
                "<button type=\"submit\" class=\"delete\" aria-label=\"Delete job %1\">Delete</button></form>")
                .arg(id);
    return html;
}

// One row of a job table; the last cell is the given extra column. The cells are filled in one
// pass: a job's own text that holds "%1" must stay text, not become the next placeholder.
QString jobRow(const StoredJob& job, const QString& lastCell)
{
    const JobDescription& d = job.description;
    return QStringLiteral(
               "<tr><td class=\"number\">%1</td><td>%2</td><td><span class=\"badge %3\">%3</span></td>"
               "<td>%4</td><td class=\"number\">%5</td><td>%6</td><td class=\"time\">%7</td>"
               "<td class=\"last\">%8</td></tr>\n")
        .arg(QString::number(job.id), escaped(d.name), stateName(job.state), escaped(d.retention),
             job.pages > 0 ? QString::number(job.pages) : QStringLiteral("-"),
             escaped(d.account.isEmpty() ? QStringLiteral("-") : d.account), shownTime(job.submitted), lastCell);
}

// A section of jobs in one table, a group of rows per user; lastColumn names the extra column.
QString jobSection(const QString& anchor, const QString& title, const QList<const StoredJob*>& jobs,
                   const QString& lastColumn, const std::function<QString(const StoredJob&)>& lastCell)
{
    QString html = QStringLiteral("<section aria-labelledby=\"%1\"><h2 id=\"%1\">%2 (%3)</h2>\n")
                       .arg(anchor, escaped(title), QString::number(jobs.size()));
    if (jobs.isEmpty())
        return html + QStringLiteral("<p class=\"empty\">None.</p></section>\n");
    html += QStringLiteral(
                "<table><thead><tr><th class=\"id\">Job</th><th>Name</th><th>State</th><th>Retention</th>"
                "<th>Pages</th><th>Account</th><th>Submitted</th><th>%1</th></tr></thead>\n")
                .arg(escaped(lastColumn));
    for (qsizetype at = 0; at < jobs.size();) {
        const QString user = jobs[at]->description.user;
        html += QStringLiteral("<tbody><tr class=\"user\"><th colspan=\"8\" scope=\"rowgroup\">%1</th></tr>\n")
                    .arg(escaped(user.isEmpty() ? QStringLiteral("(no user)") : user));
        for (; at < jobs.size() && jobs[at]->description.user == user; ++at)
            html += jobRow(*jobs[at], lastCell(*jobs[at]));
        html += QStringLiteral("</tbody>\n");
    }
    return html + QStringLiteral("</table></section>\n");
}

// The filed jobs listed under their folders.
QString folderSection(const JobStore& store)
{
    QMap<QString, QStringList> byFolder;
    for (const StoredJob& job : store.jobs()) {
        if (!job.description.folder.isEmpty() && job.state != JobState::Refused && job.state != JobState::Deleted)
            byFolder[job.description.folder].append(QStringLiteral("<li>job %1: %2 (%3, %4)</li>")
                                                        .arg(QString::number(job.id), escaped(job.description.name),
                                                             escaped(job.description.user),
                                                             escaped(job.description.filing)));
    }
    QString html = QStringLiteral("<section aria-labelledby=\"filed\"><h2 id=\"filed\">Filed jobs</h2>\n");
    if (byFolder.isEmpty())
        return html + QStringLiteral("<p class=\"empty\">None.</p></section>\n");
    for (auto it = byFolder.begin(); it != byFolder.end(); ++it)
        html += QStringLiteral("<h3>%1</h3><ul>%2</ul>\n").arg(escaped(it.key()), it.value().join(QString()));
    return html + QStringLiteral("</section>\n");
}

// The accounts and the pages printed for each.
QString accountSection(const JobStore& store)
{
    QString html = QStringLiteral("<section aria-labelledby=\"accounts\"><h2 id=\"accounts\">Accounts</h2>\n");
    if (store.accountPages().isEmpty())
        return html + QStringLiteral("<p class=\"empty\">No pages counted yet.</p></section>\n");
    html += QStringLiteral(
        "<table class=\"accounts\"><thead><tr><th>Account</th><th>Pages printed</th></tr></thead><tbody>");
    for (auto it = store.accountPages().begin(); it != store.accountPages().end(); ++it)
        html += QStringLiteral("<tr><td>%1</td><td class=\"number\">%2</td></tr>")
                    .arg(escaped(it.key()), QString::number(it.value()));
    return html + QStringLiteral("</tbody></table></section>\n");
}

// The newest lines of the job log, newest first.
QString logSection(const JobStore& store)
{
    QString html = QStringLiteral("<section aria-labelledby=\"log\"><h2 id=\"log\">Job log</h2>\n<ol class=\"log\">");
    const QList<LogEntry>& log = store.log();
    for (qsizetype at = log.size() - 1; at >= 0 && at >= log.size() - kLogLinesShown; --at)
        html += QStringLiteral("<li><time>%1</time> %2</li>").arg(shownTime(log[at].time), escaped(log[at].text));
    if (log.isEmpty())
        html += QStringLiteral("<li class=\"empty\">Nothing yet.</li>");
    return html + QStringLiteral("</ol></section>\n");
}

// The job number in "/jobs/ID/ACTION", with the action; 0 when the path has another shape.
int jobIdOfPath(const QByteArray& path, QByteArray* action)
{
    const QList<QByteArray> parts = path.split('/');
    if (parts.size() != 4 || !parts[0].isEmpty() || parts[1] != "jobs" || parts[2].size() > 9)
        return 0;
    bool ok = false;
    const int id = parts[2].toInt(&ok);
    *action = parts[3];
    return ok && id > 0 && !parts[2].startsWith('+') ? id : 0;
}

// A digest of a secret, so that the comparison below always covers the same number of bytes.
QByteArray digestOf(const QByteArray& secret)
{
    return QCryptographicHash::hash(secret, QCryptographicHash::Sha256);
}

// The field "pin" of a form body: a job's PIN, or at a delete the administrator password.
QByteArray formPin(const QByteArray& body)
{
    QByteArray form = body;
    form.replace('+', ' ');
    return QUrlQuery(QString::fromUtf8(form)).queryItemValue(QStringLiteral("pin"), QUrl::FullyDecoded).toUtf8();
}

}  // namespace

// Keeps only a digest of the administrator password, never the password itself.
OperatorPanel::OperatorPanel(JobStore& store, std::optional<QByteArray> adminPassword) : store_(store)
{
    if (adminPassword)
        adminPasswordDigest_ = digestOf(*adminPassword);
}

// Tells whether the path belongs to the operator panel.
bool OperatorPanel::handlesPath(const QByteArray& path)
{
    return path == "/" || path == "/jobs" || path == "/accounts" || path.startsWith("/jobs/");
}

// Answers a request to one of the panel's paths.
HttpReply OperatorPanel::answer(const HttpRequest& request)
{
    const QByteArray path = request.path();
    QByteArray action;
    if (const int id = jobIdOfPath(path, &action)) {
        if (request.method != "POST")
            return typedReply(405, "text/plain; charset=utf-8", "405 Method Not Allowed\n");
        return answerJobAction(request, id, action);
    }
    if (request.method != "GET" || (path != "/" && path != "/jobs" && path != "/accounts"))
        return typedReply(path.startsWith("/jobs/") ? 404 : 405, "text/plain; charset=utf-8", "Not here.\n");
    if (path == "/")
        return typedReply(200, kHtmlType, panelPage(store_, {}, false));
    if (path == "/jobs")
        return typedReply(200, kJsonType, jobsJson(store_));
    QJsonObject accounts;
    for (auto it = store_.accountPages().begin(); it != store_.accountPages().end(); ++it)
        accounts.insert(it.key(), it.value());
    return typedReply(200, kJsonType, QJsonDocument(accounts).toJson(QJsonDocument::Compact));
}

// Releases or deletes a job and says what happened.
HttpReply OperatorPanel::answerJobAction(const HttpRequest& request, int id, const QByteArray& action)
{
    if (action == "release")
        return answerRelease(request, id);
    if (action == "delete")
        return answerDelete(request, id);
    return actionReply(request, 404, id,
                       QStringLiteral("Jobs know no action \"%1\".").arg(QString::fromLatin1(action.left(40))));
}

// Prints a held job for whoever types its PIN.
HttpReply OperatorPanel::answerRelease(const HttpRequest& request, int id)
{
    switch (store_.release(id, formPin(request.body))) {
    case ReleaseOutcome::Printed:
        return actionReply(request, 200, id, QStringLiteral("Job %1 printed.").arg(id));
    case ReleaseOutcome::WrongPin:
        return actionReply(request, 403, id, QStringLiteral("Wrong PIN for job %1; it stays held.").arg(id));
    case ReleaseOutcome::Locked:
        return actionReply(request, 423, id, QStringLiteral("Job %1 is locked after five wrong PINs.").arg(id));
    case ReleaseOutcome::NotHeld:
        return actionReply(request, 409, id, QStringLiteral("Job %1 is not held.").arg(id));
    case ReleaseOutcome::Unknown:
        return actionReply(request, 404, id, QStringLiteral("There is no job %1.").arg(id));
    case ReleaseOutcome::StoreFailed:
        break;
    }
    return actionReply(request, 500, id,
                       QStringLiteral("Job %1 could not be printed: the printer cannot write it.").arg(id));
}

// Deletes a job for its owner, who knows its PIN, or for the administrator; a stranger cannot.
HttpReply OperatorPanel::answerDelete(const HttpRequest& request, int id)
{
    const QByteArray secret = formPin(request.body);
    const DeleteOutcome outcome =
        isAdministratorPassword(secret) ? store_.removeAsAdministrator(id) : store_.removeWithPin(id, secret);
    switch (outcome) {
    case DeleteOutcome::Deleted:
        return actionReply(request, 200, id, QStringLiteral("Job %1 deleted.").arg(id));
    case DeleteOutcome::WrongPin:
        return actionReply(
            request, 403, id,
            QStringLiteral("Neither the PIN of job %1 nor the administrator password; it is kept.").arg(id));
    case DeleteOutcome::Locked:
        return actionReply(
            request, 423, id,
            QStringLiteral("Job %1 is locked after five wrong PINs; only the administrator can delete it.").arg(id));
    case DeleteOutcome::Unknown:
        break;
    }
    return actionReply(request, 404, id, QStringLiteral("There is no job %1.").arg(id));
}

// Tells whether typed is the administrator password, in a time that does not depend on how
// much of it is right.
bool OperatorPanel::isAdministratorPassword(const QByteArray& typed) const
{
    if (!adminPasswordDigest_ || typed.isEmpty())
        return false;
    const QByteArray digest = digestOf(typed);
    unsigned char difference = 0;
    for (qsizetype at = 0; at < digest.size(); ++at)
        difference |= static_cast<unsigned char>(digest[at] ^ adminPasswordDigest_->at(at));
    return difference == 0;
}

// The answer to a form: the panel with a notice for a browser, a JSON object for a script.
HttpReply OperatorPanel::actionReply(const HttpRequest& request, int status, int id, const QString& message) const
{
    if (request.header("Accept").contains("text/html"))
        return typedReply(status, kHtmlType, panelPage(store_, message, status != 200));
    const StoredJob* job = store_.job(id);
    const QJsonObject object{{"id", id}, {"state", job ? stateName(job->state) : QString()}, {"message", message}};
    return typedReply(status, kJsonType, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Every job as a JSON array, in the order they came.
QByteArray jobsJson(const JobStore& store)
{
    QJsonArray array;
    for (const StoredJob& job : store.jobs()) {
        const JobDescription& d = job.description;
        array.append(QJsonObject{
            {"id", job.id},
            {"name", d.name},
            {"user", d.user},
            {"state", stateName(job.state)},
            {"retention", d.retention},
            {"account", d.account},
            {"reason", job.reason},
            {"filing", d.filing},
            {"folder", d.folder},
            {"pages", job.pages},
            {"prints", job.prints},
            {"wrongPins", job.wrongPins},
            {"submitted", job.submitted.toString(Qt::ISODate)},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

// The whole operator panel page, with a notice about the last action when there is one.
QByteArray panelPage(const JobStore& store, const QString& notice, bool noticeIsError)
{
    QString html = QStringLiteral(
                       "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<title>Operator panel - korvane-mfp-sim</title><style>") +
                   QLatin1String(kStyle) +
                   QStringLiteral(
                       "</style></head><body>\n<header><h1>Operator panel</h1>"
                       "<p>Korvane RK-880 stand-in &middot; <a href=\"/\">Refresh</a> &middot; "
                       "<a href=\"/jobs\">Jobs as JSON</a></p></header>\n<main>\n");
    if (!notice.isEmpty())
        html += QStringLiteral("<p class=\"notice%1\" role=\"status\">%2</p>\n")
                    .arg(noticeIsError ? QStringLiteral(" error") : QString(), escaped(notice));
    html += jobSection(QStringLiteral("held"), QStringLiteral("Held jobs"),
                       jobsIn(store, {JobState::Held, JobState::Locked}), QStringLiteral("Actions"), jobForms);
    html += jobSection(QStringLiteral("printed"), QStringLiteral("Printed jobs"), jobsIn(store, {JobState::Printed}),
                       QStringLiteral("Prints"), [](const StoredJob& job) { return QString::number(job.prints); });
    html += jobSection(QStringLiteral("refused"), QStringLiteral("Refused jobs"), jobsIn(store, {JobState::Refused}),
                       QStringLiteral("Reason"), [](const StoredJob& job) {
                           return QStringLiteral("<span class=\"reason\">%1</span>").arg(escaped(job.reason));
                       });
    html += folderSection(store) + accountSection(store) + logSection(store);
    html += QStringLiteral("</main></body></html>\n");
    return html.toUtf8();
}

}  // namespace mfpsim
