// Talks raw HTTP to the real korvane-mfp-sim program over loopback and reads its replies as
// the panel would; the program itself is started with the kit's StandIn.
#pragma once

#include "stand_in.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <optional>

namespace simtest {

// What came back on one connection.
struct Exchange {
    QByteArray received;
    int reads = 0;              // how many separate reads the bytes came in
    bool closedByPeer = false;  // the server ended the connection
};

// A response as a client sees it once the framing is undone.
struct Response {
    int status = 0;
    QMap<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
};

// One client connection that keeps what it receives.
class Client {
public:
    bool connectTo(quint16 port);
    void send(const QByteArray& bytes);
    void readFor(int ms);
    void readUntilResponses(int count, int timeoutMs);

    QByteArray received;
    int reads = 0;              // how many separate reads the bytes came in
    bool closedByPeer = false;  // the server ended the connection

private:
    bool readOnce(int ms);
    int countResponses();

    QTcpSocket socket_;
    qsizetype parsedBytes_ = 0;
    int responses_ = 0;
};

int completeResponses(const QByteArray& bytes);
QByteArray postRequest(const QByteArray& body, const QByteArray& path = "/korvane-mfp-srv");
Exchange exchange(quint16 port, const QByteArray& request, int timeoutMs = 3000);
std::optional<Response> parseResponse(const QByteArray& bytes, qsizetype* consumed = nullptr);
std::optional<Response> parseResponseAt(const QByteArray& bytes, qsizetype from, qsizetype* consumed);
Response roundTrip(quint16 port, const QByteArray& request);
QByteArray listingRequestBody();

// One folder entry, read by the rules the panel applies to the reply.
struct FolderEntry {
    QString name;
    bool password = false;
    bool dir = false;
};

// The reply document read the way the panel reads it.
struct Listing {
    bool isXml = false;
    QString resultCode;  // empty when there is none
    bool hasFiles = false;
    QList<FolderEntry> folders;
};

Listing readListing(const QByteArray& document);

}  // namespace simtest
