#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"

#include "platform/private_file.h"
#include "platform/trace.h"
#include "soap/reply.h"

std::unique_ptr<KorvanePrintPdeRk880JCSOAPClient> KorvanePrintPdeRk880JCSOAPClient::initWithServerName(
    const std::string& server, SOAPClientCallback* context)
{
    if (!platform::isAbsoluteURL(server))
        return nullptr;
    return std::unique_ptr<KorvanePrintPdeRk880JCSOAPClient>(new KorvanePrintPdeRk880JCSOAPClient(context, server));
}

KorvanePrintPdeRk880JCSOAPClient::KorvanePrintPdeRk880JCSOAPClient(SOAPClientCallback* context, std::string server)
    : m_context(context), url(std::move(server))
{
}

// The connection and the watchdog go with the client; neither can reach it afterwards.
KorvanePrintPdeRk880JCSOAPClient::~KorvanePrintPdeRk880JCSOAPClient() = default;

// The request: POST to the service with the three headers in their fixed order.
platform::HttpPost KorvanePrintPdeRk880JCSOAPClient::requestFor(const std::optional<platform::ByteBuffer>& body) const
{
    platform::HttpPost post;
    post.url = url;
    post.body = body.value_or(platform::ByteBuffer{});
    post.transferTimeout = kRequestTimeout;
    post.maxBodyBytes = kMaxReplyBytes;
    post.headers = {
        {"SOAPAction", "\"SoapActionDummy\""},
        {"Content-Type", "application/soap; charset=\"utf-8\""},
        {"Content-Length", std::to_string(post.body.size())},
    };
    return post;
}

void KorvanePrintPdeRk880JCSOAPClient::sendMessage(const std::optional<platform::ByteBuffer>& body)
{
    responseData = false;
    const platform::HttpPost request = requestFor(body);
    finished = kUnderWay;
    connection = platform::HttpExchange::start(request, *this);
    if (!connection) {
        _PDELog(this, "Connection fail");
        return;
    }
    watchdog.start(watchdogInterval, [this] { firedByTimer(); });
    receivedData.emplace();
    waitForEnd();
    // Once the outcome is known a late watchdog has nothing left to decide.
    watchdog.stop();
    actOnEnd();
    receivedData.reset();
}

// Runs the event loop in slices of at most a second until the exchange has an outcome; the
// event that decides it ends the slice at once.
void KorvanePrintPdeRk880JCSOAPClient::waitForEnd()
{
    while (finished == kUnderWay)
        waitLoop.runSlice(kWaitSlice);
}

// Keeps a complete reply, or tells the creator that there is none.
void KorvanePrintPdeRk880JCSOAPClient::actOnEnd()
{
    if (finished == kReplyComplete) {
        if (const auto path = replyFilePath())
            platform::replaceOwnFile(*path, *receivedData);
        return;
    }
    if (finished == kWatchdogExpired)
        connection->cancel();
    if (m_context)
        m_context->recieveEndCallback();
}

// Records the outcome and ends the running wait slice, so the wait returns without delay.
void KorvanePrintPdeRk880JCSOAPClient::setFinished(std::int32_t state)
{
    finished = state;
    waitLoop.wake();
}

void KorvanePrintPdeRk880JCSOAPClient::abandon()
{
    m_context = nullptr;
    if (connection)
        connection->cancel();
    watchdog.stop();
    if (finished == kUnderWay)
        setFinished(kConnectionFailed);
}

// A response begins; only what follows its start is the reply.
void KorvanePrintPdeRk880JCSOAPClient::exchangeDidReceiveResponse()
{
    responseData = true;
    if (receivedData)
        receivedData->clear();
}

void KorvanePrintPdeRk880JCSOAPClient::exchangeDidReceiveData(const char* bytes, std::size_t count)
{
    if (!receivedData)
        return;
    if (receivedData->size() + count > kMaxReplyBytes) {
        connection->cancel();
        setFinished(kConnectionFailed);
        return;
    }
    receivedData->insert(receivedData->end(), bytes, bytes + count);
}

void KorvanePrintPdeRk880JCSOAPClient::exchangeDidFinish()
{
    setFinished(kReplyComplete);
}

void KorvanePrintPdeRk880JCSOAPClient::exchangeDidFail()
{
    setFinished(kConnectionFailed);
}

void KorvanePrintPdeRk880JCSOAPClient::firedByTimer()
{
    setFinished(kWatchdogExpired);
}
