// A printer gone wrong on loopback, in the test's own process: it answers the folder request
// with a scripted stream of bytes that breaks HTTP in one chosen way, counts the connections it
// gets and the bytes it sends. For faults the printer stand-in cannot be made to produce.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

#include <string>

namespace testing_support {

// What the printer sends once a request is in, and how it ends the connection.
struct HostileScript {
    enum class End { Close, Reset, Hold };
    HostileScript(std::string scriptName, QByteArray first, QByteArray repeated = {})
        : name(std::move(scriptName)), wire(std::move(first)), endless(std::move(repeated))
    {
    }
    std::string name;          // for reports
    QByteArray wire;           // sent as soon as the request is in
    QByteArray endless;        // then this, over and over, as fast as the client takes it
    qint64 endlessBytes = -1;  // ... until this much of it is sent (-1: forever)
    QByteArray tail;           // then this
    End end = End::Close;      // and the connection ends so
};

// The scripts of the hostile cases, and two sound replies to check the scripts against.
namespace hostile {
HostileScript soundReply();                          // a folder list with a right Content-Length
HostileScript soundChunkedReply();                   // the same in well-formed chunks
HostileScript endlessChunks();                       // back-to-back 64 KiB chunks that never end
HostileScript chunkedBody(qint64 total);             // `total` bytes of chunks, then the last chunk
HostileScript headerFlood();                         // header lines that never end
HostileScript endlessHeaderLine();                   // one header line that never ends
HostileScript badChunkSize(const QByteArray& size);  // a chunk-size line of `size`
HostileScript resetMidBody();                        // half of an announced body, then a reset
HostileScript shortBody();                           // half of an announced body, then a close
HostileScript longBody();                            // more than the announced body, then a close
HostileScript encodedBody();                         // a body in a content encoding nobody asked for
HostileScript unfinishedChunks();                    // chunks without the last chunk, then a close
HostileScript closeWithoutAnswer();                  // takes the request and closes
HostileScript silent();                              // takes the request and never answers
}  // namespace hostile

// The folder list the sound replies carry: one folder named "Hostile".
QByteArray hostileFolderReply();

class HostilePrinter {
public:
    explicit HostilePrinter(HostileScript script);
    // "127.0.0.1:PORT" as a user types it, and the service URL as the panel builds it.
    QString address() const;
    std::string serviceURL() const;
    int connections() const { return connections_; }
    qint64 sent() const { return sent_; }

private:
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket);
    void finish(QTcpSocket* socket);

    HostileScript script_;
    QTcpServer server_;
    int connections_ = 0;
    qint64 sent_ = 0;
};

}  // namespace testing_support
