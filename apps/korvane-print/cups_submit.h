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
};

struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// Whether every file can be sent; false, with a message in error, for the first one that is
// missing, not a regular file or unreadable.
bool filesArePrintable(const std::vector<std::string>& files, std::string* error);

// Whether an option can travel as an IPP attribute; false, with why in error (a name IPP does
// not allow, a value too long for a text).
bool optionCanTravel(const std::string& name, const std::string& value, std::string* error);

// Options that cupsd keeps from the filters: names starting with "job-", but for the PIN and
// accounting attributes it passes on (job-password, job-account-id, ...).
bool optionIsHiddenFromFilters(const std::string& name);

// Every option the job is submitted with, as CUPS gets it, by name: the options, CUPS' own
// options and the copies when there are several.
std::map<std::string, std::string> submittedOptions(const JobRequest& job);

// The Create-Job request for the job, addressed to the queue on the default server.
IppMessage makeCreateJobRequest(const JobRequest& job);

// Creates the job on the default CUPS server (CUPS_SERVER, client.conf) and sends every file
// as one document of it; the job's id. Nothing, with a message in error, when the job was not
// printed: nothing is sent when a file is unreadable or an option cannot travel, and a job whose
// document is refused is cancelled, so no half job is left printing. warnings receives what the
// user should know of the options that were looked at (one that CUPS keeps from the filters),
// whether or not the job was sent.
std::optional<int> submitJob(const JobRequest& job, std::vector<std::string>* warnings, std::string* error);
