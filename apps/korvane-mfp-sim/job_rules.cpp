// The printer's rules for a job's header: the names it shows, authentication, the PIN check and
// the page count. Secrets are checked in the forms they travel in; no plain PIN is ever kept.
#include "job_rules.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"
#include "crypto/md5.h"
#include "platform/encoding.h"

#include <QFile>

#include <algorithm>
#include <string>

namespace mfpsim {

namespace {

// Bytes of a hex value; the header's forms were checked before.
std::string bytesOfHex(const QByteArray& hex)
{
    const std::vector<unsigned char> bytes = korvane::crypto::fromHex(std::string_view(hex.constData(), hex.size()));
    return std::string(bytes.begin(), bytes.end());
}

// A text for the operator from bytes in UTF-8 (CUPS' names) or else Windows Latin 1 (the panel's
// second forms); control characters become spaces so that no name can break a line of the panel.
QString displayText(const std::string& bytes)
{
    std::optional<std::string> utf8 = platform::decodeBytes(bytes, platform::kUTF8StringEncoding);
    if (!utf8)
        utf8 = platform::decodeBytes(bytes, platform::kWindowsLatin1StringEncoding);
    QString text = QString::fromStdString(utf8.value_or(std::string()));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text;
}

// The shown text of the first of two hex settings that is present and not empty.
QString firstShown(const JobHeader& header, const char* preferred, const char* fallback)
{
    const QString first = displayText(bytesOfHex(header.value(preferred)));
    return first.trimmed().isEmpty() ? displayText(bytesOfHex(header.value(fallback))) : first;
}

// A secret of the header decrypted with the job's spool time, cut at its first zero byte.
std::string decryptSecret(const JobHeader& header, const char* name)
{
    const QByteArray coded = header.value(name);
    const std::vector<unsigned char> blocks =
        korvane::crypto::base64Decode(std::string_view(coded.constData(), coded.size()));
    return korvane::crypto::aesDecryptTextWithKeyText(blocks, bytesOfHex(header.value("SPOOLTIME")));
}

// Checks a LOGIN job: its login name names a user and its password is that user's.
std::optional<QString> loginFailure(const JobHeader& header, const UserDirectory& users)
{
    const std::string login = decryptSecret(header, "LOGINNAME");
    const std::string password = decryptSecret(header, "PASSWORD");
    const auto user = std::find_if(users.logins.begin(), users.logins.end(), [&login](const PrinterUser& candidate) {
        const std::optional<std::string> form =
            platform::getCString(candidate.login.toStdString(), platform::kWindowsLatin1StringEncoding, 255);
        return form && *form == login;
    });
    if (login.empty() || user == users.logins.end())
        return QStringLiteral("authentication failed: unknown login name");
    if (user->password.toStdString() != password)
        return QStringLiteral("authentication failed: wrong password");
    return std::nullopt;
}

// Checks a USERNUMBER job against the numbers the printer knows.
std::optional<QString> userNumberFailure(const JobHeader& header, const UserDirectory& users)
{
    if (!users.userNumbers.contains(zeroFilled(header.value("USERNUMBER"))))
        return QStringLiteral("authentication failed: unknown user number");
    return std::nullopt;
}

// Tells whether c separates tokens in a PDF.
bool isPdfDelimiter(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0';
}

}  // namespace

// The shown names, retention, filing and account of a job, with what its PIN is checked against.
JobDescription describeJob(const JobHeader& header)
{
    JobDescription job;
    job.user = firstShown(header, "USERNAME", "SUBMITTER");
    job.name = firstShown(header, "JOBNAME", "TITLE");
    job.retention = header.has("RETENTION") ? QString::fromLatin1(header.value("RETENTION")) : QStringLiteral("NONE");
    job.filing = QString::fromLatin1(header.value("FILING"));
    if (!job.filing.isEmpty() && job.filing != u"NONE")
        job.folder = displayText(bytesOfHex(header.value("FOLDER")));
    job.account = QString::fromLatin1(header.value("ACCOUNT"));
    job.pinDigest = header.value("PINDIGEST");
    job.spoolTime = QByteArray::fromStdString(bytesOfHex(header.value("SPOOLTIME")));
    return job;
}

// Why the job may not print for want of authentication, or nothing when it may. With users
// configured every job must authenticate; a job that brings credentials is checked in any case.
std::optional<QString> authenticationFailure(const JobHeader& header, const UserDirectory& users)
{
    QByteArray mode = header.value("AUTHENTICATION");
    if (mode.isEmpty())
        mode = header.has("LOGINNAME") ? "LOGIN" : header.has("USERNUMBER") ? "USERNUMBER" : "";
    if (mode == "LOGIN")
        return loginFailure(header, users);
    if (mode == "USERNUMBER")
        return userNumberFailure(header, users);
    if (!users.isEmpty())
        return QStringLiteral("authentication failed: the job carries no credentials");
    return std::nullopt;
}

// A number of 1 to 4 digits with zeros in front to make 5; longer ones stay as they are.
QByteArray zeroFilled(const QByteArray& digits)
{
    if (digits.isEmpty() || digits.size() >= 5)
        return digits;
    return QByteArray(5 - digits.size(), '0') + digits;
}

// Tells whether a typed PIN gives the job's digest with its spool time.
bool pinMatchesDigest(const QByteArray& typedPin, const QByteArray& spoolTime, const QByteArray& digest)
{
    if (digest.isEmpty())
        return typedPin.isEmpty();
    const bool digits = !typedPin.isEmpty() && typedPin.size() <= 8 &&
                        std::all_of(typedPin.begin(), typedPin.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        return false;
    const QByteArray message = zeroFilled(typedPin) + spoolTime;
    return korvane::crypto::md5Hex(std::string_view(message.constData(), message.size())) == digest.toStdString();
}

// The pages of a PDF: its "/Type /Page" objects ("/Pages" does not count), at least 1.
qint64 countPdfPages(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return 1;
    const uchar* mapped = file.map(0, file.size());
    if (!mapped)
        return 1;
    const QByteArrayView data(reinterpret_cast<const char*>(mapped), file.size());
    qint64 pages = 0;
    for (qsizetype at = data.indexOf("/Type"); at >= 0; at = data.indexOf("/Type", at + 5)) {
        qsizetype next = at + 5;
        while (next < data.size() && isPdfDelimiter(data[next]))
            ++next;
        const QByteArrayView rest = data.sliced(next);
        const bool isPage =
            rest.startsWith("/Page") && (rest.size() == 5 || !QChar::isLetterOrNumber(static_cast<uchar>(rest[5])));
        pages += isPage ? 1 : 0;
    }
    return std::max<qint64>(pages, 1);
}

}  // namespace mfpsim
