// What the host's tests share: running programs, small documents, and a CUPS server of their
// own with a queue of this printer model whose filter records what it receives.
#pragma once

#include "harness_host.h"

#include <cups/cups.h>

#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host_testing {

using harness::ProcessResult;
using harness::runProgram;

// The built host program.
std::string hostProgram();

// Writes a file; false when it cannot.
bool writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);

// The sample printer's PPD, the test PPD of a printer with a duplex unit and constraints, and
// that of a printer with a finisher whose constraints only CUPS' own PPD extensions state.
inline std::string samplePpd()
{
    return KORVANE_TEST_SOURCE_DIR "/src/resources/ppd/korvane-rk880.ppd";
}
inline std::string duplexPpd()
{
    return KORVANE_TEST_SOURCE_DIR "/tests/korvane-print/data/duplex-office.ppd";
}
inline std::string finisherPpd()
{
    return KORVANE_TEST_SOURCE_DIR "/tests/korvane-print/data/finisher-office.ppd";
}

// A small, valid PDF document of one blank page.
std::string minimalPdf();

// What the recording filter saw of one job.
struct FilterRecord {
    std::string rawOptions;                      // argv[5] as the filter received it
    std::map<std::string, std::string> options;  // argv[5], parsed as filters parse it
    std::string title;                           // argv[3]
    std::string copies;                          // argv[4]
    int documents = 0;                           // how often the filter ran for the job
};

// The job id in the host's "sent job N to QUEUE" line, if there is one.
std::optional<int> sentJobId(const std::string& hostOutput);

// The options of a record that a print-settings comparison looks at: those the settings name
// and those of this product's key space; the ones cupsd adds of its own are left out.
std::map<std::string, std::string> productOptions(const FilterRecord& record,
                                                  const std::map<std::string, std::string>& settings);

// The rules of a test's cupsd.
enum class CupsdPolicy {
    Open,           // every user may do and see everything, for tests of what reaches the filter
    DebianDefault,  // Debian's stock cupsd.conf: only the default private values are hidden from
                    // other users, and administration needs root (adminEnvironment())
};

// A cupsd of the test's own: its own folders, a free port on 127.0.0.1, started with -f and
// stopped (by its process id) when the object goes. Needs root, as cupsd does. It has a seal key
// pair of its own, which its filters use and the PPDs of its queues carry, as an installed
// print server's do. Given a system bus address, its D-Bus notifier sends cupsd's events there.
class ScratchCupsd {
public:
    explicit ScratchCupsd(CupsdPolicy policy = CupsdPolicy::Open, std::string systemBusAddress = {});
    ~ScratchCupsd();
    ScratchCupsd(const ScratchCupsd&) = delete;
    ScratchCupsd& operator=(const ScratchCupsd&) = delete;

    // Why the server is not running; empty when it is.
    const std::string& error() const { return error_; }
    bool isRunning() const { return error_.empty(); }
    // "127.0.0.1:PORT", for CUPS_SERVER and lpadmin -h.
    std::string server() const;
    int port() const { return port_; }
    std::map<std::string, std::string> clientEnvironment() const { return {{"CUPS_SERVER", server()}}; }
    // The client environment of root acting as this server's administrator: libcups proves it
    // with the certificate the server keeps in its own state folder.
    std::map<std::string, std::string> adminEnvironment() const
    {
        return {{"CUPS_SERVER", server()}, {"CUPS_STATEDIR", folder() + "/run"}};
    }

    // Whether a queue's PPD carries the server's public seal key.
    enum class SealKey { Carried, Missing };
    // A queue with the sample PPD (or another of this model) whose filter records the options
    // of every job; an error message when lpadmin failed.
    std::optional<std::string> addRecordingQueue(const std::string& name, const std::string& ppdPath = samplePpd(),
                                                 SealKey sealKey = SealKey::Carried);
    // A queue with the PPD the model's driver program makes and the built filter
    // korvane-jobcontrol, sending to deviceURI (a socket:// address the test listens on); an
    // error message when lpadmin failed.
    std::optional<std::string> addFilterQueue(const std::string& name, const std::string& deviceURI);
    // A queue without a PPD: a printer that declares no dialog extension.
    std::optional<std::string> addRawQueue(const std::string& name);

    // Waits until the filter has run for every document of the job.
    std::optional<FilterRecord> waitForRecord(int jobId, int documents = 1, int timeoutMs = 20000) const;
    // Whether the filter ever ran for the job.
    bool hasRecord(int jobId) const;
    // The job's state as cupsd reports it; nothing when it knows no such job.
    std::optional<ipp_jstate_t> jobState(int jobId) const;
    // The ids of every job cupsd knows, in every state.
    std::vector<int> jobIds() const;
    // A job cupsd knows now and did not in before (jobIds() then); 0 when there is none.
    int newJobSince(const std::vector<int>& before) const;
    // Waits until cupsd shows the job in the state; false when it did not come to it in time.
    bool waitForJobState(int jobId, ipp_jstate_t state, int timeoutMs = 20000) const;
    // Turns the prompt on for the queue: cupsd holds every new job until its owner releases it.
    std::optional<std::string> holdNewJobs(const std::string& queue);
    // The bytes of the job's first document as cupsd keeps them in its spool.
    std::string spooledDocument(int jobId) const;
    // The record with its sealed value opened by this server's key, as the filter opens it for
    // a job of the test's user.
    FilterRecord opened(FilterRecord record) const;
    // The folder of the server's seal key pair (KORVANE_JOB_SEAL_DIR of its filters).
    std::string sealKeyFolder() const { return folder() + "/seal"; }

    std::string folder() const { return root_.path().toStdString(); }

private:
    bool writeConfiguration();
    bool provideSealKeys();
    bool start();
    // A queue with the PPD text whose filter line is filterLine, sending to deviceURI.
    std::optional<std::string> addQueue(const std::string& name, const std::string& deviceURI,
                                        const std::string& filterLine, const std::string& ppd);
    // Copies a built program where cupsd's children can run it; the copy's path, or nothing.
    std::optional<std::string> installProgram(const std::string& builtPath) const;

    CupsdPolicy policy_;
    std::string systemBusAddress_;
    QTemporaryDir root_;
    int port_ = 0;
    std::unique_ptr<QProcess> cupsd_;
    std::string error_;
};

}  // namespace host_testing
