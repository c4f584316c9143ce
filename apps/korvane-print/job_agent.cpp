#include "job_agent.h"

#include "notice_relay.h"
#include "platform/termination_watcher.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <chrono>

namespace {

// How much of the lease passes before the agent renews it: early enough that a busy or
// sleeping machine still renews in time.
constexpr double kRenewAt = 0.9;

// The longest title the notice shows whole; a longer one ends in an ellipsis.
constexpr qsizetype kNoticeTitleLength = 40;

// The job as the notice names it.
QString jobLine(const HeldJob& job)
{
    QString title = QString::fromStdString(job.title);
    if (title.size() > kNoticeTitleLength)
        title = title.left(kNoticeTitleLength - 1) + QChar(0x2026);
    return QObject::tr("Job %1 \u201c%2\u201d on %3").arg(job.id).arg(title, QString::fromStdString(job.queue));
}

}  // namespace

JobAgent::JobAgent(HostOptions options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    renewal_.setSingleShot(true);
    connect(&renewal_, &QTimer::timeout, this, &JobAgent::renewSubscription);
    connect(&notice_, &AgentNotice::openRequested, this, &JobAgent::offerJob);
}

JobAgent::~JobAgent()
{
    for (auto& [id, window] : windows_)
        delete window.data();
}

bool JobAgent::start(std::string* error)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        *error =
            "cannot reach the system bus, on which cupsd tells of new jobs: " + bus.lastError().message().toStdString();
        return false;
    }
    for (const char* name : kJobSignals) {
        if (!bus.connect(QString(), kNotifierPath, kNotifierInterface, name, this, SLOT(cupsEvent(QDBusMessage)))) {
            *error =
                "cannot listen for cupsd's job events on the system bus: " + bus.lastError().message().toStdString();
            return false;
        }
    }
    // Subscribed before looking, so that no job falls between the two.
    if (!subscription_.subscribe(error))
        return false;
    scheduleRenewal();
    for (int id : unfinishedJobsOfUser())
        offerJob(id);
    return true;
}

HeldJobDialog* JobAgent::windowFor(int jobId) const
{
    const auto found = windows_.find(jobId);
    return found == windows_.end() ? nullptr : found->second.data();
}

HeldJobDialog* JobAgent::noteWindow() const
{
    if (auto* active = qobject_cast<HeldJobDialog*>(QApplication::activeWindow()))
        return active;
    return windowFor(newestJob_);
}

// Any signal of the notifier's form reaches here; the job is looked at only when its state may
// be a wait.
void JobAgent::cupsEvent(const QDBusMessage& message)
{
    const std::optional<JobEvent> event = jobEventOf(message);
    if (!event)
        return;
    if (mayWait(*event)) {
        offerJob(event->jobId);
        return;
    }
    // Answered, cancelled or printed elsewhere (lp, another window): the notice goes, an open
    // window says so.
    notice_.jobSettled(event->jobId);
    if (HeldJobDialog* open = windowFor(event->jobId))
        open->jobMovedOn();
}

void JobAgent::offerJob(int jobId)
{
    if (HeldJobDialog* open = windowFor(jobId)) {
        open->raise();
        open->activateWindow();
        return;
    }
    std::string ignored;
    std::optional<HeldJob> job = readJob(jobId, &ignored);
    if (job && offersJob(*job))
        openWindow(std::move(*job));
}

// A job of this user that waits for the tab: held by a queue that holds every new job until its
// owner answers (and not answered yet), or stopped by the filter for want of a value.
bool JobAgent::offersJob(const HeldJob& job) const
{
    if (job.owner != cupsUser())
        return false;
    switch (jobWait(job)) {
    case JobWait::Stopped:
        return true;
    case JobWait::Held:
        return !carriesTabSettings(job) && queueHoldsNewJobs(job.queue);
    case JobWait::None:
        break;
    }
    return false;
}

void JobAgent::openWindow(HeldJob job)
{
    const int id = job.id;
    const QString line = jobLine(job);
    std::string unanswerable;
    std::unique_ptr<HeldJobDialog> opened = HeldJobDialog::open(options_, std::move(job), &unanswerable);
    // The queue is not one of this model, or the job stopped waiting meanwhile.
    if (!opened)
        return;
    opened->setAttribute(Qt::WA_DeleteOnClose);
    HeldJobDialog* window = opened.release();  // it deletes itself when closed
    windows_[id] = window;
    newestJob_ = id;
    connect(window, &QDialog::finished, this, [this, id](int) { windows_.erase(id); });
    connect(window, &HeldJobDialog::jobSettled, &notice_, &AgentNotice::jobSettled);
    window->show();
    window->raise();
    window->activateWindow();
    notice_.jobWaits(id, line);
    report(line.toStdString() + " waits for its job control settings");
    emit windowOpened(id, window);
}

void JobAgent::scheduleRenewal()
{
    const int lease = subscription_.leaseSeconds();
    if (lease <= 0)
        return;  // a lease that never ends needs no renewal
    renewal_.start(std::chrono::milliseconds(static_cast<qint64>(lease * kRenewAt * 1000)));
}

// The once-a-day wake: renew, or subscribe anew when cupsd lost the subscription.
void JobAgent::renewSubscription()
{
    std::string error;
    if (!subscription_.renew() && !subscription_.subscribe(&error))
        reportLine("warning", error);
    scheduleRenewal();
}

ExitStatus runAgent(const HostOptions& options)
{
    QApplication::setQuitOnLastWindowClosed(false);
    platform::TerminationWatcher watcher;
    if (!watcher.isWatching()) {
        report("cannot watch for the session's end (SIGTERM)");
        return ExitStatus::Unavailable;
    }
    JobAgent agent(options);
    const NoticeRelay notes([&agent](const QString& note) {
        if (HeldJobDialog* window = agent.noteWindow())
            window->showNote(note);
    });
    std::string error;
    if (!agent.start(&error)) {
        report(error);
        return ExitStatus::Unavailable;
    }
    QObject::connect(&watcher, &platform::TerminationWatcher::terminationRequested, qApp, &QCoreApplication::quit);
    report("waiting for your print jobs that need their job control settings");
    QApplication::exec();
    return ExitStatus::Done;
}
