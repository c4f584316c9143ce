#include "platform/exchange_guard.h"

namespace platform {

// What the guard and a running exchange share; it outlives whichever of them goes first.
struct ExchangeGuard::Shared {
    AbandonableExchange* exchange = nullptr;  // the exchange under way, if any
    bool ownerGone = false;
};

ExchangeGuard::ExchangeGuard() : shared_(std::make_shared<Shared>()) {}

ExchangeGuard::~ExchangeGuard()
{
    shared_->ownerGone = true;
    if (shared_->exchange)
        shared_->exchange->abandon();
}

bool ExchangeGuard::isBusy() const
{
    return shared_->exchange != nullptr;
}

bool ExchangeGuard::run(AbandonableExchange& exchange, const std::function<void()>& wait)
{
    // Held on the stack: the guard itself may be gone when wait returns.
    const std::shared_ptr<Shared> shared = shared_;
    shared->exchange = &exchange;
    wait();
    shared->exchange = nullptr;
    return !shared->ownerGone;
}

}  // namespace platform
