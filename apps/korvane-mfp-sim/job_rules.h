// What the printer makes of a job's header: who sent it, whether it may print, how many pages it has.
#pragma once

#include "job_stream.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace mfpsim {

// A user the printer knows: a login name and its password.
struct PrinterUser {
    QString login;
    QString password;
};

// Everything the printer is told about its users; empty lists let unauthenticated jobs through.
struct UserDirectory {
    QList<PrinterUser> logins;
    QList<QByteArray> userNumbers;  // zero-filled to 5 digits

    bool isEmpty() const { return logins.isEmpty() && userNumbers.isEmpty(); }
};

// The job as the operator panel shows it, taken from its header.
struct JobDescription {
    QString name;
    QString user;
    QString retention;  // NONE, HOLD, HOLDAFTERPRINT or SAMPLE
    QString filing;     // empty, NONE, QUICK, MAIN or CUSTOM
    QString folder;     // empty when the job is not filed
    QString account;    // empty when it names none
    QByteArray pinDigest;
    QByteArray spoolTime;
};

JobDescription describeJob(const JobHeader& header);
bool authenticates(const JobHeader& header, const UserDirectory& users, QString* error);
QByteArray zeroFilled(const QByteArray& digits);
bool pinMatchesDigest(const QByteArray& typedPin, const QByteArray& spoolTime, const QByteArray& digest);
std::optional<qint64> countPdfPages(const QString& path);

}  // namespace mfpsim
