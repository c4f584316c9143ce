// Talks raw HTTP to the stand-in and reads its replies as the panel would.
#include "sim_harness.h"

#include <QDeadlineTimer>
#include <QDomDocument>
#include <QFile>

namespace simtest {

namespace {

// Reads the body of a chunked response that starts at "at"; absent until the last chunk is there.
std::optional<QByteArray> dechunk(const QByteArray& bytes, qsizetype at, qsizetype* end)
{
    QByteArray body;
    for (;;) {
        const qsizetype lineEnd = bytes.indexOf("\r\n", at);
        if (lineEnd < 0)
            return std::nullopt;
        bool ok = false;
        const qsizetype size = bytes.mid(at, lineEnd - at).toLongLong(&ok, 16);
        if (!ok || bytes.size() < lineEnd + 2 + size + 2)
            return std::nullopt;
        at = lineEnd + 2 + size + 2;
        if (size == 0)
            break;
        body += bytes.mid(lineEnd + 2, size);
    }
    *end = at;
    return body;
}

// The text of an element node, or an empty string.
QString textOf(const QDomNode& node)
{
    return node.toElement().text();
}

// Reads one folder entry by the panel's rules: last name wins, "true" flags stick.
FolderEntry readEntry(const QDomNode& entry)
{
    FolderEntry folder;
    for (QDomNode child = entry.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.nodeName() == u"name")
            folder.name = textOf(child);
        else if (child.nodeName() == u"password" && textOf(child) == u"true")
            folder.password = true;
        else if (child.nodeName() == u"dir" && textOf(child) == u"true")
            folder.dir = true;
    }
    return folder;
}

}  // namespace

// A request as the panel's client sends it.
QByteArray postRequest(const QByteArray& body, const QByteArray& path)
{
    return "POST " + path +
           " HTTP/1.1\r\n"
           "Host: 127.0.0.1\r\n"
           "SOAPAction: \"SoapActionDummy\"\r\n"
           "Content-Type: application/soap; charset=\"utf-8\"\r\n"
           "Content-Length: " +
           QByteArray::number(body.size()) +
           "\r\n"
           "\r\n" +
           body;
}

// Connects to the stand-in on loopback.
bool Client::connectTo(quint16 port)
{
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket_.waitForConnected(3000);
}

// Sends bytes and waits until the system has taken them.
void Client::send(const QByteArray& bytes)
{
    socket_.write(bytes);
    while (socket_.bytesToWrite() > 0 && socket_.waitForBytesWritten(3000)) {
    }
}

// Waits up to ms for bytes and keeps them; false when nothing more can come.
bool Client::readOnce(int ms)
{
    const bool ready = socket_.waitForReadyRead(qMax(ms, 1));
    if (socket_.bytesAvailable() > 0) {
        received += socket_.readAll();
        ++reads;
    }
    if (!ready && socket_.state() != QAbstractSocket::ConnectedState) {
        closedByPeer = true;
        return false;
    }
    return true;
}

// Keeps whatever arrives within ms.
void Client::readFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired() && readOnce(static_cast<int>(deadline.remainingTime()))) {
    }
}

// Reads until count whole responses are there, the server closes, or timeoutMs pass.
void Client::readUntilResponses(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (countResponses() < count && !deadline.hasExpired() && readOnce(static_cast<int>(deadline.remainingTime()))) {
    }
}

// Counts the whole responses received so far, going on from the last count.
int Client::countResponses()
{
    qsizetype consumed = 0;
    while (parseResponseAt(received, parsedBytes_, &consumed)) {
        parsedBytes_ += consumed;
        ++responses_;
    }
    return responses_;
}

// Counts the whole responses at the start of bytes.
int completeResponses(const QByteArray& bytes)
{
    int count = 0;
    qsizetype at = 0;
    qsizetype consumed = 0;
    while (parseResponseAt(bytes, at, &consumed)) {
        ++count;
        at += consumed;
    }
    return count;
}

// Sends the bytes on a new connection and collects the answer until it is complete, the
// server closes, or timeoutMs pass.
Exchange exchange(quint16 port, const QByteArray& request, int timeoutMs)
{
    Client client;
    if (!client.connectTo(port))
        return {};
    client.send(request);
    client.readUntilResponses(1, timeoutMs);
    return {client.received, client.reads, client.closedByPeer};
}

// Undoes the framing of the first response in bytes; absent while it is incomplete.
std::optional<Response> parseResponse(const QByteArray& bytes, qsizetype* consumed)
{
    return parseResponseAt(bytes, 0, consumed);
}

// Undoes the framing of the response that starts at "from"; absent while it is incomplete.
std::optional<Response> parseResponseAt(const QByteArray& bytes, qsizetype from, qsizetype* consumed)
{
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n", from);
    if (headEnd < 0)
        return std::nullopt;
    const QList<QByteArray> lines = bytes.mid(from, headEnd - from).split('\n');
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    if (statusLine.size() < 2)
        return std::nullopt;
    Response response;
    response.status = statusLine[1].toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            response.headers.insert(lines[i].left(colon).toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype bodyStart = headEnd + 4;
    qsizetype end = 0;
    if (response.headers.value("transfer-encoding") == "chunked") {
        const auto body = dechunk(bytes, bodyStart, &end);
        if (!body)
            return std::nullopt;
        response.body = *body;
    } else {
        const qsizetype length = response.headers.value("content-length", "0").toLongLong();
        if (bytes.size() - bodyStart < length)
            return std::nullopt;
        response.body = bytes.mid(bodyStart, length);
        end = bodyStart + length;
    }
    if (consumed)
        *consumed = end - from;
    return response;
}

// Sends one request and returns the response; status 0 when none came whole.
Response roundTrip(quint16 port, const QByteArray& request)
{
    return parseResponse(exchange(port, request).received).value_or(Response{});
}

// The request body the bundle ships.
QByteArray listingRequestBody()
{
    QFile file(QStringLiteral(KORVANE_TEST_SOURCE_DIR "/src/resources/listfiles.xml"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads the reply document as the panel does: root, its last child, that one's last child.
Listing readListing(const QByteArray& document)
{
    Listing listing;
    QDomDocument dom;
    if (!dom.setContent(document))
        return listing;
    listing.isXml = true;
    const QDomNode result = dom.documentElement().lastChild().lastChild();
    QDomNode files;
    for (QDomNode child = result.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.nodeName() == u"result-code")
            listing.resultCode = textOf(child);
        else if (child.nodeName() == u"files")
            files = child;
    }
    listing.hasFiles = !files.isNull();
    for (QDomNode entry = files.firstChild(); !entry.isNull(); entry = entry.nextSibling())
        listing.folders.append(readEntry(entry));
    return listing;
}

}  // namespace simtest
