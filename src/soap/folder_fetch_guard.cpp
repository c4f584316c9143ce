#include "soap/folder_fetch_guard.h"

#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"

// What the guard and a running exchange share; it outlives whichever of them goes first.
struct FolderFetchGuard::Shared {
    KorvanePrintPdeRk880JCSOAPClient* client = nullptr;  // the exchange under way, if any
    bool ownerGone = false;
};

FolderFetchGuard::FolderFetchGuard()
    : watchdogInterval(KorvanePrintPdeRk880JCSOAPClient::kWatchdogInterval), shared_(std::make_shared<Shared>())
{
}

FolderFetchGuard::~FolderFetchGuard()
{
    shared_->ownerGone = true;
    if (shared_->client)
        shared_->client->abandon();
}

bool FolderFetchGuard::isBusy() const { return shared_->client != nullptr; }

bool FolderFetchGuard::run(KorvanePrintPdeRk880JCSOAPClient& client, const std::optional<platform::ByteBuffer>& body)
{
    // Held on the stack: the guard itself may be gone when sendMessage returns.
    const std::shared_ptr<Shared> shared = shared_;
    client.setWatchdogInterval(watchdogInterval);
    shared->client = &client;
    client.sendMessage(body);
    shared->client = nullptr;
    return !shared->ownerGone;
}
