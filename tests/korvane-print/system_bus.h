// A system bus of the test's own, as a machine's dbus-daemon --system gives one: any user may
// connect and send signals, nobody owns names. cupsd's D-Bus notifier and the agent meet on it
// (the fresh test root has no system bus running).
#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <string>

namespace host_testing {

class PrivateSystemBus {
public:
    // Starts dbus-daemon; check error().
    PrivateSystemBus();
    // Stops it (by its process id).
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // Why the bus is not running; empty when it is.
    const std::string& error() const { return error_; }
    // The address for DBUS_SYSTEM_BUS_ADDRESS.
    std::string address() const;

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    std::string error_;
};

}  // namespace host_testing
