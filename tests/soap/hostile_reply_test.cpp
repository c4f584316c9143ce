// The SOAP client against a printer gone wrong: whatever it sends, the exchange stays bounded
// in memory and time, sends its request once, and keeps only a reply that arrived exactly as
// announced.
#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"

#include "exchange_files.h"
#include "soap/reply.h"
#include "support/hostile_printer.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Client = KorvanePrintPdeRk880JCSOAPClient;
using testing_support::HostilePrinter;
namespace hostile = testing_support::hostile;

namespace {

class CountingCallback : public SOAPClientCallback {
public:
    void recieveEndCallback() override { ++calls; }
    int calls = 0;
};

class HostileReplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(replyFilePath().has_value());
        path = *replyFilePath();
        ASSERT_TRUE(soaptest::writeFile(path, "<earlier/>"));
    }

    // One exchange with the printer; its end state.
    std::int32_t exchange(const HostilePrinter& printer, std::chrono::milliseconds watchdog = 5s)
    {
        auto client = Client::initWithServerName(printer.serviceURL(), &callback);
        EXPECT_TRUE(client);
        if (!client)
            return -1;
        client->setWatchdogInterval(watchdog);
        client->sendMessage(soaptest::requestBody());
        return client->state();
    }

    testing_support::ScopedUserDirs dirs;
    CountingCallback callback;
    std::string path;
};

TEST_F(HostileReplyTest, SoundRepliesOfTheHostilePrinterAreKept)
{
    // The scripts below differ from these in one fault each.
    for (const auto& script : {hostile::soundReply(), hostile::soundChunkedReply()}) {
        ASSERT_TRUE(soaptest::writeFile(path, "<earlier/>"));
        HostilePrinter printer(script);
        EXPECT_EQ(exchange(printer), Client::kReplyComplete) << script.name;
        EXPECT_EQ(soaptest::fileContents(path), testing_support::hostileFolderReply()) << script.name;
    }
    EXPECT_EQ(callback.calls, 0);
}

TEST_F(HostileReplyTest, TransferThatIsNotExactlyTheAnnouncedBodyFailsAndKeepsTheEarlierReply)
{
    const testing_support::HostileScript scripts[] = {
        hostile::badChunkSize("zz"),
        hostile::badChunkSize("-10"),
        hostile::badChunkSize("1000000000000000000"),  // 2^72
        hostile::resetMidBody(),
        hostile::shortBody(),
        hostile::longBody(),
        hostile::encodedBody(),
        hostile::unfinishedChunks(),
    };
    int expectedCalls = 0;
    for (const auto& script : scripts) {
        HostilePrinter printer(script);
        EXPECT_EQ(exchange(printer), Client::kConnectionFailed) << script.name;
        EXPECT_EQ(callback.calls, ++expectedCalls) << script.name;
        EXPECT_EQ(soaptest::fileContents(path), QByteArray("<earlier/>")) << script.name;
        EXPECT_EQ(printer.connections(), 1) << script.name;
    }
}

TEST_F(HostileReplyTest, EndlessChunkedReplyStopsAtTheCap)
{
    HostilePrinter printer(hostile::endlessChunks());
    EXPECT_EQ(exchange(printer), Client::kConnectionFailed);
    EXPECT_EQ(callback.calls, 1);
    EXPECT_EQ(soaptest::fileContents(path), QByteArray("<earlier/>"));
    // Reading stops at the cap: what the printer got rid of past it is what the system's
    // socket buffers hold, not hundreds of megabytes taken in ahead of the check.
    EXPECT_GT(printer.sent(), static_cast<qint64>(Client::kMaxReplyBytes));
    EXPECT_LT(printer.sent(), static_cast<qint64>(Client::kMaxReplyBytes) + 16 * 1024 * 1024);
}

TEST_F(HostileReplyTest, FloodedHeadFailsAtOnceAndTheRequestIsSentOnce)
{
    for (const auto& script : {hostile::headerFlood(), hostile::endlessHeaderLine(), hostile::closeWithoutAnswer()}) {
        HostilePrinter printer(script);
        // Ended by the exchange itself, not by the watchdog.
        EXPECT_EQ(exchange(printer, 3s), Client::kConnectionFailed) << script.name;
        EXPECT_EQ(printer.connections(), 1) << script.name;
        EXPECT_LT(printer.sent(), 16 * 1024 * 1024) << script.name;
    }
    EXPECT_EQ(callback.calls, 3);
    EXPECT_EQ(soaptest::fileContents(path), QByteArray("<earlier/>"));
}

}  // namespace
