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
    : QObject(parent), m_store(store), m_limits(limits), m_socket(socket), m_reader(limits.maxDocumentBytes)
{
    m_socket->setParent(this);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        cutOff(QStringLiteral("incomplete job: not received within %1 s").arg(m_limits.jobDeadline.count()));
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &PrintConnection::readIncoming);
    connect(m_socket, &QTcpSocket::disconnected, this, &PrintConnection::connectionEnded);
    m_deadline.start(m_limits.jobDeadline);
    readIncoming();
}

PrintConnection::~PrintConnection() = default;

// Ends the transfer before its end and refuses the job for reason.
void PrintConnection::cutOff(const QString& reason)
{
    if (m_settled)
        return;
    m_reader.refuse(reason);
    refuse(m_reader.reason());
}

// Feeds what arrived to the stream reader.
void PrintConnection::readIncoming()
{
    if (m_settled) {
        m_socket->readAll();
        return;
    }
    const QByteArray bytes = m_socket->readAll();
    const auto sink = [this](QByteArrayView piece) { return keepDocumentBytes(piece); };
    if (m_reader.feed(bytes, sink) == JobStreamReader::Status::Refused)
        refuse(m_reader.reason());
}

// Writes document bytes to the job's file in incoming/, opening it with the first bytes.
bool PrintConnection::keepDocumentBytes(QByteArrayView bytes)
{
    if (!m_document)
        m_document = m_store.newIncomingDocument();
    return m_document && m_document->write(bytes.data(), bytes.size()) == bytes.size();
}

// The sender closed: the job is whole, or it is refused as incomplete.
void PrintConnection::connectionEnded()
{
    if (!m_settled) {
        readIncoming();
        // A connection that never said a word (a port probe) is no job.
        if (!m_settled && !m_reader.receivedAnything()) {
            settle();
        } else if (!m_settled && m_reader.finish() == JobStreamReader::Status::Refused) {
            refuse(m_reader.reason());
        } else if (!m_settled) {
            const std::optional<QString> failure = authenticationFailure(m_reader.header(), m_limits.users);
            if (failure) {
                refuse(*failure);
            } else {
                if (!m_document)
                    m_document = m_store.newIncomingDocument();  // an empty document
                if (m_document)
                    m_store.admit(describeJob(m_reader.header()), *m_document);
                else
                    m_store.refuse(describeJob(m_reader.header()),
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
    if (m_settled)
        return;
    m_store.refuse(describeJob(m_reader.header()), reason);
    settle();
    m_socket->abort();
    deleteLater();
}

// The job is decided: its partial document goes, the deadline stops.
void PrintConnection::settle()
{
    m_settled = true;
    m_deadline.stop();
    m_document.reset();
}

// Keeps the store and limits for the connections to come.
PrintServer::PrintServer(JobStore& store, const PrintPortLimits& limits, QObject* parent)
    : QObject(parent), m_store(store), m_limits(limits)
{
    connect(&m_server, &QTcpServer::newConnection, this, &PrintServer::acceptConnections);
}

// Listens on 127.0.0.1 only.
bool PrintServer::listen(quint16 port, QString* error)
{
    if (m_server.listen(QHostAddress::LocalHost, port))
        return true;
    *error = m_server.errorString();
    return false;
}

// Hands each new connection to its own handler, cutting off the oldest when too many are open.
void PrintServer::acceptConnections()
{
    while (m_server.hasPendingConnections()) {
        m_open.removeAll(nullptr);
        if (m_open.size() >= kMaxTransfers)
            m_open.takeFirst()->cutOff(
                QStringLiteral("incomplete job: cut off for a newer one (%1 at once)").arg(kMaxTransfers));
        m_open.append(new PrintConnection(m_server.nextPendingConnection(), m_store, m_limits, this));
    }
}

}  // namespace mfpsim
