// One SOAP-over-HTTP exchange with the printer's folder service: post the request, wait on
// the calling thread for a complete reply, a failure or the watchdog, and leave a complete
// reply in the reply file. A failed or timed-out exchange is told to the creator.
#pragma once

#include "platform/bundle.h"
#include "platform/exchange_guard.h"
#include "platform/http_exchange.h"
#include "platform/run_loop.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// What a SOAP client tells its creator when an exchange failed or timed out.
class SOAPClientCallback {
public:
    virtual ~SOAPClientCallback() = default;
    virtual void recieveEndCallback() = 0;
};

class KorvanePrintPdeRk880JCSOAPClient final : private platform::HttpExchangeDelegate,
                                               public platform::AbandonableExchange {
public:
    // Values of the exchange's state.
    static constexpr std::int32_t kUnderWay = 0;
    static constexpr std::int32_t kReplyComplete = 1;
    static constexpr std::int32_t kWatchdogExpired = 2;
    static constexpr std::int32_t kConnectionFailed = 3;

    static constexpr std::chrono::milliseconds kWatchdogInterval{20000};
    static constexpr std::chrono::milliseconds kWaitSlice{1000};
    static constexpr std::chrono::milliseconds kRequestTimeout{60000};
    // A reply larger than this is not a folder list but a printer gone wrong; it ends the
    // exchange as a failure before it can exhaust memory.
    static constexpr std::size_t kMaxReplyBytes = 16 * 1024 * 1024;

    // A client for the service at server, reporting to context (not owned, may be null);
    // nothing when server is not an absolute URL.
    static std::unique_ptr<KorvanePrintPdeRk880JCSOAPClient> initWithServerName(const std::string& server,
                                                                                SOAPClientCallback* context);
    ~KorvanePrintPdeRk880JCSOAPClient() override;
    KorvanePrintPdeRk880JCSOAPClient(const KorvanePrintPdeRk880JCSOAPClient&) = delete;
    KorvanePrintPdeRk880JCSOAPClient& operator=(const KorvanePrintPdeRk880JCSOAPClient&) = delete;

    // Posts body (none counts as empty) and returns once the exchange has ended: the reply
    // file then holds the new reply, or the context has been told of the failure, or no
    // connection could be made and nothing happened.
    void sendMessage(const std::optional<platform::ByteBuffer>& body);

    // Called while sendMessage waits, by an owner that is going away: the exchange stops at
    // once, nothing is written and the context is never called again.
    void abandon() override;

    // How long the exchange may take before the watchdog ends it.
    void setWatchdogInterval(std::chrono::milliseconds interval) { watchdogInterval = interval; }

    // The state the last exchange ended in.
    std::int32_t state() const { return finished; }

private:
    KorvanePrintPdeRk880JCSOAPClient(SOAPClientCallback* context, std::string server);

    platform::HttpPost requestFor(const std::optional<platform::ByteBuffer>& body) const;
    void waitForEnd();
    void actOnEnd();
    void setFinished(std::int32_t state);

    // The connection's events.
    void exchangeDidReceiveResponse() override;
    void exchangeDidReceiveData(const char* bytes, std::size_t count) override;
    void exchangeDidFinish() override;
    void exchangeDidFail() override;
    void firedByTimer();

    SOAPClientCallback* m_context = nullptr;
    std::string url;
    std::int32_t finished = kUnderWay;
    bool responseData = false;  // a response has begun in this exchange
    std::optional<platform::ByteBuffer> receivedData;
    std::unique_ptr<platform::HttpExchange> connection;
    std::chrono::milliseconds watchdogInterval = kWatchdogInterval;
    platform::OneShotTimer watchdog;
    platform::WaitLoop waitLoop;
};
