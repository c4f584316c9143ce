// Each way the stand-in can misbehave, seen from a client on loopback.
#include "sim_harness.h"

#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace simtest;

namespace {

const QStringList kFolders = {"--folder", "Sales", "--folder", "Legal:protected", "--folder", "Archive:dir"};

// The body an ok-mode stand-in with kFolders serves, to compare other modes against.
QByteArray okBody()
{
    harness::StandIn sim;
    if (!sim.start(kFolders))
        return {};
    return roundTrip(sim.port(), postRequest(listingRequestBody())).body;
}

// Starts a stand-in with kFolders in the given mode (plus extra options).
bool startInMode(harness::StandIn& sim, const QString& mode, const QStringList& extra = {})
{
    return sim.start(kFolders + QStringList{"--mode", mode} + extra);
}

}  // namespace

TEST(MfpSimModes, LateAnswersOnlyAfterTheDelay)
{
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "late=1"));
    Client client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send(postRequest(listingRequestBody()));
    client.readFor(300);
    EXPECT_TRUE(client.received.isEmpty());
    EXPECT_FALSE(client.closedByPeer);
    client.readUntilResponses(1, 5000);
    const auto response = parseResponse(client.received);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(readListing(response->body).folders.size(), 3);
}

TEST(MfpSimModes, SilentReadsTheRequestButNeverAnswers)
{
    QTemporaryDir dir;
    const QString record = dir.filePath("request.txt");
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "silent", {"--record", record}));
    const QByteArray request = postRequest(listingRequestBody());
    const Exchange result = exchange(sim.port(), request, 600);
    EXPECT_TRUE(result.received.isEmpty());
    EXPECT_FALSE(result.closedByPeer);
    QFile recorded(record);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(recorded.readAll(), request);
}

TEST(MfpSimModes, CloseHangsUpWithoutAWord)
{
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "close"));
    const Exchange result = exchange(sim.port(), postRequest(listingRequestBody()), 5000);
    EXPECT_TRUE(result.closedByPeer);
    EXPECT_TRUE(result.received.isEmpty());
}

TEST(MfpSimModes, PiecesArriveSeparatelyAndAddUpToTheWholeReply)
{
    const QByteArray whole = okBody();
    ASSERT_FALSE(whole.isEmpty());
    for (const QStringList& framing : {QStringList{}, QStringList{"--chunked"}}) {
        harness::StandIn sim;
        ASSERT_TRUE(startInMode(sim, "pieces", framing + QStringList{"--piece-bytes", "150", "--piece-pause", "40"}));
        const Exchange result = exchange(sim.port(), postRequest(listingRequestBody()), 5000);
        EXPECT_GE(result.reads, 2);
        const auto response = parseResponse(result.received);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->headers.contains("transfer-encoding"), !framing.isEmpty());
        EXPECT_EQ(response->body, whole);
    }
}

TEST(MfpSimModes, AnHttpClientAcceptsAChunkedReplyInPieces)
{
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "pieces", {"--chunked", "--piece-bytes", "64", "--piece-pause", "5"}));
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);  // a proxy from the environment must not take loopback traffic
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/korvane-mfp-srv").arg(sim.port())));
    request.setRawHeader("SOAPAction", "\"SoapActionDummy\"");
    request.setRawHeader("Content-Type", "application/soap; charset=\"utf-8\"");
    std::unique_ptr<QNetworkReply> reply(manager.post(request, listingRequestBody()));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(reply->isFinished());
    EXPECT_EQ(reply->error(), QNetworkReply::NoError);
    const Listing listing = readListing(reply->readAll());
    EXPECT_EQ(listing.resultCode, "ok");
    EXPECT_EQ(listing.folders.size(), 3);
}

TEST(MfpSimModes, Http500CarriesASoapFault)
{
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "http500"));
    const Response response = roundTrip(sim.port(), postRequest(listingRequestBody()));
    EXPECT_EQ(response.status, 500);
    QDomDocument dom;
    ASSERT_TRUE(dom.setContent(response.body, true));
    const QDomElement fault = dom.documentElement().firstChildElement().firstChildElement();
    EXPECT_EQ(fault.localName(), "Fault");
    EXPECT_EQ(fault.namespaceURI(), "http://schemas.xmlsoap.org/soap/envelope/");
    EXPECT_EQ(fault.firstChildElement("faultcode").text(), "soap:Server");
    EXPECT_FALSE(fault.firstChildElement("faultstring").text().isEmpty());
    EXPECT_FALSE(readListing(response.body).hasFiles);
}

TEST(MfpSimModes, UnsupportedRefusesWithoutFolders)
{
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "unsupported"));
    const Response response = roundTrip(sim.port(), postRequest(listingRequestBody()));
    EXPECT_EQ(response.status, 200);
    const Listing listing = readListing(response.body);
    EXPECT_EQ(listing.resultCode, "unsupported-operation");
    EXPECT_FALSE(listing.hasFiles);
}

TEST(MfpSimModes, NotXmlServesABodyNoParserTakes)
{
    harness::StandIn sim;
    ASSERT_TRUE(startInMode(sim, "not-xml"));
    const Response response = roundTrip(sim.port(), postRequest(listingRequestBody()));
    EXPECT_EQ(response.status, 200);
    EXPECT_FALSE(response.body.isEmpty());
    EXPECT_FALSE(readListing(response.body).isXml);
}

TEST(MfpSimModes, ReplyFileIsServedByteForByteWithTheModesStatus)
{
    QTemporaryDir dir;
    const QByteArray handMade =
        "<r><a/><b><result-code>ok</result-code><files><x><name>N\xc3\xa4</name></x></files></b></r>\r\n\x01";
    QFile file(dir.filePath("reply.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(handMade);
    file.close();
    for (const auto& [mode, status] : {std::pair{"ok", 200}, std::pair{"http500", 500}}) {
        harness::StandIn sim;
        ASSERT_TRUE(startInMode(sim, mode, {"--reply", file.fileName()}));
        const Response response = roundTrip(sim.port(), postRequest(listingRequestBody()));
        EXPECT_EQ(response.status, status) << mode;
        EXPECT_EQ(response.body, handMade) << mode;
    }
}
