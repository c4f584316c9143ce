// Builds job-control headers the way the filter is to write them, from plain values.
#include "job_streams.h"

#include "support/settings_reference.h"

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
    namespace ref = testing_support::reference;
    return QByteArray::fromStdString(
        ref::base64(ref::aesEncrypt(secret.toStdString(), ref::spoolKey(spoolTime.toStdString()))));
}

// A number of 1 to 4 digits with zeros in front to make 5.
QByteArray zeroFilled(const QByteArray& digits)
{
    return digits.size() >= 5 ? digits : QByteArray(5 - digits.size(), '0') + digits;
}

// A cross-reference table entry: a byte offset in use.
QByteArray xrefEntry(qsizetype offset)
{
    return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
}

// Appends "N 0 obj ... endobj" and returns where it starts.
qsizetype appendObject(QByteArray& pdf, int number, const QByteArray& body)
{
    const qsizetype at = pdf.size();
    pdf += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    return at;
}

// The dictionary of one page of a sample PDF.
QByteArray pageDictionary()
{
    return "<</Type/Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 3 0 R>>";
}

// The catalog, the page tree and the content stream of a sample PDF: objects 1 to 3, pages
// from object 4 on. The stream holds bytes a text-mode mistake would change: CR LF, a lone CR,
// zero bytes.
QList<QByteArray> sampleHead(int pages)
{
    QByteArray kids;
    for (int page = 0; page < pages; ++page)
        kids += QByteArray::number(page + 4) + " 0 R ";
    static const char kContent[] = "\x00\x01\r\x7f\xff\n";
    return {"<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>",
            "<< /Length 6 >>\nstream\r\n" + QByteArray(kContent, sizeof kContent - 1) + "endstream"};
}

}  // namespace

// A PDF of the given number of pages, each page its own object, with a cross-reference table.
QByteArray samplePdf(int pages)
{
    QList<QByteArray> objects = sampleHead(pages);
    for (int page = 0; page < pages; ++page)
        objects.append(pageDictionary());
    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype at = 0; at < objects.size(); ++at)
        xref += xrefEntry(appendObject(pdf, static_cast<int>(at + 1), objects[at]));
    const qsizetype xrefAt = pdf.size();
    return pdf + xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xrefAt) + "\n%%EOF\n";
}

// The sample PDF with its page objects packed, compressed, into one object stream, as PDF 1.5
// writers do: no "/Type /Page" is left in the file's bytes.
QByteArray objectStreamPdf(int pages)
{
    QByteArray offsets;
    QByteArray packed;
    for (int page = 0; page < pages; ++page) {
        offsets += QByteArray::number(page + 4) + " " + QByteArray::number(packed.size()) + " ";
        packed += pageDictionary() + "\n";
    }
    // FlateDecode is a zlib stream: what qCompress makes after its 4-byte length.
    const QByteArray deflated = qCompress(offsets + packed).mid(4);
    const int objectStream = pages + 4;
    const int xrefObject = pages + 5;
    QByteArray pdf = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsetsOfObjects;
    const QList<QByteArray> head = sampleHead(pages);
    for (qsizetype at = 0; at < head.size(); ++at)
        offsetsOfObjects.append(appendObject(pdf, static_cast<int>(at + 1), head[at]));
    const qsizetype streamAt =
        appendObject(pdf, objectStream,
                     "<< /Type /ObjStm /N " + QByteArray::number(pages) + " /First " +
                         QByteArray::number(offsets.size()) + " /Filter /FlateDecode /Length " +
                         QByteArray::number(deflated.size()) + " >>\nstream\n" + deflated + "\nendstream");
    const qsizetype xrefAt = pdf.size();
    // Cross-reference stream rows by object number: type, offset or object stream, generation
    // or index in the stream.
    QByteArray rows;
    const auto row = [&rows](int type, qint64 second, int third) {
        rows += char(type);
        for (int shift = 24; shift >= 0; shift -= 8)
            rows += char((second >> shift) & 0xff);
        rows += char((third >> 8) & 0xff);
        rows += char(third & 0xff);
    };
    row(0, 0, 0xffff);
    for (const qsizetype offset : offsetsOfObjects)
        row(1, offset, 0);
    for (int page = 0; page < pages; ++page)
        row(2, objectStream, page);
    row(1, streamAt, 0);
    row(1, xrefAt, 0);
    appendObject(pdf, xrefObject,
                 "<< /Type /XRef /Size " + QByteArray::number(xrefObject + 1) + " /W [1 4 2] /Root 1 0 R /Length " +
                     QByteArray::number(rows.size()) + " >>\nstream\n" + rows + "\nendstream");
    return pdf + "startxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
}

// The sample PDF with an incremental update that rewrites its second page: the file then holds
// that page's object twice, and only the newer one counts.
QByteArray updatedPdf(int pages)
{
    QByteArray pdf = samplePdf(pages);
    const qsizetype firstXref = pdf.mid(pdf.lastIndexOf("startxref\n") + 10).trimmed().toLongLong();
    const qsizetype pageAt = appendObject(pdf, 5, pageDictionary());
    const qsizetype xrefAt = pdf.size();
    return pdf + "xref\n5 1\n" + xrefEntry(pageAt) + "trailer\n<< /Size " + QByteArray::number(pages + 4) +
           " /Root 1 0 R /Prev " + QByteArray::number(firstXref) + " >>\nstartxref\n" + QByteArray::number(xrefAt) +
           "\n%%EOF\n";
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
        add("PINDIGEST", QByteArray::fromStdString(testing_support::reference::md5(message.toStdString())));
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
