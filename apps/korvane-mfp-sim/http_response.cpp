// Frames responses with Content-Length or chunked transfer encoding.
#include "http_response.h"

namespace mfpsim {

namespace {

// Encodes a body as chunks of at most chunkBytes, followed by the last, empty chunk.
QByteArray chunkedBody(const QByteArray& body, int chunkBytes)
{
    QByteArray out;
    for (qsizetype at = 0; at < body.size(); at += chunkBytes) {
        const QByteArray chunk = body.mid(at, chunkBytes);
        out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    return out + "0\r\n\r\n";
}

}  // namespace

HttpReply typedReply(int status, const QByteArray& contentType, const QByteArray& body)
{
    HttpReply reply;
    reply.status = status;
    reply.contentType = contentType;
    reply.body = body;
    return reply;
}

// The reason phrase that goes with the statuses this server sends.
QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Payload Too Large";
    case 423:
        return "Locked";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Unknown";
    }
}

// The full response bytes; chunkBytes > 0 sends the body chunked in pieces of that size.
QByteArray serializeReply(const HttpReply& reply, bool keepAlive, int chunkBytes)
{
    QByteArray wire = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    if (!reply.contentType.isEmpty())
        wire += "Content-Type: " + reply.contentType + "\r\n";
    if (chunkBytes > 0)
        wire += "Transfer-Encoding: chunked\r\n";
    else
        wire += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    for (const auto& [name, value] : reply.extraHeaders)
        wire += name + ": " + value + "\r\n";
    if (!keepAlive)
        wire += "Connection: close\r\n";
    wire += "\r\n";
    return wire + (chunkBytes > 0 ? chunkedBody(reply.body, chunkBytes) : reply.body);
}

// A short text response for the statuses that refuse a request.
QByteArray plainReply(int status, bool keepAlive)
{
    HttpReply reply;
    reply.status = status;
    reply.contentType = "text/plain; charset=utf-8";
    reply.body = QByteArray::number(status) + ' ' + reasonPhrase(status) + '\n';
    if (status == 405)
        reply.extraHeaders.emplaceBack("Allow", "POST");
    return serializeReply(reply, keepAlive, 0);
}

}  // namespace mfpsim
