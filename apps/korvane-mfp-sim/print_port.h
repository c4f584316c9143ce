// The raw socket print port: one connection per job, its end the job's end.
#pragma once

#include "job_store.h"
#include "job_stream.h"

#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <memory>

class QTcpSocket;
class QTemporaryFile;

namespace mfpsim {

// The limits of the print port.
struct PrintPortLimits {
    qint64 maxDocumentBytes = 0;
    std::chrono::seconds jobDeadline{0};  // for the whole transfer of one job
    UserDirectory users;
};

// Receives one job's stream; refuses it at the first fault, admits it when it ends whole.
class PrintConnection : public QObject {
    Q_OBJECT

public:
    PrintConnection(QTcpSocket* socket, JobStore& store, const PrintPortLimits& limits, QObject* parent);
    ~PrintConnection() override;

    void cutOff(const QString& reason);

private:
    void readIncoming();
    bool keepDocumentBytes(QByteArrayView bytes);
    void connectionEnded();
    void refuse(const QString& reason);
    void settle();

    JobStore& store_;
    const PrintPortLimits& limits_;
    QTcpSocket* socket_;  // owned through the QObject tree
    JobStreamReader reader_;
    std::unique_ptr<QTemporaryFile> document_;
    QTimer deadline_;
    bool settled_ = false;
};

// Accepts print connections on 127.0.0.1; when too many are open the oldest transfer is cut off.
class PrintServer : public QObject {
    Q_OBJECT

public:
    PrintServer(JobStore& store, const PrintPortLimits& limits, QObject* parent = nullptr);

    bool listen(quint16 port, QString* error);
    quint16 port() const { return server_.serverPort(); }

private:
    void acceptConnections();

    JobStore& store_;
    PrintPortLimits limits_;
    QTcpServer server_;
    QList<QPointer<PrintConnection>> open_;  // oldest first
};

}  // namespace mfpsim
