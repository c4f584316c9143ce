// A host for tests: a callback with a PPD file, a print session and print settings, and
// panels made against the built bundle.
#pragma once

#include "platform/pde.h"
#include "platform/ppd.h"
#include "platform/printing.h"
#include "plugin/KorvanePrintPdeRk880JC.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class TestHost : public platform::PDEPluginCallback {
public:
    // A host for queue `printer` with the sample PPD (or ppdPath), device URI `uri`.
    explicit TestHost(std::string printer = "sample", std::optional<std::string> uri = "socket://127.0.0.1:9100",
                      std::optional<std::string> ppdPath = samplePPD());

    bool offersConstraintHandling() const override { return constraintHandling; }
    platform::PPDRecord* ppdFile() override { return ppd ? ppd->get() : nullptr; }
    platform::PrintSession* printSession() override { return &session; }
    platform::PrintSettings* printSettings() override { return hasSettings ? &settings : nullptr; }
    bool willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice) override;
    void presentInformationalAlert(const std::string& message, const std::string& buttonTitle) override;
    std::optional<std::string> preferredLayoutName() const override { return layout; }

    // A panel of the built bundle for this host.
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
    std::vector<std::string> alerts;
    std::optional<std::string> layout;
};

// Points HOME and XDG_CONFIG_HOME/XDG_RUNTIME_DIR at a fresh temporary folder for the
// lifetime of the object, so tests never touch the user's real preferences.
class ScopedUserDirs {
public:
    ScopedUserDirs();
    ~ScopedUserDirs();
    std::string path() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace testing_support
