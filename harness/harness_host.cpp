#include "harness_host.h"

#include "platform/application.h"

#include <QApplication>
#include <QProcess>

#include <sys/stat.h>

#include <cstdlib>

namespace harness {

HarnessHost::HarnessHost(std::string printer, std::optional<std::string> uri, std::optional<std::string> ppdPath)
    : session(platform::Printer(std::move(printer), std::move(uri)))
{
    if (ppdPath)
        ppd = platform::PPDFile::open(*ppdPath);
}

bool HarnessHost::willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice)
{
    askedChoices.emplace_back(keyword, choice);
    return acceptChoices;
}

void HarnessHost::presentInformationalAlert(const std::string& message, const std::string& buttonTitle)
{
    alerts.push_back(message + "|" + buttonTitle);
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

std::string HarnessHost::samplePPD()
{
    return KORVANE_HARNESS_SOURCE_DIR "/src/resources/ppd/korvane-rk880.ppd";
}

std::string HarnessHost::bundleDir()
{
    return KORVANE_HARNESS_BUNDLE_DIR;
}

ProcessResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment, int timeoutMs,
                         const std::vector<std::string>& unset)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(QString::fromStdString(name), QString::fromStdString(value));
    for (const std::string& name : unset)
        env.remove(QString::fromStdString(name));
    process.setProcessEnvironment(env);
    QStringList args;
    for (const std::string& argument : arguments)
        args << QString::fromStdString(argument);
    process.start(QString::fromStdString(program), args);
    ProcessResult result;
    if (!process.waitForStarted(10000)) {
        result.err = "cannot start " + program + ": " + process.errorString().toStdString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.err = program + " did not end within " + std::to_string(timeoutMs) + " ms";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

std::string programPath(const std::string& name)
{
    return std::string(KORVANE_HARNESS_BIN_DIR) + "/" + name;
}

}  // namespace harness
