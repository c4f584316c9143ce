// Device streams for the stand-in's print port, made with the project's own crypto, and the
// operator panel's JSON as the tests read it.
#pragma once

#include "sim_harness.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

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
QList<std::pair<QByteArray, QByteArray>> headerSettings(const TestJob& job);
QByteArray jobStream(const QList<std::pair<QByteArray, QByteArray>>& settings, const QByteArray& document);
QByteArray jobStream(const TestJob& job);

bool sendToPrintPort(quint16 printPort, const QByteArray& stream);
QJsonArray jobsOf(quint16 httpPort);
bool waitForJobs(quint16 httpPort, int count);
QJsonObject jobWithId(quint16 httpPort, int id);
Response postForm(quint16 httpPort, const QByteArray& path, const QByteArray& body, const QByteArray& accept = "*/*");
QByteArray fileContents(const QString& path);

}  // namespace simtest
