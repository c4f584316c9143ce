// cupsd's own events about jobs, as the agent hears them: a subscription of the user's on the
// default server whose events cupsd's D-Bus notifier sends on the system bus, and the job
// events read back from those signals.
//
// cupsd offers two ways to be told: IPP's Get-Notifications (ippget), which cupsd answers at
// once with the events so far and a time to ask again, so a client must poll; and notifiers,
// programs that cupsd runs for a subscription and writes each event to. Its D-Bus notifier
// sends every event as a signal of org.cups.cupsd.Notifier on the system bus, which is what
// desktops' print notifiers listen to. cupsd runs one such notifier at a time: the first
// subscription's notifier sends, the others wait for it to end. So the subscription asks for
// the events that those desktops ask for too, and whichever notifier sends, both hear theirs.
#pragma once

#include <QString>

#include <optional>
#include <string>

class QDBusMessage;

// A subscription to cupsd's job events with the D-Bus notifier as its recipient; cancelled
// when it goes.
class CupsEventSubscription {
public:
    CupsEventSubscription() = default;
    ~CupsEventSubscription();
    CupsEventSubscription(const CupsEventSubscription&) = delete;
    CupsEventSubscription& operator=(const CupsEventSubscription&) = delete;

    // Subscribes on the default server for every queue's job events; false, with a message in
    // error, when cupsd refused.
    bool subscribe(std::string* error);
    // Renews the lease for another lease time; false when cupsd no longer knows the
    // subscription (subscribe again then).
    bool renew();
    // Ends the subscription; cupsd then ends its notifier once no other subscription needs it.
    void cancel();

    bool isActive() const { return id_ > 0; }
    int id() const { return id_; }
    // How many seconds the lease runs from the last subscription or renewal; 0 when it never
    // ends (cupsd's MaxLeaseDuration allows that, and the server granted it).
    int leaseSeconds() const { return leaseSeconds_; }

private:
    void readLease();

    int id_ = 0;
    int leaseSeconds_ = 0;
};

// The lease the agent asks for: cupsd's own default of a day, renewed before it ends, so that
// the subscription of an agent that did not end in order goes by itself.
inline constexpr int kAgentLeaseSeconds = 24 * 60 * 60;

// The bus path and interface of cupsd's D-Bus notifier's signals.
inline constexpr const char* kNotifierPath = "/org/cups/cupsd/Notifier";
inline constexpr const char* kNotifierInterface = "org.cups.cupsd.Notifier";
// The notifier's signals about jobs that the agent listens to.
inline constexpr const char* kJobSignals[] = {"JobCreated", "JobState", "JobStopped", "JobCompleted"};

// A job event as the notifier's job signals carry it.
struct JobEvent {
    int jobId = 0;
    int state = 0;        // IPP's job-state
    QString reasons;      // job-state-reasons, comma-separated
    QString printerName;  // the job's queue
};

// The job event a notifier signal carries; nothing for a signal that is no job event of the
// notifier's form.
std::optional<JobEvent> jobEventOf(const QDBusMessage& message);

// Whether the event may be a job waiting for its owner: held until a time or for ever, or
// stopped. Cheap, so that the agent asks cupsd only about jobs that may wait.
bool mayWait(const JobEvent& event);
