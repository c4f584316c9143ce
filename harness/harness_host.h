// A host for programs that drive the panel outside the test suite (fuzz targets, benchmarks):
// the sample printer's PPD and queue, print settings, and alerts counted instead of shown.
#pragma once

#include "platform/pde.h"
#include "platform/ppd.h"
#include "platform/printing.h"
#include "plugin/KorvanePrintPdeRk880JC.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QApplication;

namespace harness {

class HarnessHost : public platform::PDEPluginCallback {
public:
    // A host for the queue "sample" with the bundled PPD and a loopback device URI.
    HarnessHost();

    bool offersConstraintHandling() const override { return true; }
    platform::PPDRecord* ppdFile() override { return ppd ? ppd->get() : nullptr; }
    platform::PrintSession* printSession() override { return &session; }
    platform::PrintSettings* printSettings() override { return &settings; }
    bool willChangePPDOptionKeyValue(const std::string&, const std::string&) override { return true; }
    void presentInformationalAlert(const std::string&, const std::string&) override { ++alerts; }

    // A panel of the built bundle, linked into this program, for this host.
    std::unique_ptr<KorvanePrintPdeRk880JC> makePanel();

    std::optional<platform::PPDFile> ppd;
    platform::PrintSession session;
    platform::PrintSettings settings;
    int alerts = 0;
};

// Where the session's runtime folder goes: beside the others, or in a memory file system as a
// desktop session's /run/user/UID is, so that flushing a file there costs what it costs there.
enum class RuntimeFolder { WithTheOthers, InMemory };

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at fresh private folders for the lifetime
// of the object, so these programs never read or write the user's own preferences.
class PrivateUserDirs {
public:
    explicit PrivateUserDirs(RuntimeFolder runtime = RuntimeFolder::WithTheOthers);
    // Puts the variables back as they were.
    ~PrivateUserDirs();
    PrivateUserDirs(const PrivateUserDirs&) = delete;
    PrivateUserDirs& operator=(const PrivateUserDirs&) = delete;
    std::string path() const { return dir_.path().toStdString(); }
    std::string configDir() const { return path() + "/config"; }
    std::string runtimeDir() const { return runtime_; }

private:
    QTemporaryDir dir_;
    std::unique_ptr<QTemporaryDir> memoryDir_;
    std::string runtime_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A headless QApplication for the whole run of the program; argv must outlive it.
std::unique_ptr<QApplication> makeHeadlessApplication(int& argc, char** argv);

// The bundled sample PPD, the built bundle and the built programs.
std::string samplePPDPath();
std::string bundleDir();
std::string programPath(const std::string& name);

}  // namespace harness
