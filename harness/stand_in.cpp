// Starts, stops and asks the printer stand-in for the tests and the benchmarks.
#include "stand_in.h"
#include "harness_host.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

#include <cstdlib>

namespace harness {

namespace {

// The built program.
QString standInPath()
{
    return QString::fromStdString(programPath("korvane-mfp-sim"));
}

}  // namespace

StandIn::~StandIn()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000))
        process_.kill();
    process_.waitForFinished(3000);
}

// Forwarded messages go straight to ours, so that a full pipe can never stall the stand-in.
bool StandIn::start(const QStringList& arguments)
{
    QStringList all = arguments;
    if (messages_ == StandInMessages::CountRequests)
        all.prepend(QStringLiteral("--verbose"));
    else
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (const qsizetype state = arguments.indexOf(QStringLiteral("--state"));
        state >= 0 && state + 1 < arguments.size())
        stateFolder_ = arguments[state + 1];
    process_.start(standInPath(), all);
    if (!process_.waitForStarted(5000) || !readAnnouncedPort(QStringLiteral("listening"), &port_))
        return false;
    return !arguments.contains(QStringLiteral("--print-port")) ||
           readAnnouncedPort(QStringLiteral("printing"), &printPort_);
}

bool StandIn::stop()
{
    process_.terminate();
    return process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

std::string StandIn::address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::string StandIn::serviceURL() const
{
    return "http://" + address() + "/korvane-mfp-srv";
}

std::string StandIn::url(const std::string& path) const
{
    return "http://" + address() + path;
}

std::string StandIn::deviceURI() const
{
    return "socket://127.0.0.1:" + std::to_string(printPort_);
}

int StandIn::requestCount()
{
    // A request is logged before it is answered, so once the client has its answer the line
    // is in the pipe; a short wait collects it.
    QDeadlineTimer deadline(200);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        log_ += process_.readAllStandardError();
        process_.waitForReadyRead(20);
    }
    log_ += process_.readAllStandardError();
    static const QRegularExpression request(QStringLiteral("^korvane-mfp-sim: [A-Z]+ "),
                                            QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = request.globalMatch(QString::fromUtf8(log_)); it.hasNext(); it.next())
        ++count;
    return count;
}

QJsonArray StandIn::jobs() const
{
    const ProcessResult got = runProgram("curl", {"-fsS", url("/jobs")});
    return QJsonDocument::fromJson(QByteArray::fromStdString(got.out)).array();
}

QJsonObject StandIn::waitForNewJob(qsizetype jobsBefore, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QJsonArray now = jobs();
        if (now.size() > jobsBefore)
            return now.last().toObject();
        QCoreApplication::processEvents();
        QThread::msleep(100);
    }
    return {};
}

int StandIn::typePin(int job, const std::string& pin) const
{
    const ProcessResult posted = runProgram("curl", {"-sS", "-o", "/dev/null", "-w", "%{http_code}", "-d", "pin=" + pin,
                                                     url("/jobs/" + std::to_string(job) + "/release")});
    return std::atoi(posted.out.c_str());
}

std::optional<std::string> StandIn::printedDocument(int job) const
{
    QFile printed(stateFolder_ + QStringLiteral("/printed/%1.pdf").arg(job));
    if (stateFolder_.isEmpty() || !printed.open(QIODevice::ReadOnly))
        return std::nullopt;
    return printed.readAll().toStdString();
}

// Reads the next line of standard output, "WHAT on 127.0.0.1:PORT", into port.
bool StandIn::readAnnouncedPort(const QString& what, quint16* port)
{
    const QRegularExpression pattern(QStringLiteral("^%1 on 127\\.0\\.0\\.1:(\\d+)\n$").arg(what));
    QDeadlineTimer deadline(5000);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    const auto match = pattern.match(QString::fromUtf8(process_.readLine()));
    if (!match.hasMatch())
        return false;
    *port = static_cast<quint16>(match.captured(1).toUInt());
    return *port != 0;
}

int runStandInToEnd(const QStringList& arguments, QByteArray* standardError)
{
    QProcess process;
    process.start(standInPath(), arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (standardError)
        *standardError = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace harness
