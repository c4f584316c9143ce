// One HTTP/1.1 POST over a socket of the toolkit, reported event by event to a delegate on the
// thread that started it, while that thread runs its event loop.
//
// The exchange is strict about what a complete response is, since the peer may be a printer
// gone wrong: the body must be exactly what the response announced (its Content-Length, or
// well-formed chunks ending in the last chunk, or everything up to the close when it announces
// neither), in no content encoding, with a head of bounded size, and never larger than the
// caller's bound. The request is sent once, on a connection of its own, never again.
//
// Not QNetworkAccessManager: Qt 6.4's re-sends a POST after an early close, blocks its caller
// in the destructor for its worker thread (5 s after a flood of headers), takes chunked bodies
// far past any cap before a caller can look, and calls cut, overlong or encoded bodies whole.
#pragma once

#include "platform/bundle.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// What the exchange tells its delegate, in the order the network layer reports it.
class HttpExchangeDelegate {
public:
    virtual ~HttpExchangeDelegate() = default;
    // A response has begun: its status line and headers are in.
    virtual void exchangeDidReceiveResponse() = 0;
    // A piece of the response body, in order of arrival.
    virtual void exchangeDidReceiveData(const char* bytes, std::size_t count) = 0;
    // The response is complete, whatever its HTTP status.
    virtual void exchangeDidFinish() = 0;
    // The exchange ended without a complete response: refused, unresolved, dropped, timed out,
    // cut short, longer than announced, malformed, encoded, or larger than the bound.
    virtual void exchangeDidFail() = 0;
};

// What to send.
struct HttpPost {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;  // sent in this order
    ByteBuffer body;
    // How long the exchange may stand still (looking up the host, connecting, sending, waiting
    // for the reply's next bytes) before it fails.
    std::chrono::milliseconds transferTimeout{60000};
    // The largest body the caller takes; a response that passes it fails as soon as it does.
    std::size_t maxBodyBytes = 16 * 1024 * 1024;
};

class HttpExchange {
public:
    // Starts the POST at once, directly (no proxy, no cache), following no redirect; nothing
    // when the request cannot be made. The delegate must outlive the exchange.
    static std::unique_ptr<HttpExchange> start(const HttpPost& post, HttpExchangeDelegate& delegate);
    // Cancels the exchange if it is still under way; returns at once.
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    // Ends the exchange now; the delegate hears nothing more from it.
    void cancel();

private:
    struct Impl;
    explicit HttpExchange(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Whether text is an absolute URL with a scheme and a host, written without characters a URL
// may not hold.
bool isAbsoluteURL(const std::string& text);

}  // namespace platform
