// The agent (korvane-print --agent): it stays in the user's desktop session, hears cupsd's job
// events on the system bus, and opens the --job window for each job of the user that waits for
// its job control settings on a queue of this printer model. One window per job; never one for
// another user's job, nor for a held job that already carries the tab's settings. It keeps no
// timer running: it wakes for cupsd's events, and once a day to renew its subscription.
#pragma once

#include "agent_notice.h"
#include "cups_events.h"
#include "held_job_dialog.h"
#include "host_report.h"
#include "options.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <string>

class QDBusMessage;

class JobAgent : public QObject {
    Q_OBJECT
public:
    // Each window gets the options' layout and constraint handling.
    explicit JobAgent(HostOptions options, QObject* parent = nullptr);
    ~JobAgent() override;

    // Subscribes to cupsd's events, listens on the system bus and offers the jobs that already
    // wait; false, with a message in error, when either is not to be had.
    bool start(std::string* error);

    // The window open for the job, or nullptr.
    HeldJobDialog* windowFor(int jobId) const;
    // The notice of waiting jobs.
    AgentNotice& notice() { return notice_; }
    // The window whose notes the panels' notices go to: the active one, else the newest.
    HeldJobDialog* noteWindow() const;

public slots:
    // Looks at the job and, when it waits for this user's settings on a queue of this model,
    // opens its window (or brings the open one to the front).
    void offerJob(int jobId);

signals:
    // A window was opened for the job.
    void windowOpened(int jobId, HeldJobDialog* window);

private slots:
    void cupsEvent(const QDBusMessage& message);

private:
    bool offersJob(const HeldJob& job) const;
    void openWindow(HeldJob job);
    void scheduleRenewal();
    void renewSubscription();

    HostOptions options_;
    CupsEventSubscription subscription_;
    QTimer renewal_;  // one shot, before the lease ends
    AgentNotice notice_;
    std::map<int, QPointer<HeldJobDialog>> windows_;
    int newestJob_ = 0;
};

// Runs the agent until the session ends it (SIGTERM, SIGINT); the process exit status.
ExitStatus runAgent(const HostOptions& options);
