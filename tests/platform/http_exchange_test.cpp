// The HTTP exchange's own bound on a connection that never comes about: the exchange must end
// by itself, not only by a watchdog its caller may or may not keep.
#include "platform/http_exchange.h"
#include "platform/file_descriptor.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

namespace {

// Counts what the exchange reports.
struct Outcome : platform::HttpExchangeDelegate {
    int responses = 0;
    int finishes = 0;
    int failures = 0;
    void exchangeDidReceiveResponse() override { ++responses; }
    void exchangeDidReceiveData(const char*, std::size_t) override {}
    void exchangeDidFinish() override { ++finishes; }
    void exchangeDidFail() override { ++failures; }
    bool ended() const { return finishes + failures > 0; }
};

// A loopback port whose listener never accepts and whose queue of one waiting connection is
// full, so the system drops further connection requests and a connect hangs as it does to a
// printer that is switched off behind a router.
struct DeafListener {
    platform::FileDescriptor listener{::socket(AF_INET, SOCK_STREAM, 0)};
    platform::FileDescriptor queued{::socket(AF_INET, SOCK_STREAM, 0)};
    quint16 port = 0;

    bool open()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (!listener || !queued || ::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener.get(), 0) != 0 ||
            ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return false;
        port = ntohs(address.sin_port);
        return ::connect(queued.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
};

}  // namespace

TEST(HttpExchange, ConnectThatHangsEndsAsAFailureAfterTheTransferTimeout)
{
    DeafListener deaf;
    ASSERT_TRUE(deaf.open());
    platform::HttpPost post;
    post.url = "http://127.0.0.1:" + std::to_string(deaf.port) + "/korvane-mfp-srv";
    post.transferTimeout = std::chrono::milliseconds(300);
    Outcome outcome;
    const auto exchange = platform::HttpExchange::start(post, outcome);
    ASSERT_NE(exchange, nullptr);
    QElapsedTimer clock;
    clock.start();
    while (!outcome.ended() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(outcome.failures, 1) << "the connect was still waiting after " << clock.elapsed() << " ms";
    EXPECT_EQ(outcome.finishes + outcome.responses, 0);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 2000);
}
