#include "harness_host.h"

#include "platform/application.h"

#include <QApplication>

#include <sys/stat.h>

#include <cstdlib>

namespace harness {

HarnessHost::HarnessHost()
    : ppd(platform::PPDFile::open(samplePPDPath())),
      session(platform::Printer("sample", std::string("socket://127.0.0.1:9100")))
{
}

std::unique_ptr<KorvanePrintPdeRk880JC> HarnessHost::makePanel()
{
    return std::make_unique<KorvanePrintPdeRk880JC>(this, platform::Bundle(bundleDir()));
}

PrivateUserDirs::PrivateUserDirs(RuntimeFolder runtime)
{
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    const std::string root = path();
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", configDir().c_str(), 1);
    // A session's runtime folder exists and is private to its user.
    runtime_ = root + "/runtime";
    if (runtime == RuntimeFolder::InMemory) {
        auto memory = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/korvane-XXXXXX"));
        if (memory->isValid()) {
            runtime_ = memory->path().toStdString();
            memoryDir_ = std::move(memory);
        }
    }
    mkdir(runtime_.c_str(), 0700);
    chmod(runtime_.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
}

PrivateUserDirs::~PrivateUserDirs()
{
    for (const auto& [name, value] : saved_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

std::unique_ptr<QApplication> makeHeadlessApplication(int& argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return platform::makeApplication<QApplication>(argc, argv);
}

std::string samplePPDPath()
{
    return KORVANE_HARNESS_SOURCE_DIR "/src/resources/ppd/korvane-rk880.ppd";
}

std::string bundleDir()
{
    return KORVANE_HARNESS_BUNDLE_DIR;
}

std::string programPath(const std::string& name)
{
    return std::string(KORVANE_HARNESS_BIN_DIR) + "/" + name;
}

}  // namespace harness
