// Waiting on the calling thread while its event loop runs, and one-shot timers on that loop.
#pragma once

#include "platform/non_copyable.h"

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

namespace platform {

// Runs the calling thread's event loop in bounded slices; a slice ends early when woken.
class WaitLoop : NonCopyable {
public:
    WaitLoop();
    ~WaitLoop();

    // Delivers the thread's events until `slice` has passed or wake() is called from one of
    // them. Also works while the application is quitting, when a nested exec() would return
    // at once and leave nothing to end the wait.
    void runSlice(std::chrono::milliseconds slice);
    // Ends the slice that runs now; does nothing between slices.
    void wake();

private:
    std::unique_ptr<QTimer> sliceEnd_;
    bool running_ = false;
    bool sliceOver_ = false;
};

// Calls a function once, from the thread's event loop, after an interval; never after the
// timer is gone.
class OneShotTimer : NonCopyable {
public:
    OneShotTimer();
    ~OneShotTimer();

    // (Re)starts the timer.
    void start(std::chrono::milliseconds interval, std::function<void()> fire);
    void stop();
    bool isActive() const;

private:
    std::unique_ptr<QTimer> timer_;
    std::function<void()> fire_;
};

}  // namespace platform
