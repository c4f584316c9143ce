// Parses HTTP/1.x requests: request line, headers and a Content-Length body. Bodies sent with
// Transfer-Encoding are refused; the panel's client always sends Content-Length.
#include "http_request.h"

#include <QList>

namespace mfpsim {

namespace {

// A failed step carrying the status to answer with.
ParseStep failure(int status)
{
    ParseStep step;
    step.status = ParseStep::Status::Failed;
    step.failureStatus = status;
    return step;
}

// Counts the empty lines a client may send ahead of a request (left over after an earlier body).
qsizetype leadingLineBreaks(const QByteArray& buffer)
{
    qsizetype at = 0;
    while (buffer.mid(at, 2) == "\r\n")
        at += 2;
    return at;
}

// Splits "METHOD TARGET VERSION"; false when the line has another shape.
bool parseRequestLine(const QByteArray& line, HttpRequest* request)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty())
        return false;
    request->method = parts[0];
    request->target = parts[1];
    request->version = parts[2];
    return request->version.startsWith("HTTP/");
}

// Reads "Name: value" lines; false on a line that is no header (folded lines included).
bool parseHeaderLines(const QList<QByteArray>& lines, HttpRequest* request)
{
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        const QByteArray name = line.left(colon);
        if (name.contains(' ') || name.contains('\t'))
            return false;
        request->headers.emplaceBack(name, line.mid(colon + 1).trimmed());
    }
    return true;
}

// Finds the body length; -1 when the Content-Length headers are malformed or disagree.
qint64 declaredBodyLength(const HttpRequest& request)
{
    qint64 length = 0;
    bool seen = false;
    for (const auto& [name, value] : request.headers) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        bool ok = value.size() <= 18 && !value.isEmpty();
        for (char c : value)
            ok = ok && c >= '0' && c <= '9';
        const qint64 number = ok ? value.toLongLong() : -1;
        if (!ok || (seen && number != length))
            return -1;
        length = number;
        seen = true;
    }
    return length;
}

}  // namespace

// The first header of that name (case-insensitive), or an empty array.
QByteArray HttpRequest::header(QByteArrayView name) const
{
    for (const auto& [key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// The target without its query.
QByteArray HttpRequest::path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

// Tells whether the client keeps the connection for another request.
bool HttpRequest::keepsAlive() const
{
    bool close = false;
    bool keepAlive = false;
    for (const QByteArray& token : header("Connection").split(',')) {
        const QByteArray word = token.trimmed().toLower();
        close = close || word == "close";
        keepAlive = keepAlive || word == "keep-alive";
    }
    if (close)
        return false;
    return version == "HTTP/1.1" || keepAlive;
}

// Looks at the bytes received so far and says whether a whole request is there.
ParseStep parseRequest(const QByteArray& buffer, const RequestLimits& limits)
{
    const qsizetype start = leadingLineBreaks(buffer);
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n", start);
    if (headEnd < 0)
        return buffer.size() > limits.maxHeaderBytes ? failure(413) : ParseStep{};
    // Leading empty lines count against the head's limit, so a stream of them cannot grow the buffer.
    if (headEnd + 4 > limits.maxHeaderBytes)
        return failure(413);
    const qsizetype headSize = headEnd + 4 - start;

    HttpRequest request;
    const QList<QByteArray> lines = buffer.mid(start, headEnd - start).split('\n');
    QList<QByteArray> trimmed;
    for (const QByteArray& line : lines)
        trimmed.append(line.endsWith('\r') ? line.chopped(1) : line);
    if (!parseRequestLine(trimmed.first(), &request) || !parseHeaderLines(trimmed, &request))
        return failure(400);
    if (request.version != "HTTP/1.1" && request.version != "HTTP/1.0")
        return failure(505);
    if (!request.header("Transfer-Encoding").isEmpty())
        return failure(501);
    const qint64 bodyLength = declaredBodyLength(request);
    if (bodyLength < 0)
        return failure(400);
    if (bodyLength > limits.maxBodyBytes)
        return failure(413);

    const qsizetype total = headSize + bodyLength;
    if (buffer.size() - start < total) {
        ParseStep step;
        step.wantsContinue = request.header("Expect").compare("100-continue", Qt::CaseInsensitive) == 0;
        return step;
    }
    request.wire = buffer.mid(start, total);
    request.body = buffer.mid(start + headSize, bodyLength);
    ParseStep step;
    step.status = ParseStep::Status::Complete;
    step.request = request;
    step.consumed = start + total;
    return step;
}

}  // namespace mfpsim
