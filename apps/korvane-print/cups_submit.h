// Submitting a job to a CUPS queue with the print settings as job options, byte for byte.
//
// The convenience paths of libcups (cupsAddOption, lp -o) guess a type for every value:
// "true" and "false" become booleans, which reach a filter as "name" and "noname". The job's
// later stages need the exact texts, so the request is built here with every value added as
// an IPP name (or, past 255 bytes, text) attribute, which cupsd hands to the filters unchanged.
#pragma once

#include <cups/cups.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct JobRequest {
    std::string queue;
    std::string title;
    int copies = 1;
    std::map<std::string, std::string> options;      // the print settings and the PPD's options, sent as names
    std::map<std::string, std::string> cupsOptions;  // CUPS' own options, typed as lp types them (page-ranges, ...)
    std::vector<std::string> files;
    // Why the job must not be sent: its secrets could not be sealed for the queue's filter.
    std::optional<std::string> unsealedSecrets;
};

struct SubmitResult {
    std::optional<int> jobId;  // set when every document was accepted
    std::string error;         // a message for the user otherwise
    std::vector<std::string> warnings;
};

struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// The first problem with the files: one that is missing, not a regular file or unreadable;
// nothing when every file can be sent.
std::optional<std::string> unreadableFile(const std::vector<std::string>& files);

// Why an option cannot travel as an IPP attribute (a name IPP does not allow, a value too
// long for a text); nothing when it can.
std::optional<std::string> unsendableOption(const std::string& name, const std::string& value);

// Options that cupsd keeps from the filters: names starting with "job-", but for the PIN and
// accounting attributes it passes on (job-password, job-account-id, ...).
bool optionIsHiddenFromFilters(const std::string& name);

// Every option the job is submitted with, as CUPS gets it, by name: the options, CUPS' own
// options and the copies when there are several.
std::map<std::string, std::string> submittedOptions(const JobRequest& job);

// The Create-Job request for the job, addressed to the queue on the default server.
IppMessage makeCreateJobRequest(const JobRequest& job);

// Creates the job on the default CUPS server (CUPS_SERVER, client.conf) and sends every file
// as one document of it. Nothing is sent when a file is unreadable, an option cannot travel or
// the job's secrets are not sealed;
// a job whose document is refused is cancelled, so no half job is left printing.
SubmitResult submitJob(const JobRequest& job);
