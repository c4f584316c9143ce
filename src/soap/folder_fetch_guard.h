// The panel's hold on the one folder exchange it may run at a time. The exchange waits inside
// a button's action while the event loop runs, so the user may press again and the host may
// call in or even destroy the panel meanwhile; this guard keeps all of that safe.
#pragma once

#include "platform/bundle.h"

#include <chrono>
#include <memory>
#include <optional>

class KorvanePrintPdeRk880JCSOAPClient;

class FolderFetchGuard {
public:
    FolderFetchGuard();
    // Stops an exchange that still waits: its client returns at once and calls no one back.
    ~FolderFetchGuard();
    FolderFetchGuard(const FolderFetchGuard&) = delete;
    FolderFetchGuard& operator=(const FolderFetchGuard&) = delete;

    // Whether an exchange is under way.
    bool isBusy() const;

    // Runs client.sendMessage(body) as the owner's exchange. False when the owner was
    // destroyed meanwhile: the caller must then return without touching it.
    bool run(KorvanePrintPdeRk880JCSOAPClient& client, const std::optional<platform::ByteBuffer>& body);

    // How long an exchange may take; shorter in tests.
    std::chrono::milliseconds watchdogInterval;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
