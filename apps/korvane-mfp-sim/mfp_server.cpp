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
    : QObject(parent), options_(options), panel_(panel), socket_(socket)
{
    socket_->setParent(this);
    // Pieces must leave one by one, not be gathered while an acknowledgement is pending.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    pieceTimer_.setSingleShot(true);
    deadline_.setSingleShot(true);
    deadline_.setInterval(options.requestDeadline);
    connect(&pieceTimer_, &QTimer::timeout, this, &Connection::sendNextPiece);
    connect(&deadline_, &QTimer::timeout, this, &Connection::drop);
    connect(socket_, &QTcpSocket::readyRead, this, &Connection::readIncoming);
    connect(socket_, &QTcpSocket::bytesWritten, this, &Connection::continueAfterWriting);
    connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    deadline_.start();
    readIncoming();
}

// Tells whether the connection only holds a slot: waiting for a request, never to be answered,
// or done with its reply. A reply under way is not idle.
bool Connection::isIdle() const
{
    return state_ != State::Busy;
}

// Takes what arrived; requests are parsed only while no reply is pending.
void Connection::readIncoming()
{
    buffer_ += socket_->readAll();
    if (state_ == State::Silent || state_ == State::Closing) {
        buffer_.clear();
        return;
    }
    // The deadline is not restarted here: a client that trickles bytes gets no more time.
    if (state_ == State::Reading)
        processBuffer();
    // A client that pipelines requests may queue some, not an unbounded amount.
    if (state_ != State::Closing && buffer_.size() > options_.maxHeaderBytes + options_.maxBodyBytes)
        drop();
}

// Serves the next complete request in the buffer, if there is one.
void Connection::processBuffer()
{
    // A client that does not read its replies gets no more, so they cannot pile up here.
    if (state_ != State::Reading || socket_->bytesToWrite() > kMaxUnsentBytes)
        return;
    const ParseStep step = parseRequest(buffer_, {options_.maxHeaderBytes, options_.maxBodyBytes});
    switch (step.status) {
    case ParseStep::Status::NeedMore:
        if (step.wantsContinue && !sentContinue_) {
            socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
            sentContinue_ = true;
        }
        return;
    case ParseStep::Status::Failed:
        refuse(step.failureStatus);
        return;
    case ParseStep::Status::Complete:
        buffer_.remove(0, step.consumed);
        sentContinue_ = false;
        deadline_.stop();
        serve(step.request);
        return;
    }
}

// Records and routes one request: the service path gets the service, others an error. The
// panel's requests are never recorded: their forms carry PINs and the administrator password.
void Connection::serve(const HttpRequest& request)
{
    logRequest(options_, request);
    keepAlive_ = request.keepsAlive();
    if (panel_ && OperatorPanel::handlesPath(request.path())) {
        answerPanel(request);
        return;
    }
    record(request);
    if (request.path() != kServicePath) {
        socket_->write(plainReply(404, keepAlive_));
        finishResponse();
    } else if (request.method != "POST") {
        socket_->write(plainReply(405, keepAlive_));
        finishResponse();
    } else {
        answerService(request);
    }
}

// Answers a request to the operator panel; the misbehaviour modes are the folder service's alone.
void Connection::answerPanel(const HttpRequest& request)
{
    socket_->write(serializeReply(panel_->answer(request), keepAlive_, 0));
    finishResponse();
}

// Answers a POST to the service path as the mode says.
void Connection::answerService(const HttpRequest& request)
{
    switch (options_.mode) {
    case Mode::Silent:
        state_ = State::Silent;
        return;
    case Mode::Close:
        keepAlive_ = false;
        closeAfterWriting();
        return;
    case Mode::Late: {
        state_ = State::Busy;
        const HttpReply reply = serviceReply(request);
        const auto delay = std::chrono::milliseconds(qRound64(options_.lateSeconds * 1000.0));
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
    switch (options_.mode) {
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
    if (options_.replyBody)
        reply.body = *options_.replyBody;
    return reply;
}

// The folder list; with --strict only for the listing request, as a real service would answer.
HttpReply Connection::listingReply(const QByteArray& requestBody) const
{
    switch (options_.strict ? classifyRequest(requestBody) : RequestKind::FolderListing) {
    case RequestKind::FolderListing:
        return xmlReply(200, folderListReply(options_.folders));
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
    const bool pieces = options_.mode == Mode::Pieces;
    // HTTP/1.0 clients do not know chunked encoding.
    const bool chunked = options_.chunked && request.version == "HTTP/1.1";
    const int chunkBytes = chunked ? (pieces ? options_.pieceBytes : qMax<qsizetype>(reply.body.size(), 1)) : 0;
    const QByteArray wire = serializeReply(reply, keepAlive_, chunkBytes);
    if (pieces) {
        sendPieces(wire);
        return;
    }
    socket_->write(wire);
    finishResponse();
}

// Starts sending the reply bytes a piece at a time.
void Connection::sendPieces(const QByteArray& wire)
{
    state_ = State::Busy;
    pending_ = wire;
    sendNextPiece();
}

// Sends one piece and pushes it out, so each piece leaves as its own segment.
void Connection::sendNextPiece()
{
    socket_->write(pending_.left(options_.pieceBytes));
    pending_.remove(0, options_.pieceBytes);
    socket_->flush();
    if (pending_.isEmpty())
        finishResponse();
    else
        pieceTimer_.start(options_.piecePauseMs);
}

// After a reply: close when the client asked to, else serve what it has sent meanwhile.
void Connection::finishResponse()
{
    if (!keepAlive_) {
        closeAfterWriting();
        return;
    }
    state_ = State::Reading;
    deadline_.start();
    // Queued, not called: a long run of pipelined requests must not deepen the stack.
    QMetaObject::invokeMethod(this, &Connection::processBuffer, Qt::QueuedConnection);
}

// Refuses a request that cannot be read (or is too big) and ends the connection.
void Connection::refuse(int status)
{
    if (options_.verbose)
        std::fprintf(stderr, "korvane-mfp-sim: refused a request with %d\n", status);
    keepAlive_ = false;
    socket_->write(plainReply(status, false));
    closeAfterWriting();
}

// Ends our side once the reply is out, but keeps reading: closing with unread input would
// reset the connection and could destroy the reply before the client has read it.
void Connection::closeAfterWriting()
{
    state_ = State::Closing;
    buffer_.clear();
    // A client that stops reading must not hold the connection for ever.
    deadline_.start();
    shutdownIfWritten();
}

// Shuts down the sending side of a closing connection when nothing is left to write, and gives
// the client a little while to hang up itself.
void Connection::shutdownIfWritten()
{
    if (state_ != State::Closing || shutDown_ || socket_->bytesToWrite() > 0)
        return;
    shutDown_ = true;
    ::shutdown(static_cast<int>(socket_->socketDescriptor()), SHUT_WR);
    QTimer::singleShot(kLingerMs, this, &Connection::drop);
}

// Goes on once written bytes have left: ends a closing connection, or serves held-back requests.
void Connection::continueAfterWriting()
{
    shutdownIfWritten();
    if (state_ == State::Reading && !buffer_.isEmpty())
        processBuffer();
}

// Cuts the connection at once and lets the handler go.
void Connection::drop()
{
    socket_->abort();
    deleteLater();
}

// Writes the request, exactly as received, over the record file.
void Connection::record(const HttpRequest& request) const
{
    if (options_.recordPath.isEmpty())
        return;
    QSaveFile file(options_.recordPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(request.wire) != request.wire.size() || !file.commit())
        std::fprintf(stderr, "korvane-mfp-sim: cannot write %s: %s\n", qPrintable(options_.recordPath),
                     qPrintable(file.errorString()));
}

// Keeps the options for the connections to come.
MfpServer::MfpServer(const SimOptions& options, OperatorPanel* panel, QObject* parent)
    : QObject(parent), options_(options), panel_(panel)
{
    connect(&server_, &QTcpServer::newConnection, this, &MfpServer::acceptConnections);
}

// Listens on 127.0.0.1 only; the stand-in is never meant to be reachable from outside.
bool MfpServer::listen(QString* error)
{
    if (server_.listen(QHostAddress::LocalHost, options_.port))
        return true;
    *error = server_.errorString();
    return false;
}

// The port actually bound.
quint16 MfpServer::port() const
{
    return server_.serverPort();
}

// Hands every waiting connection to its own handler. At the cap the oldest idle connection makes
// room, so clients that hold connections without finishing a request never lock others out.
void MfpServer::acceptConnections()
{
    while (server_.hasPendingConnections()) {
        if (!makeRoom()) {
            // Every slot has a reply under way; those end by themselves.
            server_.pauseAccepting();
            QTimer::singleShot(100, this, [this] {
                server_.resumeAccepting();
                acceptConnections();
            });
            return;
        }
        auto* connection = new Connection(server_.nextPendingConnection(), options_, panel_, this);
        open_.append(connection);
    }
}

// Makes sure a slot is free, dropping the oldest idle connection at the cap; false when none is idle.
bool MfpServer::makeRoom()
{
    open_.removeAll(nullptr);
    if (open_.size() < kMaxConnections)
        return true;
    for (qsizetype at = 0; at < open_.size(); ++at) {
        if (open_[at]->isIdle()) {
            const QPointer<Connection> oldest = open_.takeAt(at);
            oldest->drop();
            return true;
        }
    }
    return false;
}

}  // namespace mfpsim
