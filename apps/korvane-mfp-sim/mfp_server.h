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

    const SimOptions m_options;
    OperatorPanel* m_panel;  // may be null
    QTcpSocket* m_socket;    // owned through the QObject tree
    QByteArray m_buffer;
    State m_state = State::Reading;
    bool m_keepAlive = true;
    bool m_sentContinue = false;
    bool m_shutDown = false;  // our sending side is closed
    QByteArray m_pending;     // reply bytes still to send in pieces mode
    QTimer m_pieceTimer;
    QTimer m_deadline;  // for the whole of the next request, however slowly its bytes come
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

    SimOptions m_options;
    OperatorPanel* m_panel;
    QTcpServer m_server;
    QList<QPointer<Connection>> m_open;  // oldest first
};

}  // namespace mfpsim
