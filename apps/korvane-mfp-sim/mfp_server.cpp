// Answers the folder-listing request over HTTP/1.1, well or badly as the mode says.
#include "mfp_server.h"

#include "operator_panel.h"
#include "soap_documents.h"

#include <QHostAddress>
#include <QSaveFile>
#include <QTcpSocket>

#include <sys/socket.h>

#include <chrono>
#include <cstdio>

namespace mfpsim {

namespace {

constexpr char kServicePath[] = "/korvane-mfp-srv";
constexpr char kXmlContentType[] = "text/xml; charset=\"utf-8\"";
// How long a closing connection waits for the client to hang up before it is cut.
constexpr int kLingerMs = 2000;
// Connections beyond which the oldest idle one is dropped to make room for a new client.
constexpr int kMaxConnections = 64;
// Replies not yet taken by the client beyond which its further requests wait.
constexpr qint64 kMaxUnsentBytes = 1024 * 1024;

// Writes one line about a request to standard error, when asked to (--verbose): a parent that
// never reads that pipe would otherwise stall the stand-in once the pipe is full.
void logRequest(const SimOptions& options, const HttpRequest& request)
{
    if (!options.verbose)
        return;
    std::fprintf(stderr, "korvane-mfp-sim: %s %s (%lld body bytes)\n", request.method.constData(),
                 request.target.left(200).constData(), static_cast<long long>(request.body.size()));
}

// An XML reply with the given status and body.
HttpReply xmlReply(int status, const QByteArray& body)
{
    return typedReply(status, kXmlContentType, body);
}

}  // namespace

// Takes over an accepted socket and starts reading requests from it.
Connection::Connection(QTcpSocket* socket, const SimOptions& options, OperatorPanel* panel, QObject* parent)
    : QObject(parent), m_options(options), m_panel(panel), m_socket(socket)
{
    m_socket->setParent(this);
    // Pieces must leave one by one, not be gathered while an acknowledgement is pending.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_pieceTimer.setSingleShot(true);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(options.requestDeadline);
    connect(&m_pieceTimer, &QTimer::timeout, this, &Connection::sendNextPiece);
    connect(&m_deadline, &QTimer::timeout, this, &Connection::drop);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::readIncoming);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::continueAfterWriting);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    m_deadline.start();
    readIncoming();
}

// Tells whether the connection only holds a slot: waiting for a request, never to be answered,
// or done with its reply. A reply under way is not idle.
bool Connection::isIdle() const
{
    return m_state != State::Busy;
}

// Takes what arrived; requests are parsed only while no reply is pending.
void Connection::readIncoming()
{
    m_buffer += m_socket->readAll();
    if (m_state == State::Silent || m_state == State::Closing) {
        m_buffer.clear();
        return;
    }
    // The deadline is not restarted here: a client that trickles bytes gets no more time.
    if (m_state == State::Reading)
        processBuffer();
    // A client that pipelines requests may queue some, not an unbounded amount.
    if (m_state != State::Closing && m_buffer.size() > m_options.maxHeaderBytes + m_options.maxBodyBytes)
        drop();
}

// Serves the next complete request in the buffer, if there is one.
void Connection::processBuffer()
{
    // A client that does not read its replies gets no more, so they cannot pile up here.
    if (m_state != State::Reading || m_socket->bytesToWrite() > kMaxUnsentBytes)
        return;
    const ParseStep step = parseRequest(m_buffer, {m_options.maxHeaderBytes, m_options.maxBodyBytes});
    switch (step.status) {
    case ParseStep::Status::NeedMore:
        if (step.wantsContinue && !m_sentContinue) {
            m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            m_sentContinue = true;
        }
        return;
    case ParseStep::Status::Failed:
        refuse(step.failureStatus);
        return;
    case ParseStep::Status::Complete:
        m_buffer.remove(0, step.consumed);
        m_sentContinue = false;
        m_deadline.stop();
        serve(step.request);
        return;
    }
}

// Records and routes one request: the service path gets the service, others an error.
void Connection::serve(const HttpRequest& request)
{
    logRequest(m_options, request);
    record(request);
    m_keepAlive = request.keepsAlive();
    if (m_panel && OperatorPanel::handlesPath(request.path())) {
        answerPanel(request);
    } else if (request.path() != kServicePath) {
        m_socket->write(plainReply(404, m_keepAlive));
        finishResponse();
    } else if (request.method != "POST") {
        m_socket->write(plainReply(405, m_keepAlive));
        finishResponse();
    } else {
        answerService(request);
    }
}

// Answers a request to the operator panel; the misbehaviour modes are the folder service's alone.
void Connection::answerPanel(const HttpRequest& request)
{
    m_socket->write(serializeReply(m_panel->answer(request), m_keepAlive, 0));
    finishResponse();
}

// Answers a POST to the service path as the mode says.
void Connection::answerService(const HttpRequest& request)
{
    switch (m_options.mode) {
    case Mode::Silent:
        m_state = State::Silent;
        return;
    case Mode::Close:
        m_keepAlive = false;
        closeAfterWriting();
        return;
    case Mode::Late: {
        m_state = State::Busy;
        const HttpReply reply = serviceReply(request);
        const auto delay = std::chrono::milliseconds(qRound64(m_options.lateSeconds * 1000.0));
        QTimer::singleShot(delay, this, [this, reply, request] { sendServiceReply(reply, request); });
        return;
    }
    default:
        sendServiceReply(serviceReply(request), request);
        return;
    }
}

// The status and body the service gives for this request.
HttpReply Connection::serviceReply(const HttpRequest& request) const
{
    HttpReply reply;
    switch (m_options.mode) {
    case Mode::Http500:
        reply = xmlReply(500, faultReply("soap:Server", QStringLiteral("The folder service is not available.")));
        break;
    case Mode::Unsupported:
        reply = xmlReply(200, unsupportedOperationReply());
        break;
    case Mode::NotXml:
        reply.contentType = "text/plain; charset=utf-8";
        reply.body = notXmlBody();
        break;
    default:
        reply = listingReply(request.body);
        break;
    }
    if (m_options.replyBody)
        reply.body = *m_options.replyBody;
    return reply;
}

// The folder list; with --strict only for the listing request, as a real service would answer.
HttpReply Connection::listingReply(const QByteArray& requestBody) const
{
    switch (m_options.strict ? classifyRequest(requestBody) : RequestKind::FolderListing) {
    case RequestKind::FolderListing:
        return xmlReply(200, folderListReply(m_options.folders));
    case RequestKind::OtherOperation:
        return xmlReply(200, unsupportedOperationReply());
    case RequestKind::NotSoap:
        break;
    }
    return xmlReply(500, faultReply("soap:Client", QStringLiteral("The request is not a SOAP 1.1 envelope.")));
}

// Frames the service's reply and sends it whole or in pieces.
void Connection::sendServiceReply(const HttpReply& reply, const HttpRequest& request)
{
    const bool pieces = m_options.mode == Mode::Pieces;
    // HTTP/1.0 clients do not know chunked encoding.
    const bool chunked = m_options.chunked && request.version == "HTTP/1.1";
    const int chunkBytes = chunked ? (pieces ? m_options.pieceBytes : qMax<qsizetype>(reply.body.size(), 1)) : 0;
    const QByteArray wire = serializeReply(reply, m_keepAlive, chunkBytes);
    if (pieces) {
        sendPieces(wire);
        return;
    }
    m_socket->write(wire);
    finishResponse();
}

// Starts sending the reply bytes a piece at a time.
void Connection::sendPieces(const QByteArray& wire)
{
    m_state = State::Busy;
    m_pending = wire;
    sendNextPiece();
}

// Sends one piece and pushes it out, so each piece leaves as its own segment.
void Connection::sendNextPiece()
{
    m_socket->write(m_pending.left(m_options.pieceBytes));
    m_pending.remove(0, m_options.pieceBytes);
    m_socket->flush();
    if (m_pending.isEmpty())
        finishResponse();
    else
        m_pieceTimer.start(m_options.piecePauseMs);
}

// After a reply: close when the client asked to, else serve what it has sent meanwhile.
void Connection::finishResponse()
{
    if (!m_keepAlive) {
        closeAfterWriting();
        return;
    }
    m_state = State::Reading;
    m_deadline.start();
    // Queued, not called: a long run of pipelined requests must not deepen the stack.
    QMetaObject::invokeMethod(this, &Connection::processBuffer, Qt::QueuedConnection);
}

// Refuses a request that cannot be read (or is too big) and ends the connection.
void Connection::refuse(int status)
{
    if (m_options.verbose)
        std::fprintf(stderr, "korvane-mfp-sim: refused a request with %d\n", status);
    m_keepAlive = false;
    m_socket->write(plainReply(status, false));
    closeAfterWriting();
}

// Ends our side once the reply is out, but keeps reading: closing with unread input would
// reset the connection and could destroy the reply before the client has read it.
void Connection::closeAfterWriting()
{
    m_state = State::Closing;
    m_buffer.clear();
    // A client that stops reading must not hold the connection for ever.
    m_deadline.start();
    shutdownIfWritten();
}

// Shuts down the sending side of a closing connection when nothing is left to write, and gives
// the client a little while to hang up itself.
void Connection::shutdownIfWritten()
{
    if (m_state != State::Closing || m_shutDown || m_socket->bytesToWrite() > 0)
        return;
    m_shutDown = true;
    ::shutdown(static_cast<int>(m_socket->socketDescriptor()), SHUT_WR);
    QTimer::singleShot(kLingerMs, this, &Connection::drop);
}

// Goes on once written bytes have left: ends a closing connection, or serves held-back requests.
void Connection::continueAfterWriting()
{
    shutdownIfWritten();
    if (m_state == State::Reading && !m_buffer.isEmpty())
        processBuffer();
}

// Cuts the connection at once and lets the handler go.
void Connection::drop()
{
    m_socket->abort();
    deleteLater();
}

// Writes the request, exactly as received, over the record file.
void Connection::record(const HttpRequest& request) const
{
    if (m_options.recordPath.isEmpty())
        return;
    QSaveFile file(m_options.recordPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(request.wire) != request.wire.size() || !file.commit())
        std::fprintf(stderr, "korvane-mfp-sim: cannot write %s: %s\n", qPrintable(m_options.recordPath),
                     qPrintable(file.errorString()));
}

// Keeps the options for the connections to come.
MfpServer::MfpServer(const SimOptions& options, OperatorPanel* panel, QObject* parent)
    : QObject(parent), m_options(options), m_panel(panel)
{
    connect(&m_server, &QTcpServer::newConnection, this, &MfpServer::acceptConnections);
}

// Listens on 127.0.0.1 only; the stand-in is never meant to be reachable from outside.
bool MfpServer::listen(QString* error)
{
    if (m_server.listen(QHostAddress::LocalHost, m_options.port))
        return true;
    *error = m_server.errorString();
    return false;
}

// The port actually bound.
quint16 MfpServer::port() const
{
    return m_server.serverPort();
}

// Hands every waiting connection to its own handler. At the cap the oldest idle connection makes
// room, so clients that hold connections without finishing a request never lock others out.
void MfpServer::acceptConnections()
{
    while (m_server.hasPendingConnections()) {
        if (!makeRoom()) {
            // Every slot has a reply under way; those end by themselves.
            m_server.pauseAccepting();
            QTimer::singleShot(100, this, [this] {
                m_server.resumeAccepting();
                acceptConnections();
            });
            return;
        }
        auto* connection = new Connection(m_server.nextPendingConnection(), m_options, m_panel, this);
        m_open.append(connection);
    }
}

// Makes sure a slot is free, dropping the oldest idle connection at the cap; false when none is idle.
bool MfpServer::makeRoom()
{
    m_open.removeAll(nullptr);
    if (m_open.size() < kMaxConnections)
        return true;
    for (qsizetype at = 0; at < m_open.size(); ++at) {
        if (m_open[at]->isIdle()) {
            const QPointer<Connection> oldest = m_open.takeAt(at);
            oldest->drop();
            return true;
        }
    }
    return false;
}

}  // namespace mfpsim
