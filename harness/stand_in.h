// The printer stand-in (korvane-mfp-sim) as a child process of a test or a benchmark: started
// with the caller's arguments, known by the ports it announces, stopped with the object.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <optional>
#include <string>

namespace harness {

// What becomes of the stand-in's messages: passed on to this program's standard error, or kept
// so that the requests it logs (it is then started with --verbose) can be counted.
enum class StandInMessages { Forwarded, CountRequests };

class StandIn {
public:
    explicit StandIn(StandInMessages messages = StandInMessages::Forwarded) : messages_(messages) {}
    // Stops it when it still runs: SIGTERM first, a kill when it does not go.
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Starts it with these arguments and reads the port it listens on, and with --print-port
    // the port it prints on; false when it did not come up or did not say so.
    bool start(const QStringList& arguments);
    // Ends it with SIGTERM, as a user would; true when it then exited with status 0.
    bool stop();

    quint16 port() const { return port_; }
    quint16 printPort() const { return printPort_; }
    // "127.0.0.1:PORT", as a user types it into the address field.
    std::string address() const;
    // The folder service's URL, as the panel builds it from the address.
    std::string serviceURL() const;
    // The URL of a path of its HTTP port ("/jobs").
    std::string url(const std::string& path) const;
    // Its print port as a queue's device URI.
    std::string deviceURI() const;
    // How many requests it has logged so far (StandInMessages::CountRequests only).
    int requestCount();
    // Its job list (GET /jobs), as a user's script reads it; empty when it does not answer.
    QJsonArray jobs() const;
    // Waits until it lists more than jobsBefore jobs; the newest, or empty when none came in time.
    QJsonObject waitForNewJob(qsizetype jobsBefore, int timeoutMs = 60000) const;
    // Types a PIN at its operator panel to release a job; the HTTP status (200 printed, 403
    // wrong PIN), 0 when it does not answer.
    int typePin(int job, const std::string& pin) const;
    // The bytes it printed for a job, from its --state folder; nothing when it printed none.
    std::optional<std::string> printedDocument(int job) const;

    QProcess& process() { return process_; }

private:
    bool readAnnouncedPort(const QString& what, quint16* port);

    StandInMessages messages_;
    QProcess process_;
    quint16 port_ = 0;
    quint16 printPort_ = 0;
    QString stateFolder_;
    QByteArray log_;
};

// Runs the stand-in with the arguments to its end (option errors, --help); its exit code, -1
// when it crashed or hung. What it wrote to standard error goes into standardError if given.
int runStandInToEnd(const QStringList& arguments, QByteArray* standardError = nullptr);

}  // namespace harness
