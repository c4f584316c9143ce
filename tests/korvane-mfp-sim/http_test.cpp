// The stand-in as an HTTP server: recording, routing, limits, connection reuse and shutdown.
#include "sim_harness.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

// Reads a whole file; empty when it cannot be read.
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(MfpSimHttp, RecordHoldsEachRequestExactlyAsSent)
{
    QTemporaryDir dir;
    const QString record = dir.filePath("request.txt");
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--record", record}));
    const QByteArray body = QByteArrayLiteral("<x>\r\n\xc3\xa9\x00\xff</x>\n");
    const QByteArray first =
        "POST /korvane-mfp-srv HTTP/1.1\r\nhost: 127.0.0.1\r\nSOAPAction:   \"SoapActionDummy\"\r\n"
        "content-length: " +
        QByteArray::number(body.size()) + "\r\nX-Odd:\tvalue \r\n\r\n" + body;
    EXPECT_EQ(roundTrip(sim.port(), first).status, 200);
    EXPECT_EQ(readAll(record), first);
    const QByteArray second = postRequest("");
    EXPECT_EQ(roundTrip(sim.port(), second).status, 200);
    EXPECT_EQ(readAll(record), second);
}

TEST(MfpSimHttp, OnlyPostToTheServicePathIsServed)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", "Sales"}));
    EXPECT_EQ(roundTrip(sim.port(), postRequest(listingRequestBody(), "/other")).status, 404);
    EXPECT_EQ(roundTrip(sim.port(), postRequest(listingRequestBody(), "/korvane-mfp-srv/x")).status, 404);
    const Response get = roundTrip(sim.port(), "GET /korvane-mfp-srv HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(get.status, 405);
    EXPECT_EQ(get.headers.value("allow"), "POST");
    EXPECT_EQ(roundTrip(sim.port(), "BREW\r\n\r\n").status, 400);
    EXPECT_EQ(roundTrip(sim.port(), "GET / HTTP/2.0\r\n\r\n").status, 505);
    EXPECT_EQ(roundTrip(sim.port(), postRequest(listingRequestBody())).status, 200);
}

TEST(MfpSimHttp, OversizedRequestsAreRefusedWith413)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--max-body", "16"}));
    EXPECT_EQ(roundTrip(sim.port(), postRequest(QByteArray(16, 'a'))).status, 200);

    const Exchange longBody = exchange(sim.port(), postRequest(QByteArray(17, 'a')));
    EXPECT_EQ(parseResponse(longBody.received).value_or(Response{}).status, 413);
    // The refusal comes from the declared length, before the body: a client need not send it.
    Exchange declared = exchange(sim.port(), "POST /korvane-mfp-srv HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n");
    EXPECT_EQ(parseResponse(declared.received).value_or(Response{}).status, 413);

    const QByteArray hugeHeader =
        "POST /korvane-mfp-srv HTTP/1.1\r\nX-Fill: " + QByteArray(70 * 1024, 'h') + "\r\n\r\n";
    Client client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send(hugeHeader);
    client.readUntilResponses(1, 3000);
    EXPECT_EQ(parseResponse(client.received).value_or(Response{}).status, 413);
    client.readFor(3000);
    EXPECT_TRUE(client.closedByPeer);
}

TEST(MfpSimHttp, OneConnectionServesManyRequestsAndPipelinedOnes)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", "Sales"}));
    Client client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    for (int i = 1; i <= 20; ++i) {
        client.send(postRequest(listingRequestBody()));
        client.readUntilResponses(i, 3000);
        ASSERT_EQ(completeResponses(client.received), i);
    }
    // Two requests in one write, and an empty line left over before the second.
    client.send(postRequest("a") + "\r\n" + postRequest("b", "/nowhere"));
    client.readUntilResponses(22, 3000);
    ASSERT_EQ(completeResponses(client.received), 22);
    qsizetype at = 0;
    qsizetype consumed = 0;
    int lastStatuses[2] = {};
    for (int i = 0; i < 22; ++i) {
        lastStatuses[i % 2] = parseResponseAt(client.received, at, &consumed)->status;
        at += consumed;
    }
    EXPECT_EQ(lastStatuses[0], 200);
    EXPECT_EQ(lastStatuses[1], 404);
    EXPECT_FALSE(client.closedByPeer);
}

TEST(MfpSimHttp, AClientThatReadsLateStillGetsEveryReply)
{
    QStringList folders;
    for (int i = 0; i < 10; ++i)
        folders << "--folder" << QStringLiteral("Folder number %1").arg(i);
    harness::StandIn sim;
    ASSERT_TRUE(sim.start(folders));
    // Several megabytes of replies: more than the system buffers and the stand-in's own limit hold.
    constexpr int kCount = 3000;
    Client client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send(postRequest("").repeated(kCount));
    QThread::msleep(300);
    client.readUntilResponses(kCount, 20000);
    EXPECT_EQ(completeResponses(client.received), kCount);
    EXPECT_FALSE(client.closedByPeer);
}

TEST(MfpSimHttp, ManySuccessiveConnectionsAreServed)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", "Sales"}));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(roundTrip(sim.port(), postRequest(listingRequestBody())).status, 200) << i;
}

TEST(MfpSimHttp, ConnectionCloseAndExpectContinueAreHonoured)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({}));
    Client closing;
    ASSERT_TRUE(closing.connectTo(sim.port()));
    closing.send("POST /korvane-mfp-srv HTTP/1.1\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    closing.readFor(3000);
    EXPECT_EQ(completeResponses(closing.received), 1);
    EXPECT_TRUE(closing.closedByPeer);

    Client waiting;
    ASSERT_TRUE(waiting.connectTo(sim.port()));
    waiting.send("POST /korvane-mfp-srv HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n");
    waiting.readUntilResponses(1, 3000);
    EXPECT_EQ(parseResponse(waiting.received).value_or(Response{}).status, 100);
    waiting.send("abc");
    waiting.readUntilResponses(2, 3000);
    EXPECT_EQ(completeResponses(waiting.received), 2);
}

TEST(MfpSimHttp, TerminationSignalEndsTheProgramCleanly)
{
    for (const char* mode : {"ok", "silent"}) {
        harness::StandIn sim;
        ASSERT_TRUE(sim.start({"--mode", mode}));
        Client client;  // an open connection must not keep it alive
        ASSERT_TRUE(client.connectTo(sim.port()));
        client.send(postRequest("x"));
        client.readFor(200);
        sim.process().terminate();
        ASSERT_TRUE(sim.process().waitForFinished(5000)) << mode;
        EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit) << mode;
        EXPECT_EQ(sim.process().exitCode(), 0) << mode;
    }
}

TEST(MfpSimHttp, ClientsThatHoldConnectionsNeitherLockOthersOutNorKeepTheirSlot)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--request-deadline", "3"}));
    // More half-sent requests than the stand-in keeps connections for.
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < 80; ++i) {
        idle.push_back(std::make_unique<Client>());
        ASSERT_TRUE(idle.back()->connectTo(sim.port()));
        idle.back()->send("POST /korvane-mfp-srv HTTP/1.1\r\n");
    }
    QThread::msleep(200);
    const Exchange served = exchange(sim.port(), postRequest(listingRequestBody()), 1500);
    EXPECT_EQ(completeResponses(served.received), 1);

    // A client that trickles a byte every 100 ms is cut at its request's deadline all the same.
    Client trickler;
    ASSERT_TRUE(trickler.connectTo(sim.port()));
    const QByteArray request = postRequest(listingRequestBody());
    for (int at = 0; at < 60 && !trickler.closedByPeer; ++at) {
        trickler.send(request.mid(at, 1));
        trickler.readFor(100);
    }
    EXPECT_TRUE(trickler.closedByPeer);
    EXPECT_TRUE(trickler.received.isEmpty());
}
