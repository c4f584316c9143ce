// Builds job-control headers the way the filter is to write them, from plain values.
#include "job_streams.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"
#include "crypto/md5.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QThread>

namespace simtest {

namespace {

// Hex of bytes, uppercase.
QByteArray hexOf(const QByteArray& bytes)
{
    return bytes.toHex().toUpper();
}

// Base64 of the spool-key AES of a secret.
QByteArray spoolKeyForm(const QByteArray& secret, const QByteArray& spoolTime)
{
    const std::vector<unsigned char> blocks =
        korvane::crypto::aesEncryptWithKeyText(secret.toStdString(), spoolTime.toStdString());
    return QByteArray::fromStdString(korvane::crypto::base64Encode(blocks));
}

// A number of 1 to 4 digits with zeros in front to make 5.
QByteArray zeroFilled(const QByteArray& digits)
{
    return digits.size() >= 5 ? digits : QByteArray(5 - digits.size(), '0') + digits;
}

}  // namespace

// A small PDF with the given number of page objects.
QByteArray samplePdf(int pages)
{
    QByteArray pdf =
        "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Pages /Count " + QByteArray::number(pages) + " >>\nendobj\n";
    for (int page = 0; page < pages; ++page)
        pdf += QByteArray::number(page + 2) + " 0 obj\n<</Type/Page /Parent 1 0 R>>\nendobj\n";
    // Bytes a text-mode mistake would change: CR LF, a lone CR, zero bytes.
    static const char kTail[] = "stream\r\n\x00\x01\r\x7f\xff\nendstream\n%%EOF\n";
    return pdf + QByteArray(kTail, sizeof kTail - 1);
}

// The SET lines' names and values of a job, in the order the header has them.
QList<std::pair<QByteArray, QByteArray>> headerSettings(const TestJob& job)
{
    QList<std::pair<QByteArray, QByteArray>> sets;
    const auto add = [&sets](const char* name, const QByteArray& value) {
        if (!value.isEmpty())
            sets.append({name, value});
    };
    const bool needsSpoolTime = !job.pin.isEmpty() || !job.login.isEmpty() || !job.password.isEmpty();
    add("SUBMITTER", hexOf(job.submitter));
    add("TITLE", hexOf(job.title));
    add("SPOOLTIME", needsSpoolTime ? hexOf(job.spoolTime) : QByteArray());
    add("RETENTION", job.retention);
    if (!job.pin.isEmpty()) {
        const QByteArray message = zeroFilled(job.pin) + job.spoolTime;
        add("PINDIGEST", QByteArray::fromStdString(korvane::crypto::md5Hex(message.toStdString())));
    }
    add("FILING", job.filing);
    add("FOLDER", hexOf(job.folder));
    add("AUTHENTICATION", !job.login.isEmpty() ? "LOGIN" : !job.userNumber.isEmpty() ? "USERNUMBER" : "");
    add("LOGINNAME", job.login.isEmpty() ? QByteArray() : spoolKeyForm(job.login, job.spoolTime));
    add("PASSWORD", job.password.isEmpty() ? QByteArray() : spoolKeyForm(job.password, job.spoolTime));
    add("USERNUMBER", job.userNumber.isEmpty() ? QByteArray() : zeroFilled(job.userNumber));
    add("ACCOUNT", job.account.isEmpty() ? QByteArray() : zeroFilled(job.account));
    add("USERNAME", hexOf(job.userName));
    add("JOBNAME", hexOf(job.jobName));
    return sets;
}

// The whole stream: job start, the SET lines, ENTER, the document, job end.
QByteArray jobStream(const QList<std::pair<QByteArray, QByteArray>>& settings, const QByteArray& document)
{
    QByteArray stream = "@KJC JOB\n";
    for (const auto& [name, value] : settings)
        stream += "@KJC SET " + name + "=\"" + value + "\"\n";
    return stream + "@KJC ENTER LANGUAGE=PDF SIZE=" + QByteArray::number(document.size()) + "\n" + document +
           "@KJC EOJ\n";
}

QByteArray jobStream(const TestJob& job)
{
    return jobStream(headerSettings(job), job.document);
}

// Sends a stream on its own connection and closes it, as a socket backend does.
bool sendToPrintPort(quint16 printPort, const QByteArray& stream)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), printPort);
    if (!socket.waitForConnected(3000))
        return false;
    socket.write(stream);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(3000))
            return false;
    }
    socket.disconnectFromHost();
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(3000);
}

// The jobs as GET /jobs lists them.
QJsonArray jobsOf(quint16 httpPort)
{
    const Response response = roundTrip(httpPort, "GET /jobs HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    return QJsonDocument::fromJson(response.body).array();
}

// Waits until the printer lists at least count jobs (a job is taken once its connection ends).
bool waitForJobs(quint16 httpPort, int count)
{
    QDeadlineTimer deadline(5000);
    while (jobsOf(httpPort).size() < count) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

// The listed job with that id, or an empty object.
QJsonObject jobWithId(quint16 httpPort, int id)
{
    for (const QJsonValue& job : jobsOf(httpPort)) {
        if (job.toObject().value("id").toInt() == id)
            return job.toObject();
    }
    return {};
}

// Posts a form body to the panel.
Response postForm(quint16 httpPort, const QByteArray& path, const QByteArray& body, const QByteArray& accept)
{
    return roundTrip(httpPort, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: " + accept +
                                   "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                   QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

// The bytes of a file; empty when it cannot be read.
QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace simtest
