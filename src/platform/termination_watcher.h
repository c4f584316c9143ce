// Turns SIGTERM and SIGINT into an orderly quit of the event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace platform {

// Blocks SIGTERM and SIGINT for this thread and the threads it starts; call before any thread starts.
void blockTerminationSignals();

// Watches a signalfd for the blocked termination signals and emits terminationRequested.
class TerminationWatcher : public QObject {
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

    bool isWatching() const;

signals:
    void terminationRequested();

private:
    void readSignal();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform
