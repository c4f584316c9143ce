#include "stand_in.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>

namespace soaptest {

StandIn::~StandIn()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000))
        process_.kill();
    process_.waitForFinished(3000);
}

bool StandIn::start(const QStringList& arguments)
{
    process_.start(QStringLiteral(KORVANE_TEST_BIN_DIR "/korvane-mfp-sim"), QStringList{"--verbose"} + arguments);
    if (!process_.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(5000);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    static const QRegularExpression pattern(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\n$"));
    const auto match = pattern.match(QString::fromUtf8(process_.readLine()));
    if (!match.hasMatch())
        return false;
    port_ = static_cast<quint16>(match.captured(1).toUInt());
    return port_ != 0;
}

std::string StandIn::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::string StandIn::serviceURL() const { return "http://" + address() + "/korvane-mfp-srv"; }

int StandIn::requestCount()
{
    // A request is logged before it is answered, so once the client has its answer the line
    // is in the pipe; a short wait collects it.
    QDeadlineTimer deadline(200);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        log_ += process_.readAllStandardError();
        process_.waitForReadyRead(20);
    }
    log_ += process_.readAllStandardError();
    static const QRegularExpression request(QStringLiteral("^korvane-mfp-sim: [A-Z]+ "),
                                            QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = request.globalMatch(QString::fromUtf8(log_)); it.hasNext(); it.next())
        ++count;
    return count;
}

quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

platform::ByteBuffer requestBody()
{
    const auto bytes = fileContents(KORVANE_TEST_SOURCE_DIR "/src/resources/listfiles.xml");
    return bytes ? platform::ByteBuffer(bytes->begin(), bytes->end()) : platform::ByteBuffer{};
}

std::optional<QByteArray> fileContents(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeFile(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace soaptest
