#include "platform/run_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace platform {

WaitLoop::WaitLoop() : sliceEnd_(std::make_unique<QTimer>())
{
    sliceEnd_->setSingleShot(true);
    sliceEnd_->setTimerType(Qt::PreciseTimer);
    QObject::connect(sliceEnd_.get(), &QTimer::timeout, sliceEnd_.get(), [this] { sliceOver_ = true; });
}

WaitLoop::~WaitLoop() = default;

void WaitLoop::runSlice(std::chrono::milliseconds slice)
{
    running_ = true;
    sliceOver_ = false;
    sliceEnd_->start(slice);
    // The slice timer guarantees an event, so each blocking round returns within the slice.
    while (!sliceOver_)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    sliceEnd_->stop();
    running_ = false;
}

void WaitLoop::wake()
{
    if (running_)
        sliceOver_ = true;
}

OneShotTimer::OneShotTimer() : timer_(std::make_unique<QTimer>())
{
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] {
        if (fire_)
            fire_();
    });
}

OneShotTimer::~OneShotTimer() = default;

void OneShotTimer::start(std::chrono::milliseconds interval, std::function<void()> fire)
{
    fire_ = std::move(fire);
    timer_->start(interval);
}

void OneShotTimer::stop()
{
    timer_->stop();
}

bool OneShotTimer::isActive() const
{
    return timer_->isActive();
}

}  // namespace platform
