// One of the user's jobs that waits in cupsd for its job control settings, as --job and the
// agent see it: read with Get-Job-Attributes as its owner, answered with Set-Job-Attributes and
// let go with Release-Job (a held job) or Restart-Job (a job the filter stopped).
//
// A job waits in two ways. The queue's administrator turned the prompt on
// (job-hold-until-default=indefinite), so cupsd holds every new job; or the printer's filter
// stopped the job because a job control value was missing or unusable (a PIN of the wrong
// form, a custom option without its value), and said so with the message that
// korvane::messages::kNeedsSettings opens.
#pragma once

#include <cups/cups.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

enum class JobWait {
    None,     // the job does not wait for its settings
    Held,     // cupsd holds it until it is released (job-hold-until indefinite)
    Stopped,  // the filter stopped it for a missing or unusable job control value
};

struct HeldJob {
    int id = 0;
    std::string queue;                   // the queue's name, from job-printer-uri
    std::string title;                   // job-name
    std::string owner;                   // job-originating-user-name; empty when cupsd keeps it from the asking user
    std::vector<std::string> documents;  // document-name-supplied, in the order they came
    int documentCount = 0;               // number-of-documents
    std::string documentFormat;          // document-format, as cupsd typed it
    int kilobytes = 0;                   // job-k-octets
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    std::string holdUntil;       // job-hold-until
    std::string printerMessage;  // job-printer-state-message: what the filter said last
    // The job's attributes with a text, name, keyword or boolean value (booleans as "True" or
    // "False"): the print settings and PPD options it carries among them.
    std::map<std::string, std::string> options;
};

// Reads the job from the default CUPS server as the user who runs this program; nothing, with a
// message in error, when cupsd cannot be reached or shows no such job.
std::optional<HeldJob> readJob(int jobId, std::string* error);

// What the job waits for.
JobWait jobWait(const HeldJob& job);

// Whether the job carries the Job Control tab's own settings (it was answered by the tab).
bool carriesTabSettings(const HeldJob& job);

// Whether the user can answer the job; false, with why in error, for another user's job or a
// job that waits for nothing.
bool isAnswerableBy(const HeldJob& job, const std::string& user, std::string* error);

// Whether the job can be let go; false, with why in error, while its documents are still
// arriving (an application creates a job first and sends its documents after).
bool isComplete(const HeldJob& job, std::string* error);

// Whether the queue's administrator turned the prompt on: cupsd holds every new job of the
// queue (job-hold-until-default=indefinite).
bool queueHoldsNewJobs(const std::string& queue);

// The ids of the user's jobs that are not finished, oldest first.
std::vector<int> unfinishedJobsOfUser();

// What answering changes on the job: attributes set (name to value) and attributes removed.
struct JobAnswer {
    std::map<std::string, std::string> set;
    std::vector<std::string> removed;
};

// Sets the answer on the job and lets it print: Set-Job-Attributes, then Release-Job for a held
// job or Restart-Job for a stopped one. False, with cupsd's message in error, when cupsd refused
// either.
bool applyAnswer(const HeldJob& job, const JobAnswer& answer, std::string* error);

// Cancels the job; false, with cupsd's message in error, when cupsd refused.
bool cancelHeldJob(const HeldJob& job, std::string* error);
