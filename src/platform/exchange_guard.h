// An owner's hold on the one exchange it may run at a time. An exchange waits inside a
// control's action while the event loop runs, so the user may act again and the host may call
// in or even destroy the owner meanwhile; this guard keeps all of that safe.
#pragma once

#include "platform/non_copyable.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

// An exchange that waits on the calling thread and can be told to stop at once.
class AbandonableExchange {
public:
    // Stops the wait at once; the exchange then writes nothing and calls no one back.
    virtual void abandon() = 0;

protected:
    ~AbandonableExchange() = default;
};

class ExchangeGuard : NonCopyable {
public:
    ExchangeGuard();
    // Stops an exchange that still waits.
    ~ExchangeGuard();

    // Whether an exchange is under way.
    bool isBusy() const;

    // Runs wait, which returns once exchange has ended, as the owner's exchange. False when
    // the owner was destroyed meanwhile: the caller must then return without touching it.
    bool run(AbandonableExchange& exchange, const std::function<void()>& wait);

    // How long an exchange may take; nothing for the exchange's own limit (tests shorten it).
    std::optional<std::chrono::milliseconds> watchdogInterval;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace platform
