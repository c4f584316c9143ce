#include "platform/http_exchange.h"

#include <QByteArray>
#include <QList>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <optional>

namespace platform {

namespace {

// How much the socket may hold unread; it stops reading from the system beyond that, so what
// the exchange holds stays bounded whatever the peer sends and however fast.
constexpr qint64 kSocketBufferBytes = 64 * 1024;
// A response head (status line and header lines) longer than this is a flood, not an answer.
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
// Interim (1xx) responses taken before the final one.
constexpr int kMaxInterimResponses = 8;
// A chunk-size line longer than this is no chunk size.
constexpr qsizetype kMaxChunkLineBytes = 1024;
// How long a body that arrived whole waits for the close the request asked for, so that bytes
// beyond the announced length are noticed; a peer that keeps the connection costs this much.
constexpr int kCloseGraceMs = 250;

// How the body of a response is delimited.
enum class Framing { None, Length, Chunked, UntilClose };

// Where the reading of the response stands.
enum class Stage { Head, Body, ChunkSize, ChunkData, ChunkEnd, Trailer, AwaitingClose };

// What the head of a response says that the exchange needs.
struct ResponseHead {
    int status = 0;
    Framing framing = Framing::UntilClose;
    qint64 length = 0;
};

// Whether text is a non-empty run of decimal digits.
bool isDecimal(const QByteArray& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The lines of a head, without their line ends.
QList<QByteArray> headLines(const QByteArray& head)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// The status code of a status line "HTTP/1.x NNN reason"; nothing when it is not one.
std::optional<int> statusOf(const QByteArray& line)
{
    if (!line.startsWith("HTTP/1.0 ") && !line.startsWith("HTTP/1.1 "))
        return std::nullopt;
    const QByteArray code = line.mid(9, 3);
    if (!isDecimal(code) || code.size() != 3 || (line.size() > 12 && line.at(12) != ' '))
        return std::nullopt;
    return code.toInt();
}

// Reads a response head; nothing when it is malformed, announces its body ambiguously, or
// names a content encoding, which the request did not ask for.
std::optional<ResponseHead> parseHead(const QByteArray& head, qint64 maxBody)
{
    const QList<QByteArray> lines = headLines(head);
    const auto status = statusOf(lines.value(0));
    if (!status)
        return std::nullopt;
    ResponseHead response;
    response.status = *status;
    std::optional<QByteArray> length;
    bool chunked = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        // A folded line or one without a name is no header a sound server sends.
        if (colon <= 0 || line.front() == ' ' || line.front() == '\t')
            return std::nullopt;
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-encoding" && !value.isEmpty() && value.toLower() != "identity")
            return std::nullopt;
        if (name == "transfer-encoding") {
            if (value.toLower() != "chunked" || chunked)
                return std::nullopt;
            chunked = true;
        }
        if (name == "content-length") {
            if (!isDecimal(value) || (length && *length != value))
                return std::nullopt;
            length = value;
        }
    }
    if (chunked && length)
        return std::nullopt;
    if (response.status == 204 || response.status == 304 || (response.status >= 100 && response.status < 200)) {
        response.framing = Framing::None;
    } else if (chunked) {
        response.framing = Framing::Chunked;
    } else if (length) {
        // More digits than the bound has cannot be a length the caller takes.
        if (length->size() > 18 || length->toLongLong() > maxBody)
            return std::nullopt;
        response.framing = Framing::Length;
        response.length = length->toLongLong();
    }
    return response;
}

// The value of a hexadecimal digit; -1 for any other character.
int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The size a chunk-size line gives (extensions after ";" ignored); nothing when it is not a
// hexadecimal number or exceeds limit.
std::optional<qint64> chunkSizeOf(const QByteArray& line, qint64 limit)
{
    const qsizetype extensions = line.indexOf(';');
    QByteArray digits = (extensions < 0 ? line : line.left(extensions)).trimmed();
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove(0, 1);
    if (digits.isEmpty() || digits.size() > 15)
        return std::nullopt;
    qint64 size = 0;
    for (char c : digits) {
        const int value = hexDigitValue(c);
        if (value < 0)
            return std::nullopt;
        size = size * 16 + value;
    }
    if (size > limit)
        return std::nullopt;
    return size;
}

// The request's target and Host header value for url.
QByteArray targetOf(const QUrl& url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += "?" + url.query(QUrl::FullyEncoded).toLatin1();
    return target;
}

QByteArray hostHeaderOf(const QUrl& url)
{
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = "[" + host + "]";
    if (url.port() != -1)
        host += ":" + QByteArray::number(url.port());
    return host;
}

// The whole request on the wire: the caller's headers in order, framed by the layer's own.
QByteArray wireRequest(const HttpPost& post, const QUrl& url)
{
    QByteArray wire = "POST " + targetOf(url) + " HTTP/1.1\r\nHost: " + hostHeaderOf(url) + "\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : post.headers) {
        wire += QByteArray::fromStdString(name) + ": " + QByteArray::fromStdString(value) + "\r\n";
        hasLength = hasLength || QByteArray::fromStdString(name).toLower() == "content-length";
    }
    if (!hasLength)
        wire += "Content-Length: " + QByteArray::number(static_cast<qsizetype>(post.body.size())) + "\r\n";
    // One request per connection, and the body as it is: what a complete reply is stays plain.
    wire += "Connection: close\r\nAccept-Encoding: identity\r\n\r\n";
    wire.append(post.body.data(), static_cast<qsizetype>(post.body.size()));
    return wire;
}

}  // namespace

struct HttpExchange::Impl {
    QTcpSocket socket;
    QTimer idleTimer;
    QTimer closeGrace;
    HttpExchangeDelegate* delegate = nullptr;
    QByteArray request;
    QByteArray pending;  // read from the socket, not yet taken
    Stage stage = Stage::Head;
    Framing framing = Framing::UntilClose;
    qint64 remaining = 0;  // of the body (Length) or of the chunk (ChunkData)
    qint64 bodyBytes = 0;
    qint64 maxBody = 0;
    qsizetype trailerBytes = 0;
    int interimResponses = 0;
    bool ended = false;

    // Ends the exchange without a complete response, once.
    void fail()
    {
        if (ended)
            return;
        stop();
        delegate->exchangeDidFail();
    }

    // Ends the exchange with the whole response delivered, once.
    void complete()
    {
        if (ended)
            return;
        stop();
        delegate->exchangeDidFinish();
    }

    // Stops everything; the delegate hears nothing after this.
    void stop()
    {
        ended = true;
        idleTimer.stop();
        closeGrace.stop();
        socket.abort();
        pending.clear();
    }

    // Hands a piece of the body to the delegate, unless it would pass the bound.
    void deliver(qint64 count)
    {
        bodyBytes += count;
        if (bodyBytes > maxBody) {
            fail();
            return;
        }
        // The usual piece is all that waits: it is handed over as it is, not copied.
        QByteArray piece;
        if (count == pending.size()) {
            piece.swap(pending);
        } else {
            piece = pending.left(count);
            pending.remove(0, count);
        }
        if (count > 0)
            delegate->exchangeDidReceiveData(piece.constData(), static_cast<std::size_t>(piece.size()));
    }

    // The body as announced is in: only the close may follow.
    void bodyDone()
    {
        stage = Stage::AwaitingClose;
        if (socket.state() == QAbstractSocket::UnconnectedState)
            complete();
        else
            closeGrace.start(kCloseGraceMs);
    }

    // Takes a response head from pending; false when more bytes are needed or it failed.
    bool takeHead()
    {
        qsizetype end = pending.indexOf("\r\n\r\n");
        qsizetype separator = 4;
        const qsizetype bare = pending.indexOf("\n\n");
        if (bare >= 0 && (end < 0 || bare < end)) {
            end = bare;
            separator = 2;
        }
        if (end < 0 ? pending.size() > kMaxHeadBytes : end > kMaxHeadBytes) {
            fail();
            return false;
        }
        if (end < 0)
            return false;
        const auto head = parseHead(pending.left(end), maxBody);
        pending.remove(0, end + separator);
        if (!head || head->status == 101) {
            fail();
            return false;
        }
        if (head->status < 200) {
            if (++interimResponses > kMaxInterimResponses)
                fail();
            return !ended;
        }
        delegate->exchangeDidReceiveResponse();
        if (ended)
            return false;
        framing = head->framing;
        if (framing == Framing::None || (framing == Framing::Length && head->length == 0)) {
            bodyDone();
        } else if (framing == Framing::Chunked) {
            stage = Stage::ChunkSize;
        } else {
            stage = Stage::Body;
            remaining = head->length;
        }
        return true;
    }

    // Takes a line (without its end) from pending into line; false when none is complete yet,
    // failing when what waits is longer than limit.
    bool takeLine(QByteArray& line, qsizetype limit)
    {
        const qsizetype end = pending.indexOf('\n');
        if (end < 0 || end > limit) {
            if (end >= 0 || pending.size() > limit)
                fail();
            return false;
        }
        line = pending.left(end);
        if (line.endsWith('\r'))
            line.chop(1);
        pending.remove(0, end + 1);
        return true;
    }

    // Takes what pending holds for the current stage; false when more bytes are needed.
    bool takeNext()
    {
        QByteArray line;
        switch (stage) {
        case Stage::Head:
            return takeHead();
        case Stage::Body: {
            const qint64 count =
                framing == Framing::Length ? std::min<qint64>(remaining, pending.size()) : pending.size();
            deliver(count);
            remaining -= count;
            if (!ended && framing == Framing::Length && remaining == 0)
                bodyDone();
            return !ended;
        }
        case Stage::ChunkSize: {
            if (!takeLine(line, kMaxChunkLineBytes))
                return false;
            const auto size = chunkSizeOf(line, maxBody - bodyBytes);
            if (!size) {
                fail();
                return false;
            }
            remaining = *size;
            stage = *size == 0 ? Stage::Trailer : Stage::ChunkData;
            return true;
        }
        case Stage::ChunkData: {
            const qint64 count = std::min<qint64>(remaining, pending.size());
            deliver(count);
            remaining -= count;
            if (remaining == 0)
                stage = Stage::ChunkEnd;
            return !ended;
        }
        case Stage::ChunkEnd:
            if (!takeLine(line, 2))
                return false;
            if (!line.isEmpty()) {
                fail();
                return false;
            }
            stage = Stage::ChunkSize;
            return true;
        case Stage::Trailer:
            if (!takeLine(line, kMaxHeadBytes - trailerBytes))
                return false;
            trailerBytes += line.size() + 2;
            if (line.isEmpty())
                bodyDone();
            return true;
        case Stage::AwaitingClose:
            // Bytes beyond the announced body: the response was not what it said.
            fail();
            return false;
        }
        return false;
    }

    // Reads what the socket holds and takes as much of it as the stage allows.
    void readIncoming()
    {
        if (ended)
            return;
        idleTimer.start();
        if (pending.isEmpty())
            pending = socket.readAll();
        else
            pending += socket.readAll();
        while (!ended && !pending.isEmpty() && takeNext()) {
        }
    }

    // The peer closed or reset the connection: complete only when the body was whole.
    void peerClosed()
    {
        if (ended)
            return;
        readIncoming();
        if (ended)
            return;
        const bool whole = stage == Stage::AwaitingClose || (stage == Stage::Body && framing == Framing::UntilClose);
        if (whole)
            complete();
        else
            fail();
    }

    // Wires the socket and the timers to the exchange.
    void connectSignals()
    {
        QObject::connect(&socket, &QTcpSocket::connected, &socket, [this] {
            idleTimer.start();
            socket.write(request);
        });
        QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, [this] { idleTimer.start(); });
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { readIncoming(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, &socket, [this] { peerClosed(); });
        QObject::connect(&socket, &QTcpSocket::errorOccurred, &socket, [this](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::RemoteHostClosedError)
                peerClosed();
            else
                fail();
        });
        QObject::connect(&idleTimer, &QTimer::timeout, &socket, [this] { fail(); });
        QObject::connect(&closeGrace, &QTimer::timeout, &socket, [this] {
            readIncoming();
            complete();
        });
    }
};

HttpExchange::HttpExchange(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<HttpExchange> HttpExchange::start(const HttpPost& post, HttpExchangeDelegate& delegate)
{
    if (!isAbsoluteURL(post.url))
        return nullptr;
    const QUrl url(QString::fromStdString(post.url), QUrl::StrictMode);
    auto impl = std::make_unique<Impl>();
    impl->delegate = &delegate;
    impl->maxBody =
        static_cast<qint64>(std::min<std::size_t>(post.maxBodyBytes, std::numeric_limits<qint64>::max() / 2));
    impl->request = wireRequest(post, url);
    impl->idleTimer.setSingleShot(true);
    impl->idleTimer.setInterval(static_cast<int>(post.transferTimeout.count()));
    impl->closeGrace.setSingleShot(true);
    // A printer on the local network is reached directly, never through a proxy.
    impl->socket.setProxy(QNetworkProxy::NoProxy);
    impl->socket.setReadBufferSize(kSocketBufferBytes);
    impl->connectSignals();
    Impl* started = impl.get();
    if (url.scheme().toLower() == "http") {
        // Looking up the host and connecting stand still as surely as a silent peer does: the
        // same timeout bounds them, or a printer switched off behind a router would keep the
        // exchange waiting for the system's own connect time-out of two minutes.
        impl->idleTimer.start();
        impl->socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    } else {
        // Only plain HTTP is spoken; the exchange fails as a connection to nowhere would.
        QMetaObject::invokeMethod(
            &impl->socket, [started] { started->fail(); }, Qt::QueuedConnection);
    }
    return std::unique_ptr<HttpExchange>(new HttpExchange(std::move(impl)));
}

HttpExchange::~HttpExchange()
{
    cancel();
}

void HttpExchange::cancel()
{
    if (impl_->ended)
        return;
    impl_->stop();
}

bool isAbsoluteURL(const std::string& text)
{
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    return url.isValid() && !url.isRelative() && !url.host().isEmpty();
}

}  // namespace platform
