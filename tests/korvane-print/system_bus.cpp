#include "korvane-print/system_bus.h"

#include "korvane-print/host_harness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace host_testing {

namespace {

// The policy of Debian's system bus, less its services: anyone may connect, send and receive
// signals and talk to the bus itself; nobody may own a name or call another's methods.
const char* kConfiguration = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
  </policy>
</busconfig>
)";

}  // namespace

PrivateSystemBus::PrivateSystemBus()
{
    // cupsd's notifier runs as lp: it must reach the socket.
    if (!folder_.isValid() ||
        !QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther)) {
        error_ = "cannot make a folder for the system bus";
        return;
    }
    std::string configuration = kConfiguration;
    const std::string socket = folder_.path().toStdString() + "/socket";
    configuration.replace(configuration.find("@SOCKET@"), 8, socket);
    const std::string configurationPath = folder_.path().toStdString() + "/system.conf";
    if (!writeFile(configurationPath, configuration)) {
        error_ = "cannot write the configuration of the system bus";
        return;
    }
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start("dbus-daemon",
                  {"--nofork", "--nopidfile", "--config-file=" + QString::fromStdString(configurationPath)});
    if (!daemon_.waitForStarted(10000)) {
        error_ = "cannot run dbus-daemon: " + daemon_.errorString().toStdString() +
                 " (install the dbus-daemon package: scripts/setup-debian.sh)";
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(QString::fromStdString(socket))) {
        if (daemon_.state() == QProcess::NotRunning || clock.elapsed() > 10000) {
            error_ = "dbus-daemon did not open its socket " + socket;
            return;
        }
        QTest::qWait(20);
    }
}

PrivateSystemBus::~PrivateSystemBus()
{
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) {
        daemon_.kill();
        daemon_.waitForFinished(2000);
    }
}

std::string PrivateSystemBus::address() const
{
    return "unix:path=" + folder_.path().toStdString() + "/socket";
}

}  // namespace host_testing
