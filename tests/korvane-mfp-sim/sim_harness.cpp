// Starts the stand-in, talks raw HTTP to it and reads its replies as the panel would.
#include "sim_harness.h"

#include <QDeadlineTimer>
#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>

namespace simtest {

namespace {

// Path of the built program.
QString programPath()
{
    return QStringLiteral(KORVANE_TEST_BIN_DIR "/korvane-mfp-sim");
}

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

} // namespace

// Stops the program: SIGTERM first, a kill when it does not go.
SimProcess::~SimProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

// Starts the program and reads its ports from the lines it announces them in.
bool SimProcess::start(const QStringList& arguments)
{
    // Its messages go straight to ours, so a full pipe can never stall it.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(programPath(), arguments);
    if (!m_process.waitForStarted(5000) || !readAnnouncedPort(QStringLiteral("listening"), &m_port))
        return false;
    return !arguments.contains(QStringLiteral("--print-port")) || readAnnouncedPort(QStringLiteral("printing"), &m_printPort);
}

// Ends the program with SIGTERM, as a user would; true when it exited cleanly.
bool SimProcess::stop()
{
    m_process.terminate();
    return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

// Reads the next line of standard output, "WHAT on 127.0.0.1:PORT", into port.
bool SimProcess::readAnnouncedPort(const QString& what, quint16* port)
{
    const QRegularExpression pattern(QStringLiteral("^%1 on 127\\.0\\.0\\.1:(\\d+)\n$").arg(what));
    QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    const auto match = pattern.match(QString::fromUtf8(m_process.readLine()));
    if (!match.hasMatch())
        return false;
    *port = static_cast<quint16>(match.captured(1).toUInt());
    return *port != 0;
}

// Runs the program with the arguments until it ends and returns its exit code (-1 when it hangs).
int runToEnd(const QStringList& arguments, QByteArray* standardError)
{
    QProcess process;
    process.start(programPath(), arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (standardError)
        *standardError = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A request as the panel's client sends it.
QByteArray postRequest(const QByteArray& body, const QByteArray& path)
{
    return "POST " + path + " HTTP/1.1\r\n"
           "Host: 127.0.0.1\r\n"
           "SOAPAction: \"SoapActionDummy\"\r\n"
           "Content-Type: application/soap; charset=\"utf-8\"\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
           "\r\n" + body;
}

// Connects to the stand-in on loopback.
bool Client::connectTo(quint16 port)
{
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return m_socket.waitForConnected(3000);
}

// Sends bytes and waits until the system has taken them.
void Client::send(const QByteArray& bytes)
{
    m_socket.write(bytes);
    while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(3000)) {
    }
}

// Waits up to ms for bytes and keeps them; false when nothing more can come.
bool Client::readOnce(int ms)
{
    const bool ready = m_socket.waitForReadyRead(qMax(ms, 1));
    if (m_socket.bytesAvailable() > 0) {
        received += m_socket.readAll();
        ++reads;
    }
    if (!ready && m_socket.state() != QAbstractSocket::ConnectedState) {
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
    while (parseResponseAt(received, m_parsedBytes, &consumed)) {
        m_parsedBytes += consumed;
        ++m_responses;
    }
    return m_responses;
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

} // namespace simtest
