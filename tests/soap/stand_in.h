// The printer stand-in (korvane-mfp-sim) as a child process for the folder-exchange tests,
// with the requests it logs counted, and a few helpers around the reply file.
#pragma once

#include "platform/bundle.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <optional>
#include <string>

namespace soaptest {

class StandIn {
public:
    StandIn() = default;
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Starts the stand-in with these arguments (it logs every request); false when it did
    // not come up.
    bool start(const QStringList& arguments);
    // "127.0.0.1:PORT", as a user types it into the address field.
    std::string address() const;
    // The service URL as the panel builds it.
    std::string serviceURL() const;
    // How many requests the stand-in has logged so far.
    int requestCount();

private:
    QProcess process_;
    quint16 port_ = 0;
    QByteArray log_;
};

// A loopback port on which nothing listens.
quint16 closedPort();

// The bundle's request body.
platform::ByteBuffer requestBody();

// Contents of a file, or nothing when it cannot be read.
std::optional<QByteArray> fileContents(const std::string& path);

// Writes bytes to path; false on failure.
bool writeFile(const std::string& path, const QByteArray& bytes);

}  // namespace soaptest
