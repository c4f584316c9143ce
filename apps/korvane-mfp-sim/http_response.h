// Putting HTTP/1.1 responses on the wire.
#pragma once

#include <QByteArray>
#include <QList>

#include <utility>

namespace mfpsim {

// A response before it is framed for the wire.
struct HttpReply {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> extraHeaders;
};

// A reply of the given status whose body is of the given type.
HttpReply typedReply(int status, const QByteArray& contentType, const QByteArray& body);

QByteArray reasonPhrase(int status);
QByteArray serializeReply(const HttpReply& reply, bool keepAlive, int chunkBytes);
QByteArray plainReply(int status, bool keepAlive);

}  // namespace mfpsim
