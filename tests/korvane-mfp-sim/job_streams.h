// Device streams for the stand-in's print port, made with the project's own crypto, the
// operator panel's JSON as the tests read it, and a stand-in with a print port to send them to.
#pragma once

#include "sim_harness.h"

#include <QByteArray>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <utility>

namespace simtest {

// The values a job's header is made from; empty values give no line.
struct TestJob {
    QByteArray document;
    QByteArray submitter = "alice";
    QByteArray title = "report.pdf";
    QByteArray spoolTime = "Tue, 5 Mar 2024 09:07:03 +0100";
    QByteArray retention;  // NONE, HOLD, HOLDAFTERPRINT, SAMPLE
    QByteArray pin;        // typed PIN; its digest is sent
    QByteArray filing;     // NONE, QUICK, MAIN, CUSTOM
    QByteArray folder;
    QByteArray login;  // with password: AUTHENTICATION LOGIN
    QByteArray password;
    QByteArray userNumber;  // AUTHENTICATION USERNUMBER
    QByteArray account;
    QByteArray userName;
    QByteArray jobName;
};

QByteArray samplePdf(int pages);
QByteArray objectStreamPdf(int pages);
QByteArray updatedPdf(int pages);
QList<std::pair<QByteArray, QByteArray>> headerSettings(const TestJob& job);
QByteArray jobStream(const QList<std::pair<QByteArray, QByteArray>>& settings, const QByteArray& document);
QByteArray jobStream(const TestJob& job);

bool sendToPrintPort(quint16 printPort, const QByteArray& stream);
QJsonArray jobsOf(quint16 httpPort);
bool waitForJobs(quint16 httpPort, int count);
QJsonObject jobWithId(quint16 httpPort, int id);
Response postForm(quint16 httpPort, const QByteArray& path, const QByteArray& body, const QByteArray& accept = "*/*");
QByteArray fileContents(const QString& path);

// A stand-in with a print port and its state in a folder of the test.
struct Printer {
    QTemporaryDir state;
    harness::StandIn sim;

    bool start(const QStringList& extra = {})
    {
        return state.isValid() && sim.start(QStringList{"--print-port", "0", "--state", state.path()} + extra);
    }
    bool print(const QByteArray& stream, int jobsAfter)
    {
        return sendToPrintPort(sim.printPort(), stream) && waitForJobs(sim.port(), jobsAfter);
    }
    QJsonObject job(int id) { return jobWithId(sim.port(), id); }
    Response release(int id, const QByteArray& pin)
    {
        return postForm(sim.port(), "/jobs/" + QByteArray::number(id) + "/release", "pin=" + pin);
    }
    Response remove(int id, const QByteArray& secret)
    {
        return postForm(sim.port(), "/jobs/" + QByteArray::number(id) + "/delete",
                        "pin=" + QUrl::toPercentEncoding(secret));
    }
    QString printed(int id) const { return state.filePath(QStringLiteral("printed/%1.pdf").arg(id)); }
    QStringList printedFiles() const { return QDir(state.filePath("printed")).entryList(QDir::Files); }
    QStringList heldFiles() const { return QDir(state.filePath("held")).entryList(QDir::Files); }
};

}  // namespace simtest
