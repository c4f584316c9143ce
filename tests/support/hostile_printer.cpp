#include "support/hostile_printer.h"

#include <QTcpSocket>

#include <sys/socket.h>

namespace testing_support {

namespace {

constexpr qint64 kPieceBytes = 64 * 1024;
constexpr qint64 kBacklogBytes = 256 * 1024;

QByteArray head(const QByteArray& headers)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n" + headers + "\r\n";
}

QByteArray lengthHead(qint64 length)
{
    return head("Content-Length: " + QByteArray::number(length) + "\r\n");
}

QByteArray chunkedHead()
{
    return head("Transfer-Encoding: chunked\r\n");
}

// A chunk of data in chunked framing.
QByteArray chunk(const QByteArray& data)
{
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

// Whether buffer holds a whole request: its head and as many body bytes as it announces.
bool holdsWholeRequest(const QByteArray& buffer)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray requestHead = buffer.left(end).toLower();
    const qsizetype at = requestHead.indexOf("content-length:");
    qint64 length = 0;
    if (at >= 0)
        length = requestHead.mid(at + 15, requestHead.indexOf('\r', at) - at - 15).trimmed().toLongLong();
    return buffer.size() - end - 4 >= length;
}

}  // namespace

QByteArray hostileFolderReply()
{
    return "<?xml version=\"1.0\"?><Envelope><Body><listResponse><result-code>ok</result-code>"
           "<files><file><name>Hostile</name></file></files></listResponse></Body></Envelope>";
}

namespace hostile {

HostileScript soundReply()
{
    return {"sound reply", lengthHead(hostileFolderReply().size()) + hostileFolderReply()};
}

HostileScript soundChunkedReply()
{
    const QByteArray reply = hostileFolderReply();
    return {"sound chunked reply", chunkedHead() + chunk(reply.left(20)) + chunk(reply.mid(20)) + "0\r\n\r\n"};
}

HostileScript endlessChunks()
{
    return {"endless chunks", chunkedHead(), chunk(QByteArray(kPieceBytes, 'x'))};
}

HostileScript chunkedBody(qint64 total)
{
    HostileScript script{"chunked body of " + std::to_string(total / (1024 * 1024)) + " MiB", chunkedHead(),
                         chunk(QByteArray(kPieceBytes, 'x'))};
    script.endlessBytes = total;
    script.tail = "0\r\n\r\n";
    return script;
}

HostileScript headerFlood()
{
    return {"header flood", "HTTP/1.1 200 OK\r\n", "X-Flood: aaaaaaaaaaaaaaaaaaaaaaaa\r\n"};
}

HostileScript endlessHeaderLine()
{
    return {"endless header line", "HTTP/1.1 200 OK\r\nX-Long: ", QByteArray(kPieceBytes, 'a')};
}

HostileScript badChunkSize(const QByteArray& size)
{
    return {"chunk size " + size.toStdString(), chunkedHead() + size + "\r\n" + hostileFolderReply() + "\r\n0\r\n\r\n"};
}

HostileScript resetMidBody()
{
    const QByteArray reply = hostileFolderReply();
    HostileScript script{"reset mid-body", lengthHead(reply.size()) + reply.left(reply.size() / 2)};
    script.end = HostileScript::End::Reset;
    return script;
}

HostileScript shortBody()
{
    const QByteArray reply = hostileFolderReply();
    return {"body shorter than its length", lengthHead(reply.size() + 100) + reply};
}

HostileScript longBody()
{
    const QByteArray reply = hostileFolderReply();
    return {"body longer than its length", lengthHead(reply.size() - 10) + reply};
}

HostileScript encodedBody()
{
    const QByteArray reply = hostileFolderReply();
    const QByteArray gzip = QByteArray::fromHex("1f8b08000000000000ff") + reply;
    return {"unasked content encoding",
            head("Content-Encoding: gzip\r\nContent-Length: " + QByteArray::number(gzip.size()) + "\r\n") + gzip};
}

HostileScript unfinishedChunks()
{
    return {"chunks without the last chunk", chunkedHead() + chunk(hostileFolderReply())};
}

HostileScript closeWithoutAnswer()
{
    return {"close without an answer", QByteArray()};
}

HostileScript silent()
{
    HostileScript script{"silent", QByteArray()};
    script.end = HostileScript::End::Hold;
    return script;
}

}  // namespace hostile

HostilePrinter::HostilePrinter(HostileScript script) : script_(std::move(script))
{
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection())
            serve(socket);
    });
}

QString HostilePrinter::address() const
{
    return "127.0.0.1:" + QString::number(server_.serverPort());
}

std::string HostilePrinter::serviceURL() const
{
    return "http://" + address().toStdString() + "/korvane-mfp-srv";
}

// Collects the request, then answers it by the script.
void HostilePrinter::serve(QTcpSocket* socket)
{
    ++connections_;
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", buffer);
        if (socket->property("answered").toBool() || !holdsWholeRequest(buffer))
            return;
        socket->setProperty("answered", true);
        answer(socket);
    });
}

void HostilePrinter::answer(QTcpSocket* socket)
{
    socket->write(script_.wire);
    sent_ += script_.wire.size();
    if (script_.endless.isEmpty()) {
        finish(socket);
        return;
    }
    // Keeps a bounded backlog queued, so the printer sends as fast as the client reads.
    auto refill = [this, socket] {
        qint64 repeated = socket->property("repeated").toLongLong();
        const bool bounded = script_.endlessBytes >= 0;
        while (socket->bytesToWrite() < kBacklogBytes && socket->state() == QAbstractSocket::ConnectedState) {
            if (bounded && repeated >= script_.endlessBytes) {
                QObject::disconnect(socket, &QTcpSocket::bytesWritten, nullptr, nullptr);
                finish(socket);
                return;
            }
            socket->write(script_.endless);
            sent_ += script_.endless.size();
            repeated += script_.endless.size();
        }
        socket->setProperty("repeated", repeated);
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

// Sends the tail and ends the connection as the script says.
void HostilePrinter::finish(QTcpSocket* socket)
{
    socket->write(script_.tail);
    sent_ += script_.tail.size();
    switch (script_.end) {
    case HostileScript::End::Close:
        socket->disconnectFromHost();
        break;
    case HostileScript::End::Reset:
        // Once what was written is out, a close with a zero linger time resets the connection.
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
            if (socket->bytesToWrite() > 0)
                return;
            const linger resetOnClose{1, 0};
            setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &resetOnClose,
                       sizeof resetOnClose);
            socket->abort();
        });
        break;
    case HostileScript::End::Hold:
        break;
    }
}

}  // namespace testing_support
