#include "support/test_host.h"

#include <sys/stat.h>

#include <cstdlib>

namespace testing_support {

TestHost::TestHost(std::string printer, std::optional<std::string> uri, std::optional<std::string> ppdPath)
    : session(platform::Printer(std::move(printer), std::move(uri)))
{
    if (ppdPath)
        ppd = platform::PPDFile::open(*ppdPath);
}

bool TestHost::willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice)
{
    askedChoices.emplace_back(keyword, choice);
    return acceptChoices;
}

void TestHost::presentInformationalAlert(const std::string& message, const std::string& buttonTitle)
{
    alerts.push_back(message + "|" + buttonTitle);
}

std::unique_ptr<KorvanePrintPdeRk880JC> TestHost::makePanel()
{
    return std::make_unique<KorvanePrintPdeRk880JC>(this, platform::Bundle(bundleDir()));
}

std::string TestHost::samplePPD()
{
    return KORVANE_TEST_SOURCE_DIR "/src/resources/ppd/korvane-rk880.ppd";
}

std::string TestHost::bundleDir()
{
    return KORVANE_TEST_BUNDLE_DIR;
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
{
    if (const char* old = std::getenv(name))
        old_ = old;
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

ScopedUserDirs::ScopedUserDirs()
{
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    const std::string root = dir_.path().toStdString();
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    // A session's runtime folder always exists and is private to its user.
    const std::string runtime = root + "/runtime";
    mkdir(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

ScopedUserDirs::~ScopedUserDirs()
{
    for (const auto& [name, value] : saved_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

}  // namespace testing_support
