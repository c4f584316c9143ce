// Reading HTTP/1.x requests from the bytes a connection has received so far.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <utility>

namespace mfpsim {

// One request, as parsed and as it came over the wire.
struct HttpRequest {
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<std::pair<QByteArray, QByteArray>> headers;  // in order, names as sent
    QByteArray body;
    QByteArray wire;  // request line, headers, blank line and body, byte for byte

    QByteArray header(QByteArrayView name) const;
    QByteArray path() const;
    bool keepsAlive() const;
};

// Sizes beyond which a request is refused with 413.
struct RequestLimits {
    qint64 maxHeaderBytes = 64 * 1024;
    qint64 maxBodyBytes = 1024 * 1024;
};

// Result of looking at the received bytes once.
struct ParseStep {
    enum class Status { NeedMore, Complete, Failed };
    Status status = Status::NeedMore;
    HttpRequest request;         // when Complete
    qsizetype consumed = 0;      // when Complete: bytes of the buffer the request took
    int failureStatus = 0;       // when Failed: the HTTP status to answer with
    bool wantsContinue = false;  // when NeedMore: the head is complete and asks for "100 Continue"
};

ParseStep parseRequest(const QByteArray& buffer, const RequestLimits& limits);

}  // namespace mfpsim
