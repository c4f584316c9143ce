#include "held_job.h"

#include "cups_submit.h"
#include "platform/failure.h"
#include "settings/job_messages.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using platform::fail;

// The print settings' keys, which only the Job Control tab writes.
constexpr const char* kTabKeyPrefix = "korvane.print.PrintSettings.";

// A text attribute holds up to 1023 bytes, a name up to 255 (IPP's limits).
constexpr std::size_t kMaxNameBytes = 255;

// The job's URI on the default server.
std::string jobURI(int jobId)
{
    return "ipp://localhost/jobs/" + std::to_string(jobId);
}

// A request about the job, made as the user who runs this program.
IppMessage jobRequest(ipp_op_t operation, int jobId)
{
    IppMessage request(ippNewRequest(operation));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, jobURI(jobId).c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// Sends the request on the default connection; the response, or nothing with cupsd's message
// (naming what was being done) in error.
IppMessage sendRequest(IppMessage request, const char* resource, const std::string& doing, std::string* error)
{
    IppMessage response(cupsDoRequest(CUPS_HTTP_DEFAULT, request.release(), resource));
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        *error = doing + ": " + cupsLastErrorString();
        return nullptr;
    }
    return response;
}

// The queue's name in a printer or class URI ("ipp://host/printers/office" is office).
std::string queueOfURI(const char* uri)
{
    const char* slash = uri ? std::strrchr(uri, '/') : nullptr;
    return slash ? std::string(slash + 1) : std::string();
}

// The first value of a string or boolean attribute as text; nothing for other kinds.
std::optional<std::string> textOf(ipp_attribute_t* attribute)
{
    switch (ippGetValueTag(attribute)) {
    case IPP_TAG_TEXT:
    case IPP_TAG_NAME:
    case IPP_TAG_TEXTLANG:
    case IPP_TAG_NAMELANG:
    case IPP_TAG_KEYWORD:
    case IPP_TAG_URI:
        return std::string(ippGetString(attribute, 0, nullptr));
    case IPP_TAG_BOOLEAN:
        return std::string(ippGetBoolean(attribute, 0) ? "True" : "False");
    default:
        return std::nullopt;
    }
}

// Fills the job from the attributes of a Get-Job-Attributes response.
HeldJob jobFromResponse(int jobId, ipp_t* response)
{
    HeldJob job;
    job.id = jobId;
    for (ipp_attribute_t* attribute = ippFirstAttribute(response); attribute; attribute = ippNextAttribute(response)) {
        const char* name = ippGetName(attribute);
        if (!name || ippGetGroupTag(attribute) != IPP_TAG_JOB)
            continue;
        if (!std::strcmp(name, "job-state"))
            job.state = static_cast<ipp_jstate_t>(ippGetInteger(attribute, 0));
        else if (!std::strcmp(name, "number-of-documents"))
            job.documentCount = ippGetInteger(attribute, 0);
        else if (!std::strcmp(name, "job-k-octets"))
            job.kilobytes = ippGetInteger(attribute, 0);
        else if (!std::strcmp(name, "document-format") && ippGetValueTag(attribute) == IPP_TAG_MIMETYPE)
            job.documentFormat = ippGetString(attribute, 0, nullptr);
        else if (!std::strcmp(name, "document-name-supplied"))
            job.documents.emplace_back(ippGetString(attribute, 0, nullptr));
        else if (!std::strcmp(name, "job-printer-uri"))
            job.queue = queueOfURI(ippGetString(attribute, 0, nullptr));
        else if (auto text = textOf(attribute))
            job.options[name] = *text;
    }
    const auto find = [&job](const char* name) {
        const auto found = job.options.find(name);
        return found == job.options.end() ? std::string() : found->second;
    };
    job.title = find("job-name");
    job.owner = find("job-originating-user-name");
    job.holdUntil = find("job-hold-until");
    job.printerMessage = find("job-printer-state-message");
    return job;
}

// Sends a request that only says what to do with the job; false, with cupsd's message in
// error, when cupsd refused it.
bool jobOperation(ipp_op_t operation, int jobId, const std::string& doing, std::string* error)
{
    return sendRequest(jobRequest(operation, jobId), "/jobs/", doing, error) != nullptr;
}

}  // namespace

std::optional<HeldJob> readJob(int jobId, std::string* error)
{
    IppMessage request = jobRequest(IPP_OP_GET_JOB_ATTRIBUTES, jobId);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    IppMessage response = sendRequest(std::move(request), "/jobs/", "cannot read job " + std::to_string(jobId), error);
    if (!response)
        return std::nullopt;
    return jobFromResponse(jobId, response.get());
}

JobWait jobWait(const HeldJob& job)
{
    if (job.state == IPP_JSTATE_HELD && job.holdUntil == "indefinite")
        return JobWait::Held;
    if (job.state == IPP_JSTATE_STOPPED && job.printerMessage.rfind(korvane::messages::kNeedsSettings, 0) == 0)
        return JobWait::Stopped;
    return JobWait::None;
}

bool carriesTabSettings(const HeldJob& job)
{
    for (const auto& [name, value] : job.options)
        if (name.rfind(kTabKeyPrefix, 0) == 0 && !value.empty())
            return true;
    return false;
}

bool isAnswerableBy(const HeldJob& job, const std::string& user, std::string* error)
{
    const std::string which = "job " + std::to_string(job.id);
    // cupsd keeps the owner of another user's job to itself under its default policy.
    if (job.owner != user)
        return fail(error, which + " is not one of your jobs; only its owner can answer it");
    if (jobWait(job) == JobWait::None) {
        if (job.state == IPP_JSTATE_STOPPED)
            return fail(error, which + " was stopped for another reason (" +
                                   (job.printerMessage.empty() ? std::string("cupsd gives none") : job.printerMessage) +
                                   "); lp -i " + std::to_string(job.id) + " -H restart prints it again");
        if (job.state == IPP_JSTATE_HELD)
            return fail(error,
                        which + " is held until " + job.holdUntil + ", not until it gets its job control settings");
        return fail(error, which + " does not wait for its job control settings: it is " +
                               ippEnumString("job-state", job.state));
    }
    return true;
}

bool isComplete(const HeldJob& job, std::string* error)
{
    if (job.documentCount == 0)
        return fail(error, "job " + std::to_string(job.id) +
                               " has no document yet: the application is still sending it; try again in a moment");
    return true;
}

bool queueHoldsNewJobs(const std::string& queue)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue.c_str());
    IppMessage request(ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "job-hold-until-default");
    std::string ignored;
    IppMessage response = sendRequest(std::move(request), "/", "", &ignored);
    ipp_attribute_t* holds =
        response ? ippFindAttribute(response.get(), "job-hold-until-default", IPP_TAG_ZERO) : nullptr;
    const std::optional<std::string> value = holds ? textOf(holds) : std::nullopt;
    return value == "indefinite";
}

std::vector<int> unfinishedJobsOfUser()
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 1, CUPS_WHICHJOBS_ACTIVE);
    std::vector<int> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(jobs[i].id);
    cupsFreeJobs(count, jobs);
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool applyAnswer(const HeldJob& job, const JobAnswer& answer, std::string* error)
{
    IppMessage request = jobRequest(IPP_OP_SET_JOB_ATTRIBUTES, job.id);
    for (const auto& [name, value] : answer.set) {
        const ipp_tag_t tag = value.size() > kMaxNameBytes ? IPP_TAG_TEXT : IPP_TAG_NAME;
        ippAddString(request.get(), IPP_TAG_JOB, tag, name.c_str(), nullptr, value.c_str());
    }
    // cupsd keeps a deleted attribute that a job had as an empty value, which the filter reads as
    // absent.
    for (const std::string& name : answer.removed)
        ippAddOutOfBand(request.get(), IPP_TAG_JOB, IPP_TAG_DELETEATTR, name.c_str());
    const JobWait wait = jobWait(job);
    // A stopped job keeps its hold; without this a restart could hold it again.
    if (wait == JobWait::Stopped)
        ippAddString(request.get(), IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, "no-hold");
    const std::string which = "job " + std::to_string(job.id);
    if (!sendRequest(std::move(request), "/jobs/", "cupsd did not take the settings of " + which, error))
        return false;
    if (wait == JobWait::Stopped)
        return jobOperation(IPP_OP_RESTART_JOB, job.id, "cupsd took the settings but did not restart " + which, error);
    return jobOperation(IPP_OP_RELEASE_JOB, job.id, "cupsd took the settings but did not release " + which, error);
}

bool cancelHeldJob(const HeldJob& job, std::string* error)
{
    return jobOperation(IPP_OP_CANCEL_JOB, job.id, "cupsd did not cancel job " + std::to_string(job.id), error);
}
