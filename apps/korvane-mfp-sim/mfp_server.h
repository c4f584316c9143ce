// The folder service on loopback: a listening socket and one handler per connection.
#pragma once

#include "http_request.h"
#include "http_response.h"
#include "sim_options.h"

#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace mfpsim {

class OperatorPanel;

// Serves the requests of one client connection, one after the other.
class Connection : public QObject {
    Q_OBJECT

public:
    Connection(QTcpSocket* socket, const SimOptions& options, OperatorPanel* panel, QObject* parent);

    bool isIdle() const;
    void drop();

private:
    enum class State {
        Reading,  // waiting for (the rest of) a request
        Busy,     // a reply is delayed or under way
        Silent,   // the request was read and will never be answered
        Closing,  // our side is done; waiting for the client to go
    };

    void readIncoming();
    void processBuffer();
    void serve(const HttpRequest& request);
    void answerService(const HttpRequest& request);
    HttpReply serviceReply(const HttpRequest& request) const;
    HttpReply listingReply(const QByteArray& requestBody) const;
    void sendServiceReply(const HttpReply& reply, const HttpRequest& request);
    void sendPieces(const QByteArray& wire);
    void sendNextPiece();
    void finishResponse();
    void refuse(int status);
    void closeAfterWriting();
    void shutdownIfWritten();
    void continueAfterWriting();
    void answerPanel(const HttpRequest& request);
    void record(const HttpRequest& request) const;

    const SimOptions options_;
    OperatorPanel* panel_;  // may be null
    QTcpSocket* socket_;    // owned through the QObject tree
    QByteArray buffer_;
    State state_ = State::Reading;
    bool keepAlive_ = true;
    bool sentContinue_ = false;
    bool shutDown_ = false;  // our sending side is closed
    QByteArray pending_;     // reply bytes still to send in pieces mode
    QTimer pieceTimer_;
    QTimer deadline_;  // for the whole of the next request, however slowly its bytes come
};

// Accepts connections on 127.0.0.1 and hands each to a Connection.
class MfpServer : public QObject {
    Q_OBJECT

public:
    MfpServer(const SimOptions& options, OperatorPanel* panel, QObject* parent = nullptr);

    bool listen(QString* error);
    quint16 port() const;

private:
    void acceptConnections();
    bool makeRoom();

    SimOptions options_;
    OperatorPanel* panel_;
    QTcpServer server_;
    QList<QPointer<Connection>> open_;  // oldest first
};

}  // namespace mfpsim
