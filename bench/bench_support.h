// What the benchmarks set up outside their timed loops: the loaded plug-in, a full set of print
// settings, reply documents, the folder-service stand-in, and peak-memory measurement.
#pragma once

#include "harness_host.h"
#include "platform/pde.h"
#include "stand_in.h"

#include <QByteArray>
#include <QPluginLoader>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// Fresh private user folders for one benchmark, its runtime folder in memory as a desktop
// session's is: the preference domain is per queue and the reply file per user, so one
// benchmark's folders would otherwise be loaded and shown by the next.
class OwnUserDirs : public harness::PrivateUserDirs {
public:
    OwnUserDirs() : PrivateUserDirs(harness::RuntimeFolder::InMemory) {}
};

// The built bundle's library, loaded as the host loads it, and its factory.
class LoadedFactory {
public:
    LoadedFactory();
    platform::PDEPlugIn* get() const { return factory_; }

private:
    std::unique_ptr<QPluginLoader> loader_;
    platform::PDEPlugIn* factory_ = nullptr;
};

// The one panel the factory makes for the printer panel type; nullptr when it makes none.
std::unique_ptr<platform::PDEPanel> panelFromFactory(platform::PDEPlugIn& factory, platform::PDEPluginCallback& host);

// Print settings as a save leaves them when the user filled every field of the tab (retention
// with a PIN, a protected custom folder with its password, login name and password, numbers,
// names) with every padlock on.
platform::PrintSettings fullPrintSettings();

// Three custom folders, the first protected, as the folder list of a panel.
FolderList sampleFolders();

// A folder-list reply of `count` folders, every third protected, laid out as the printer's
// service lays it out.
std::string replyDocument(int count);

// Writes bytes to a file; false when it could not.
bool writeFile(const std::string& path, const std::string& bytes);

// The kit's printer stand-in serving `folderCount` folders, every third protected, from a
// folder file of its own (as many folders as a benchmark asks for do not fit a command line);
// stopped, and the file removed, when it goes.
class FolderService {
public:
    explicit FolderService(int folderCount);
    ~FolderService();
    FolderService(const FolderService&) = delete;
    FolderService& operator=(const FolderService&) = delete;
    // "127.0.0.1:PORT", or nothing when the service did not start.
    const std::optional<std::string>& address() const { return address_; }
    // The folder service's URL, as the panel builds it from the address.
    std::string serviceURL() const { return standIn_.serviceURL(); }

private:
    std::string foldersFile_;
    harness::StandIn standIn_;
    std::optional<std::string> address_;
};

// What a benchmark against the folder service sets up before its loop: its own user folders
// and the service serving state.range(0) folders. When the service did not start, the
// benchmark is marked skipped and ready() is false.
class ServiceSetUp {
public:
    explicit ServiceSetUp(benchmark::State& state);
    bool ready() const { return service.address().has_value(); }
    // A panel for host with its view made and the service's address in the address field, as
    // the user leaves it before pressing the button that fetches the folders.
    std::unique_ptr<KorvanePrintPdeRk880JC> panelAimedAtTheService(harness::HarnessHost& host) const;

    const OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count;
    FolderService service;
};

// The reference's exchange: the folder-list POST through a bare QNetworkAccessManager made for
// the occasion, as each press of the button makes its own connection; the reply's bytes.
QByteArray barePost(const QUrl& url, const QByteArray& body);

// The bundle's request body, as the panel sends it.
std::string requestBody();

// Runs a program to its end and returns its peak resident memory in KiB; nothing when it
// could not be started or did not exit with status 0.
std::optional<long> peakResidentKiB(const std::string& program, const std::vector<std::string>& arguments);

// Initializes Google Benchmark with the program's arguments, with five repetitions interleaved
// at random unless the arguments choose the repetitions: the ratios use their medians, and
// interleaving spreads a busy moment of the machine over ours and the references alike instead
// of over one of them. False for an argument Google Benchmark does not know.
bool initializeBenchmarks(int argc, char** argv);

}  // namespace bench
