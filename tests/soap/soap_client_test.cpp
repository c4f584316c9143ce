// The SOAP client against the printer stand-in on loopback: what goes on the wire, what
// reaches the reply file, and how failures and silence end.
#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"

#include "exchange_files.h"
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "soap/reply.h"
#include "stand_in.h"
#include "support/test_host.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace std::chrono_literals;
using Client = KorvanePrintPdeRk880JCSOAPClient;

namespace {

// Counts the failure notices a client gives.
class CountingCallback : public SOAPClientCallback {
public:
    void recieveEndCallback() override { ++calls; }
    int calls = 0;
};

class SoapClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(replyFilePath().has_value());
        path = *replyFilePath();
    }

    // Runs one exchange with the service at url and the bundle's request body.
    std::unique_ptr<Client> exchange(const std::string& url,
                                     std::chrono::milliseconds watchdog = Client::kWatchdogInterval)
    {
        auto client = Client::initWithServerName(url, &callback);
        EXPECT_TRUE(client);
        if (!client)
            return nullptr;
        client->setWatchdogInterval(watchdog);
        client->sendMessage(soaptest::requestBody());
        return client;
    }

    // Leaves an earlier reply in the reply file.
    void plantEarlierReply() { ASSERT_TRUE(soaptest::writeFile(path, "<earlier/>")); }

    testing_support::ScopedUserDirs dirs;
    CountingCallback callback;
    std::string path;
};

// The head of a recorded request split into its request line and header lines.
struct RecordedRequest {
    QByteArray requestLine;
    QList<QByteArray> headerLines;
    QByteArray head;  // the header lines as sent, CRLF-separated
    QByteArray body;
};

RecordedRequest splitRequest(const QByteArray& wire)
{
    RecordedRequest request;
    const qsizetype headEnd = wire.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return request;
    const qsizetype lineEnd = wire.indexOf("\r\n");
    request.requestLine = wire.left(lineEnd);
    request.head = wire.mid(lineEnd + 2, headEnd - lineEnd);
    request.headerLines = wire.mid(lineEnd + 2, headEnd - lineEnd - 2).split('\n');
    for (QByteArray& line : request.headerLines)
        line = line.chopped(line.endsWith('\r') ? 1 : 0);
    request.body = wire.mid(headEnd + 4);
    return request;
}

// Headers the network layer adds by itself.
bool isLayerHeader(const QByteArray& line)
{
    const QByteArray name = line.left(line.indexOf(':')).toLower();
    return name == "host" || name == "connection" || name == "accept-encoding" || name == "accept-language" ||
           name == "user-agent" || name == "cache-control" || name == "pragma";
}

TEST_F(SoapClientTest, RequestOnTheWireCarriesExactlyTheHeadersAndTheBody)
{
    QTemporaryDir recordDir;
    const QString record = recordDir.filePath("request");
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--record", record, "--folder", "A"}));
    exchange(printer.serviceURL());
    EXPECT_EQ(callback.calls, 0);

    const auto wire = soaptest::fileContents(record.toStdString());
    ASSERT_TRUE(wire);
    const RecordedRequest request = splitRequest(*wire);
    const platform::ByteBuffer body = soaptest::requestBody();
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(request.requestLine, "POST /korvane-mfp-srv HTTP/1.1");
    const QByteArray ours =
        "SOAPAction: \"SoapActionDummy\"\r\n"
        "Content-Type: application/soap; charset=\"utf-8\"\r\n"
        "Content-Length: " +
        QByteArray::number(static_cast<qsizetype>(body.size())) + "\r\n";
    EXPECT_TRUE(request.head.contains(ours)) << request.head.toStdString();
    for (const QByteArray& line : request.headerLines) {
        const bool ours =
            line.startsWith("SOAPAction:") || line.startsWith("Content-Type:") || line.startsWith("Content-Length:");
        EXPECT_TRUE(ours || isLayerHeader(line)) << "unexpected header: " << line.toStdString();
    }
    EXPECT_EQ(request.body, QByteArray(body.data(), static_cast<qsizetype>(body.size())));
    // A body in an encoding would not be the reply as the printer wrote it.
    EXPECT_TRUE(request.headerLines.contains("Accept-Encoding: identity")) << request.head.toStdString();
}

TEST_F(SoapClientTest, EmptyOrAbsentBodyIsSentWithLengthZero)
{
    QTemporaryDir recordDir;
    const QString record = recordDir.filePath("request");
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--record", record}));
    for (const std::optional<platform::ByteBuffer>& body :
         {std::optional<platform::ByteBuffer>{}, std::optional<platform::ByteBuffer>{platform::ByteBuffer{}}}) {
        QFile::remove(record);
        auto client = Client::initWithServerName(printer.serviceURL(), &callback);
        ASSERT_TRUE(client);
        client->sendMessage(body);
        EXPECT_EQ(client->state(), Client::kReplyComplete);
        const auto wire = soaptest::fileContents(record.toStdString());
        ASSERT_TRUE(wire);
        const RecordedRequest request = splitRequest(*wire);
        EXPECT_TRUE(request.headerLines.contains("Content-Length: 0")) << request.head.toStdString();
        EXPECT_TRUE(request.body.isEmpty());
    }
}

TEST_F(SoapClientTest, ReplyInPiecesIsWrittenWholeAndInOrder)
{
    harness::StandIn whole{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(whole.start({"--folder", "Accounts:protected", "--folder", "Design", "--folder", "Shared:dir"}));
    exchange(whole.serviceURL());
    const auto expected = soaptest::fileContents(path);
    ASSERT_TRUE(expected);
    ASSERT_TRUE(expected->contains("Accounts"));

    for (const QStringList& framing : {QStringList{}, QStringList{"--chunked"}}) {
        QFile::remove(QString::fromStdString(path));
        harness::StandIn pieces{harness::StandInMessages::CountRequests};
        ASSERT_TRUE(pieces.start(QStringList{"--mode", "pieces", "--piece-bytes", "7", "--piece-pause", "2", "--folder",
                                             "Accounts:protected", "--folder", "Design", "--folder", "Shared:dir"} +
                                 framing));
        auto client = exchange(pieces.serviceURL());
        EXPECT_EQ(client->state(), Client::kReplyComplete);
        EXPECT_EQ(soaptest::fileContents(path), expected) << framing.join(' ').toStdString();
    }
    EXPECT_EQ(callback.calls, 0);
}

TEST_F(SoapClientTest, ReplyFileIsPrivateAndReplacesAPlantedLinkInsteadOfWritingThroughIt)
{
    QTemporaryDir elsewhere;
    const std::string target = elsewhere.filePath("target").toStdString();
    ASSERT_TRUE(soaptest::writeFile(target, "untouched"));
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);

    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--folder", "A"}));
    exchange(printer.serviceURL());

    EXPECT_EQ(soaptest::fileContents(target), QByteArray("untouched"));
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(soaptest::fileContents(path)->contains("<name>A</name>"));
}

TEST_F(SoapClientTest, HttpErrorWithABodyCountsAsACompleteReply)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "http500"}));
    plantEarlierReply();
    auto client = exchange(printer.serviceURL());
    EXPECT_EQ(client->state(), Client::kReplyComplete);
    EXPECT_EQ(callback.calls, 0);
    const auto reply = soaptest::fileContents(path);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->contains("Fault")) << reply->toStdString();
}

TEST_F(SoapClientTest, RefusedOrDroppedConnectionCallsBackOnceAndKeepsTheEarlierReply)
{
    plantEarlierReply();
    auto refused = exchange("http://127.0.0.1:" + std::to_string(soaptest::closedPort()) + "/korvane-mfp-srv");
    EXPECT_EQ(refused->state(), Client::kConnectionFailed);
    EXPECT_EQ(callback.calls, 1);

    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "close"}));
    auto dropped = exchange(printer.serviceURL());
    EXPECT_EQ(dropped->state(), Client::kConnectionFailed);
    EXPECT_EQ(callback.calls, 2);
    EXPECT_EQ(soaptest::fileContents(path), QByteArray("<earlier/>"));
}

TEST_F(SoapClientTest, UnresolvableHostFails)
{
    auto client = exchange("http://printer.invalid/korvane-mfp-srv");
    EXPECT_EQ(client->state(), Client::kConnectionFailed);
    EXPECT_EQ(callback.calls, 1);
}

TEST_F(SoapClientTest, SilentPrinterEndsByTheWatchdogAndKeepsTheEarlierReply)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "silent"}));
    plantEarlierReply();
    QElapsedTimer clock;
    clock.start();
    auto client = exchange(printer.serviceURL(), 300ms);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_EQ(client->state(), Client::kWatchdogExpired);
    EXPECT_EQ(callback.calls, 1);
    EXPECT_EQ(soaptest::fileContents(path), QByteArray("<earlier/>"));
}

TEST_F(SoapClientTest, SilentPrinterEndsByTheRealTwentySecondWatchdog)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "silent"}));
    QElapsedTimer clock;
    clock.start();
    auto client = exchange(printer.serviceURL());
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 20000);
    EXPECT_EQ(client->state(), Client::kWatchdogExpired);
    EXPECT_EQ(callback.calls, 1);
    RecordProperty("silent_printer_ms", static_cast<int>(elapsed));
    EXPECT_EQ(printer.requestCount(), 1);
}

TEST_F(SoapClientTest, LateReplyBeforeTheWatchdogIsKept)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "late=1.5", "--folder", "Late"}));
    auto client = exchange(printer.serviceURL(), 10s);
    EXPECT_EQ(client->state(), Client::kReplyComplete);
    EXPECT_EQ(callback.calls, 0);
    EXPECT_TRUE(soaptest::fileContents(path)->contains("<name>Late</name>"));
}

// Serves one endless HTTP response on loopback, as a printer gone wrong might.
class EndlessPrinter {
public:
    EndlessPrinter()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            QTcpSocket* socket = server_.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                socket->readAll();
                if (socket->property("answering").toBool())
                    return;
                socket->setProperty("answering", true);
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 1000000000\r\n\r\n");
            });
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] {
                if (socket->bytesToWrite() < 256 * 1024) {
                    socket->write(QByteArray(64 * 1024, 'x'));
                    sent_ += 64 * 1024;
                }
            });
        });
    }
    std::string serviceURL() const
    {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/korvane-mfp-srv";
    }
    qint64 sent() const { return sent_; }

private:
    QTcpServer server_;
    qint64 sent_ = 0;
};

TEST_F(SoapClientTest, EndlessReplyIsCutOffAtTheCapAsAFailure)
{
    EndlessPrinter printer;
    plantEarlierReply();
    auto client = exchange(printer.serviceURL());
    EXPECT_EQ(client->state(), Client::kConnectionFailed);
    EXPECT_EQ(callback.calls, 1);
    // Its announced length alone passes the cap: the exchange ends before taking the body.
    EXPECT_LT(printer.sent(), static_cast<qint64>(Client::kMaxReplyBytes));
    EXPECT_EQ(soaptest::fileContents(path), QByteArray("<earlier/>"));
}

TEST_F(SoapClientTest, AbandonedExchangeStopsWaitingAndCallsNoOneBack)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "silent"}));
    auto client = Client::initWithServerName(printer.serviceURL(), &callback);
    ASSERT_TRUE(client);
    QTimer::singleShot(200ms, [&client] { client->abandon(); });
    QElapsedTimer clock;
    clock.start();
    client->sendMessage(soaptest::requestBody());
    // Far below the watchdog: the wait ended because of the abandonment, not by itself.
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(callback.calls, 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST(SoapClientCreation, RefusesAServerThatIsNoURL)
{
    CountingCallback callback;
    EXPECT_FALSE(Client::initWithServerName("http://printer name/korvane-mfp-srv", &callback));
    EXPECT_FALSE(Client::initWithServerName("http:///korvane-mfp-srv", &callback));
    EXPECT_FALSE(Client::initWithServerName("", &callback));
    EXPECT_TRUE(Client::initWithServerName("http://printer.local:8080/korvane-mfp-srv", &callback));
}

}  // namespace
