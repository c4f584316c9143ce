// The printer's filter under a real cupsd: a job from lp with only the PPD's PIN option leaves
// the queue's socket backend held behind its PIN, its document byte for byte.
#include "korvane-print/host_harness.h"
#include "support/device_stream_reader.h"
#include "support/settings_reference.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

using namespace host_testing;
namespace ref = testing_support::reference;

namespace {

// Everything one connection to server sends until it closes; empty when none came in time.
std::string receiveOneConnection(QTcpServer& server, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    if (!server.waitForNewConnection(timeoutMs))
        return {};
    QTcpSocket* socket = server.nextPendingConnection();
    std::string received;
    while (socket->state() == QAbstractSocket::ConnectedState && clock.elapsed() < timeoutMs) {
        socket->waitForReadyRead(200);
        received += socket->readAll().toStdString();
    }
    received += socket->readAll().toStdString();
    return received;
}

TEST(FilterThroughCupsd, LpWithThePPDsPINOptionReachesThePrinterHeldAndByteIdentical)
{
    ScratchCupsd cupsd;
    ASSERT_TRUE(cupsd.isRunning()) << "this test needs a real cupsd and it could not start: " << cupsd.error();
    QTcpServer printer;
    ASSERT_TRUE(printer.listen(QHostAddress::LocalHost, 0));
    const std::string uri = "socket://127.0.0.1:" + std::to_string(printer.serverPort());
    const auto problem = cupsd.addFilterQueue("office", uri);
    ASSERT_FALSE(problem) << *problem;

    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    std::string document = minimalPdf();
    for (int i = 0; i < 100000; ++i)
        document += static_cast<char>(i * 13);
    document += "\n@KJC EOJ\n%%EOF\n";
    const std::string path = scratch.path().toStdString() + "/budget.pdf";
    ASSERT_TRUE(writeFile(path, document));

    const ProcessResult lp = runProgram(
        "lp", {"-h", cupsd.server(), "-d", "office", "-t", "Budget \"Q3\"", "-o", "ARHoldKey=Custom.4711", path});
    ASSERT_EQ(lp.exitCode, 0) << lp.err;
    const std::string received = receiveOneConnection(printer, 30000);
    ASSERT_FALSE(received.empty()) << "nothing reached the printer: " << readFile(cupsd.folder() + "/log/error_log");

    std::string why;
    const auto stream = testing_support::readDeviceStream(received, &why);
    ASSERT_TRUE(stream) << why;
    const std::string spoolTime = ref::unhex(stream->value("SPOOLTIME").value_or(""));
    EXPECT_EQ(stream->value("RETENTION"), "HOLD");
    EXPECT_EQ(stream->value("PINDIGEST"), ref::md5("04711" + spoolTime)) << spoolTime;
    EXPECT_EQ(stream->value("TITLE"), ref::hex("Budget \"Q3\""));
    EXPECT_EQ(stream->language, "PDF");
    EXPECT_TRUE(stream->document == document) << "cupsd ran another filter, or the document changed";
    EXPECT_EQ(stream->tail, "@KJC EOJ\n");
}

}  // namespace
