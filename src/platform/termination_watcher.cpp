// Receives the termination signals through a signalfd, so no handler and no global state is needed.
#include "platform/termination_watcher.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

namespace platform {

namespace {

// The set of signals that end the program.
sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

// Blocks SIGTERM and SIGINT for this thread and the threads it starts; call before any thread starts.
void blockTerminationSignals()
{
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// Opens the signalfd and starts watching it in the event loop.
TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    const sigset_t set = terminationSignals();
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationWatcher::readSignal);
}

// Stops watching and closes the signalfd.
TerminationWatcher::~TerminationWatcher()
{
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

// Tells whether the signalfd could be opened.
bool TerminationWatcher::isWatching() const
{
    return fd_ >= 0;
}

// Drains the pending signal and asks for termination.
void TerminationWatcher::readSignal()
{
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    emit terminationRequested();
}

}  // namespace platform
