// The test kit that the tests, the fuzz targets and the benchmarks share: a host callback for
// panels made against the built bundle, private user folders, a process runner, the headless
// application and the paths of the built programs.
#pragma once

#include "platform/pde.h"
#include "platform/ppd.h"
#include "platform/printing.h"
#include "plugin/KorvanePrintPdeRk880JC.h"

#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QApplication;

namespace harness {

// A host with a PPD file, a print session and print settings, that records what the panel asks
// of it and the alerts it would show.
class HarnessHost : public platform::PDEPluginCallback {
public:
    // A host for queue `printer` with the sample PPD (or ppdPath), device URI `uri`.
    explicit HarnessHost(std::string printer = "sample", std::optional<std::string> uri = "socket://127.0.0.1:9100",
                         std::optional<std::string> ppdPath = samplePPD());

    bool offersConstraintHandling() const override { return constraintHandling; }
    platform::PPDRecord* ppdFile() override { return ppd ? ppd->get() : nullptr; }
    platform::PrintSession* printSession() override { return &session; }
    platform::PrintSettings* printSettings() override { return hasSettings ? &settings : nullptr; }
    bool willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice) override;
    void presentInformationalAlert(const std::string& message, const std::string& buttonTitle) override;
    std::optional<std::string> preferredLayoutName() const override { return layout; }

    // A panel of the built bundle, linked into this program, for this host.
    std::unique_ptr<KorvanePrintPdeRk880JC> makePanel();

    static std::string samplePPD();
    static std::string bundleDir();

    std::optional<platform::PPDFile> ppd;
    platform::PrintSession session;
    platform::PrintSettings settings;
    bool hasSettings = true;
    bool constraintHandling = true;
    bool acceptChoices = true;  // what willChangePPDOptionKeyValue answers
    std::vector<std::pair<std::string, std::string>> askedChoices;
    std::vector<std::string> alerts;  // "message|button", in the order shown
    std::optional<std::string> layout;
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

// What a program run to its end said and how it ended.
struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program to its end with extra environment variables and without the unset ones; exit
// code -1 when it could not start, crashed or did not end in time.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {}, int timeoutMs = 60000,
                         const std::vector<std::string>& unset = {});

// A headless QApplication for the whole run of the program; argv must outlive it.
std::unique_ptr<QApplication> makeHeadlessApplication(int& argc, char** argv);

// The bundled sample PPD, the built bundle and the built programs.
inline std::string samplePPDPath()
{
    return HarnessHost::samplePPD();
}
inline std::string bundleDir()
{
    return HarnessHost::bundleDir();
}
std::string programPath(const std::string& name);

}  // namespace harness
