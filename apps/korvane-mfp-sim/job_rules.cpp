// The printer's rules for a job's header: the names it shows, authentication, the PIN check and
// the page count. Secrets are checked in the forms they travel in; no plain PIN is ever kept.
#include "job_rules.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"
#include "crypto/md5.h"
#include "platform/encoding.h"

#include <QFile>

#include <poppler-document.h>
#include <poppler-global.h>

#include <algorithm>
#include <memory>
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

// Ends a check that failed, saying why to whoever asked; always false.
bool refusedBecause(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// Whether a LOGIN job's login name names a user and its password is that user's.
bool loginAuthenticates(const JobHeader& header, const UserDirectory& users, QString* error)
{
    const std::string login = decryptSecret(header, "LOGINNAME");
    const std::string password = decryptSecret(header, "PASSWORD");
    const auto user = std::find_if(users.logins.begin(), users.logins.end(), [&login](const PrinterUser& candidate) {
        const std::optional<std::string> form =
            platform::getCString(candidate.login.toStdString(), platform::kWindowsLatin1StringEncoding, 255);
        return form && *form == login;
    });
    if (login.empty() || user == users.logins.end())
        return refusedBecause(error, QStringLiteral("authentication failed: unknown login name"));
    if (user->password.toStdString() != password)
        return refusedBecause(error, QStringLiteral("authentication failed: wrong password"));
    return true;
}

// Whether a USERNUMBER job names a number the printer knows.
bool userNumberAuthenticates(const JobHeader& header, const UserDirectory& users, QString* error)
{
    if (!users.userNumbers.contains(zeroFilled(header.value("USERNUMBER"))))
        return refusedBecause(error, QStringLiteral("authentication failed: unknown user number"));
    return true;
}

// Poppler's complaints about a damaged document would reach standard error once per fault, for
// documents anyone can send; the count's outcome says what matters.
void ignorePopplerMessage(const std::string&, void*) {}

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

// Whether the job may print as far as authentication goes; when not, error says why. With users
// configured every job must authenticate; a job that brings credentials is checked in any case.
bool authenticates(const JobHeader& header, const UserDirectory& users, QString* error)
{
    QByteArray mode = header.value("AUTHENTICATION");
    if (mode.isEmpty())
        mode = header.has("LOGINNAME") ? "LOGIN" : header.has("USERNUMBER") ? "USERNUMBER" : "";
    if (mode == "LOGIN")
        return loginAuthenticates(header, users, error);
    if (mode == "USERNUMBER")
        return userNumberAuthenticates(header, users, error);
    if (!users.isEmpty())
        return refusedBecause(error, QStringLiteral("authentication failed: the job carries no credentials"));
    return true;
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

// The pages a PDF reader shows of the document, through the page tree, whatever its object
// streams and incremental updates; nothing when it is no PDF that poppler reads (PostScript,
// text, a damaged or locked PDF).
std::optional<qint64> countPdfPages(const QString& path)
{
    static const bool quiet = (poppler::set_debug_error_function(ignorePopplerMessage, nullptr), true);
    Q_UNUSED(quiet);
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_file(QFile::encodeName(path).toStdString()));
    if (!document || document->is_locked() || document->pages() <= 0)
        return std::nullopt;
    return document->pages();
}

}  // namespace mfpsim
