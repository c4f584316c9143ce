// Takes jobs on the print port. A job has one deadline for its whole transfer, so a sender that
// trickles bytes cannot hold a slot for longer than a job may take.
#include "print_port.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTemporaryFile>

namespace mfpsim {

namespace {

// Transfers at once beyond which the oldest is cut off to make room.
constexpr int kMaxTransfers = 32;

}  // namespace

// Takes over an accepted socket and starts the job's deadline.
PrintConnection::PrintConnection(QTcpSocket* socket, JobStore& store, const PrintPortLimits& limits, QObject* parent)
    : QObject(parent), store_(store), limits_(limits), socket_(socket), reader_(limits.maxDocumentBytes)
{
    socket_->setParent(this);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        cutOff(QStringLiteral("incomplete job: not received within %1 s").arg(limits_.jobDeadline.count()));
    });
    connect(socket_, &QTcpSocket::readyRead, this, &PrintConnection::readIncoming);
    connect(socket_, &QTcpSocket::disconnected, this, &PrintConnection::connectionEnded);
    deadline_.start(limits_.jobDeadline);
    readIncoming();
}

PrintConnection::~PrintConnection() = default;

// Ends the transfer before its end and refuses the job for reason.
void PrintConnection::cutOff(const QString& reason)
{
    if (settled_)
        return;
    reader_.refuse(reason);
    refuse(reader_.reason());
}

// Feeds what arrived to the stream reader.
void PrintConnection::readIncoming()
{
    if (settled_) {
        socket_->readAll();
        return;
    }
    const QByteArray bytes = socket_->readAll();
    const auto sink = [this](QByteArrayView piece) { return keepDocumentBytes(piece); };
    if (reader_.feed(bytes, sink) == JobStreamReader::Status::Refused)
        refuse(reader_.reason());
}

// Writes document bytes to the job's file in incoming/, opening it with the first bytes.
bool PrintConnection::keepDocumentBytes(QByteArrayView bytes)
{
    if (!document_)
        document_ = store_.newIncomingDocument();
    return document_ && document_->write(bytes.data(), bytes.size()) == bytes.size();
}

// The sender closed: the job is whole, or it is refused as incomplete.
void PrintConnection::connectionEnded()
{
    if (!settled_) {
        readIncoming();
        // A connection that never said a word (a port probe) is no job.
        if (!settled_ && !reader_.receivedAnything()) {
            settle();
        } else if (!settled_ && reader_.finish() == JobStreamReader::Status::Refused) {
            refuse(reader_.reason());
        } else if (!settled_) {
            QString failure;
            if (!authenticates(reader_.header(), limits_.users, &failure)) {
                refuse(failure);
            } else {
                if (!document_)
                    document_ = store_.newIncomingDocument();  // an empty document
                if (document_)
                    store_.admit(describeJob(reader_.header()), *document_);
                else
                    store_.refuse(describeJob(reader_.header()),
                                  QStringLiteral("the printer cannot store the document"));
                settle();
            }
        }
    }
    deleteLater();
}

// Records the job as refused, drops its document and stops reading.
void PrintConnection::refuse(const QString& reason)
{
    if (settled_)
        return;
    store_.refuse(describeJob(reader_.header()), reason);
    settle();
    socket_->abort();
    deleteLater();
}

// The job is decided: its partial document goes, the deadline stops.
void PrintConnection::settle()
{
    settled_ = true;
    deadline_.stop();
    document_.reset();
}

// Keeps the store and limits for the connections to come.
PrintServer::PrintServer(JobStore& store, const PrintPortLimits& limits, QObject* parent)
    : QObject(parent), store_(store), limits_(limits)
{
    connect(&server_, &QTcpServer::newConnection, this, &PrintServer::acceptConnections);
}

// Listens on 127.0.0.1 only.
bool PrintServer::listen(quint16 port, QString* error)
{
    if (server_.listen(QHostAddress::LocalHost, port))
        return true;
    *error = server_.errorString();
    return false;
}

// Hands each new connection to its own handler, cutting off the oldest when too many are open.
void PrintServer::acceptConnections()
{
    while (server_.hasPendingConnections()) {
        open_.removeAll(nullptr);
        if (open_.size() >= kMaxTransfers)
            open_.takeFirst()->cutOff(
                QStringLiteral("incomplete job: cut off for a newer one (%1 at once)").arg(kMaxTransfers));
        open_.append(new PrintConnection(server_.nextPendingConnection(), store_, limits_, this));
    }
}

}  // namespace mfpsim
