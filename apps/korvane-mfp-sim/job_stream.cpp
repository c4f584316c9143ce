// Checks a job's stream against the job-control header format line by line, and passes the
// document on unchanged. Anything off the format refuses the job: a damaged header could have
// lost the very line that holds the job back.
#include "job_stream.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <utility>

namespace mfpsim {

namespace {

constexpr int kMaxLineBytes = 1024;  // with its LF
constexpr int kMaxHeaderLines = 64;
constexpr qint64 kMaxHeaderBytes = 64 * 1024;
constexpr qint64 kMaxAnnouncedSize = 2147483647;
constexpr char kJobEnd[] = "@KJC EOJ\n";

// Tells whether every character of text is one of allowed.
bool consistsOf(const QByteArray& text, const char* allowed)
{
    return std::all_of(text.begin(), text.end(), [allowed](char c) { return c != 0 && std::strchr(allowed, c); });
}

// Hex of bytes as the filter writes it: uppercase, two digits a byte.
bool isUpperHex(const QByteArray& value)
{
    return value.size() % 2 == 0 && consistsOf(value, "0123456789ABCDEF");
}

// An MD5 digest: 32 lowercase hex digits.
bool isDigest(const QByteArray& value)
{
    return value.size() == 32 && consistsOf(value, "0123456789abcdef");
}

// Base64 of whole 16-byte blocks: the standard alphabet, "=" only as padding at the end.
bool isBase64(const QByteArray& value)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9+/]+={0,2}$"));
    return value.size() % 4 == 0 && pattern.match(QString::fromLatin1(value)).hasMatch();
}

// A decimal text of min to max digits.
bool isDigits(const QByteArray& value, int min, int max)
{
    return value.size() >= min && value.size() <= max && consistsOf(value, "0123456789");
}

// Tells whether value is one of the words.
bool isOneOf(const QByteArray& value, std::initializer_list<const char*> words)
{
    return std::any_of(words.begin(), words.end(), [&value](const char* word) { return value == word; });
}

}  // namespace

// Tells whether a SET value has the form its name requires; false for a name the format lacks.
bool valueHasItsForm(const QByteArray& name, const QByteArray& value)
{
    if (name == "SUBMITTER" || name == "TITLE" || name == "FOLDER" || name == "USERNAME" || name == "JOBNAME")
        return isUpperHex(value);
    if (name == "SPOOLTIME")
        return isUpperHex(value) && value.size() <= 2 * 63;
    if (name == "RETENTION")
        return isOneOf(value, {"NONE", "HOLDAFTERPRINT", "HOLD", "SAMPLE"});
    if (name == "PINDIGEST" || name == "FOLDERPASSWORDDIGEST")
        return isDigest(value);
    if (name == "FILING")
        return isOneOf(value, {"NONE", "QUICK", "MAIN", "CUSTOM"});
    if (name == "AUTHENTICATION")
        return isOneOf(value, {"LOGIN", "USERNUMBER"});
    if (name == "LOGINNAME" || name == "PASSWORD")
        return isBase64(value);
    if (name == "USERNUMBER")
        return isDigits(value, 5, 8);
    if (name == "ACCOUNT")
        return isDigits(value, 5, 5);
    return false;
}

// Starts reading a stream whose document may have at most maxDocumentBytes.
JobStreamReader::JobStreamReader(qint64 maxDocumentBytes) : maxDocumentBytes_(maxDocumentBytes) {}

// Takes the bytes that arrived next; the document's bytes go to sink as they come.
JobStreamReader::Status JobStreamReader::feed(QByteArrayView bytes, const DocumentSink& sink)
{
    receivedAnything_ = receivedAnything_ || !bytes.isEmpty();
    while (!bytes.isEmpty() && phase_ != Phase::Refused) {
        switch (phase_) {
        case Phase::Header:
            takeHeaderByte(bytes.front());
            bytes = bytes.sliced(1);
            break;
        case Phase::Document: {
            const qsizetype take = static_cast<qsizetype>(std::min<qint64>(documentLeft_, bytes.size()));
            if (take > 0 && !sink(bytes.first(take))) {
                refuse(QStringLiteral("the printer cannot store the document"));
                break;
            }
            documentLeft_ -= take;
            bytes = bytes.sliced(take);
            if (documentLeft_ == 0)
                phase_ = Phase::Trailer;
            break;
        }
        case Phase::Trailer:
            takeTrailer(bytes);
            bytes = {};
            break;
        case Phase::Done:
            refuse(QStringLiteral("data after the end of the job"));
            break;
        case Phase::Refused:
            break;
        }
    }
    if (phase_ == Phase::Refused)
        return Status::Refused;
    return Status::Reading;
}

// The connection ended: the job is whole only when its end line came last.
JobStreamReader::Status JobStreamReader::finish()
{
    if (phase_ == Phase::Refused)
        return Status::Refused;
    if (phase_ == Phase::Done)
        return Status::Complete;
    if (phase_ == Phase::Header)
        refuse(QStringLiteral("incomplete job: the header ends at line %1").arg(lineNumber_));
    else if (phase_ == Phase::Document)
        refuse(QStringLiteral("incomplete job: %1 of %2 document bytes")
                   .arg(header_.documentSize - documentLeft_)
                   .arg(header_.documentSize));
    else
        refuse(QStringLiteral("incomplete job: no end of job"));
    return Status::Refused;
}

// Refuses the job for reason; the first reason stays.
void JobStreamReader::refuse(const QString& reason)
{
    if (phase_ == Phase::Refused)
        return;
    phase_ = Phase::Refused;
    reason_ = reason;
}

// Adds a byte to the current header line, refusing what the format does not allow.
void JobStreamReader::takeHeaderByte(char c)
{
    if (++headerBytes_ > kMaxHeaderBytes) {
        refuse(QStringLiteral("header larger than %1 bytes").arg(kMaxHeaderBytes));
        return;
    }
    if (c == '\n') {
        takeHeaderLine();
        return;
    }
    if (c < 0x20 || c > 0x7e) {
        refuse(lineFault(QStringLiteral("byte 0x%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'))));
        return;
    }
    if (line_.size() + 1 >= kMaxLineBytes) {
        refuse(lineFault(QStringLiteral("longer than %1 bytes").arg(kMaxLineBytes)));
        return;
    }
    line_ += c;
}

// Applies one complete header line.
void JobStreamReader::takeHeaderLine()
{
    const QByteArray line = std::exchange(line_, {});
    bool good = false;
    if (lineNumber_ == 1)
        good = line == "@KJC JOB";
    else if (line.startsWith("@KJC SET "))
        good = takeSetLine(line);
    else if (line.startsWith("@KJC ENTER "))
        good = takeEnterLine(line);
    if (phase_ == Phase::Refused)
        return;
    if (!good) {
        refuse(lineFault());
        return;
    }
    if (phase_ == Phase::Header && ++lineNumber_ > kMaxHeaderLines)
        refuse(QStringLiteral("more than %1 header lines").arg(kMaxHeaderLines));
}

// Reads `@KJC SET NAME="VALUE"`; false when the line breaks the format.
bool JobStreamReader::takeSetLine(const QByteArray& line)
{
    static const QRegularExpression pattern(QStringLiteral("^@KJC SET ([A-Z]+)=\"([^\"\\\\]{1,1000})\"$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(line));
    if (!match.hasMatch())
        return false;
    const QByteArray name = match.captured(1).toLatin1();
    const QByteArray value = match.captured(2).toLatin1();
    if (header_.has(name.constData())) {
        refuse(lineFault(QStringLiteral("%1 given twice").arg(QString::fromLatin1(name))));
        return false;
    }
    if (!valueHasItsForm(name, value)) {
        refuse(lineFault(QStringLiteral("%1 is unknown or not in its form").arg(QString::fromLatin1(name))));
        return false;
    }
    header_.settings.insert(name, value);
    return true;
}

// Reads `@KJC ENTER LANGUAGE=L SIZE=N` and turns to the document; false when the line breaks the format.
bool JobStreamReader::takeEnterLine(const QByteArray& line)
{
    static const QRegularExpression pattern(
        QStringLiteral("^@KJC ENTER LANGUAGE=(PDF|POSTSCRIPT|TEXT) SIZE=([0-9]{1,10})$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(line));
    if (!match.hasMatch())
        return false;
    const qint64 size = match.captured(2).toLongLong();
    if (size > kMaxAnnouncedSize)
        return false;
    const QString missing = missingCompanion();
    if (!missing.isEmpty()) {
        refuse(QStringLiteral("bad header: %1").arg(missing));
        return false;
    }
    if (size > maxDocumentBytes_) {
        refuse(QStringLiteral("too large"));
        return false;
    }
    header_.language = match.captured(1).toLatin1();
    header_.documentSize = size;
    documentLeft_ = size;
    phase_ = size == 0 ? Phase::Trailer : Phase::Document;
    return true;
}

// Names a setting the header needs for another it holds, or gives an empty text.
QString JobStreamReader::missingCompanion() const
{
    const bool needsSpoolTime = header_.has("PINDIGEST") || header_.has("FOLDERPASSWORDDIGEST") ||
                                header_.has("LOGINNAME") || header_.has("PASSWORD");
    if (needsSpoolTime && !header_.has("SPOOLTIME"))
        return QStringLiteral("no SPOOLTIME for its digests and secrets");
    if (header_.value("AUTHENTICATION") == "LOGIN" && !header_.has("LOGINNAME"))
        return QStringLiteral("AUTHENTICATION LOGIN without LOGINNAME");
    if (header_.value("AUTHENTICATION") == "USERNUMBER" && !header_.has("USERNUMBER"))
        return QStringLiteral("AUTHENTICATION USERNUMBER without USERNUMBER");
    return {};
}

// Collects the bytes after the document, which must be the job's end line and nothing else.
void JobStreamReader::takeTrailer(QByteArrayView bytes)
{
    const QByteArrayView expected(kJobEnd);
    const qsizetype take = std::min<qsizetype>(bytes.size(), expected.size() - trailer_.size());
    trailer_ += bytes.first(take);
    if (!expected.startsWith(trailer_)) {
        refuse(QStringLiteral("no end of job after %1 document bytes").arg(header_.documentSize));
        return;
    }
    if (trailer_.size() == expected.size()) {
        phase_ = Phase::Done;
        if (take < bytes.size())
            refuse(QStringLiteral("data after the end of the job"));
    }
}

// The reason for a fault in the current header line.
QString JobStreamReader::lineFault(const QString& what) const
{
    if (what.isEmpty())
        return QStringLiteral("bad header line %1").arg(lineNumber_);
    return QStringLiteral("bad header line %1: %2").arg(QString::number(lineNumber_), what);
}

}  // namespace mfpsim
