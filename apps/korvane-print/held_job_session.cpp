#include "held_job_session.h"

#include "batch_run.h"
#include "notice_relay.h"

#include <QJsonDocument>

#include <iostream>

namespace {

// The options of the job's queue: the printer is the queue cupsd holds the job on, the rest
// (layout, constraint handling) as the command line says.
HostOptions queueOptions(const HostOptions& options, const HeldJob& job)
{
    HostOptions queue = options;
    queue.printer = PrinterRequest{job.queue, std::nullopt, false, std::nullopt};
    queue.files.clear();
    queue.settingsFile.reset();
    queue.title.reset();
    return queue;
}

}  // namespace

std::unique_ptr<HeldJobSession> HeldJobSession::open(const HostOptions& options, HeldJob job,
                                                     HostCallback::AlertPresenter alert, std::string* error)
{
    if (!isAnswerableBy(job, cupsUser(), error))
        return nullptr;
    std::unique_ptr<HeldJobSession> session(new HeldJobSession);
    session->start_ = startFor(job);
    session->dialog_ =
        DialogSession::open(queueOptions(options, job), std::move(alert), error, &session->start_.settings);
    if (!session->dialog_)
        return nullptr;
    if (!session->dialog_->panel()) {
        *error = "job " + std::to_string(job.id) + " waits on \"" + job.queue +
                 "\", which is not a queue of this printer model: " + session->dialog_->noPanelReason();
        return nullptr;
    }
    session->job_ = std::move(job);
    return session;
}

std::vector<std::string> HeldJobSession::carryOver()
{
    if (carriedOver_)
        return {};
    carriedOver_ = true;
    return carryIntoTab(panel().panelView(), start_.operations);
}

bool HeldJobSession::answer(std::string* error)
{
    // The job may have changed since the window opened: answered elsewhere, cancelled, or its
    // documents arrived.
    std::optional<HeldJob> now = readJob(job_.id, error);
    if (!now || !isAnswerableBy(*now, cupsUser(), error) || !isComplete(*now, error))
        return false;
    job_ = std::move(*now);
    std::string problem;
    std::optional<JobAnswer> answer = answerFor(job_, dialog_->callback().settings(), dialog_->panelOptionKeys(),
                                                dialog_->choices().ppd(), cupsUser(), &problem);
    if (!answer) {
        *error = "the job's settings were not set: " + problem;
        return false;
    }
    return applyAnswer(job_, *answer, error);
}

bool HeldJobSession::refresh()
{
    std::string ignored;
    std::optional<HeldJob> now = readJob(job_.id, &ignored);
    if (!now)
        return false;
    job_ = std::move(*now);
    return true;
}

std::string HeldJobSession::answeredLine() const
{
    const char* done = jobWait(job_) == JobWait::Stopped ? "restarted" : "released";
    return std::string(done) + " job " + std::to_string(job_.id) + " on " + job_.queue;
}

ExitStatus runHeldJobBatch(const HostOptions& options)
{
    const NoticeRelay notesOnStandardError;
    std::string error;
    std::optional<HeldJob> job = readJob(*options.jobId, &error);
    std::unique_ptr<HeldJobSession> session =
        job ? HeldJobSession::open(options, std::move(*job), alertOnStandardError, &error) : nullptr;
    if (!session) {
        report(error);
        return ExitStatus::Unavailable;
    }
    for (const std::string& note : session->startNotes())
        reportLine("note", note);
    std::optional<SummaryLines> summary;
    for (const std::string& call : options.calls) {
        if (!makeHostCall(call, session->panel(), options, summary))
            return ExitStatus::Refused;
        if (call == "restore")
            for (const std::string& note : session->carryOver())
                reportLine("note", note);
    }
    if (options.screenshot) {
        if (!writePanelScreenshot(session->panel(), *options.screenshot, &error)) {
            report(error);
            return ExitStatus::Unavailable;
        }
    }
    if (options.dump)
        std::cout
            << QJsonDocument(dumpSession(session->dialog(), summary)).toJson(QJsonDocument::Indented).toStdString();
    if (options.dryRun)
        return ExitStatus::Done;
    if (!session->answer(&error)) {
        report(error);
        return ExitStatus::NotPrinted;
    }
    report(session->answeredLine());
    return ExitStatus::Done;
}
