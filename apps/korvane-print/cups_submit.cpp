#include "cups_submit.h"

#include "platform/failure.h"
#include "platform/file_descriptor.h"

#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <set>

namespace {

using platform::fail;

// IPP's limits: a name holds up to 255 bytes, a text up to 1023.
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxTextBytes = 1023;

struct HttpCloser {
    void operator()(http_t* http) const { httpClose(http); }
};
using HttpConnection = std::unique_ptr<http_t, HttpCloser>;

// The file opened for reading; an invalid descriptor, with errno set, when it cannot be.
platform::FileDescriptor openForReading(const std::string& path)
{
    return platform::FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

// The server libcups talks to, as the user would name it.
std::string serverName()
{
    const std::string server = cupsServer();
    if (!server.empty() && server.front() == '/')
        return server;
    return server + ":" + std::to_string(ippPort());
}

// Opens a connection to the default server; nothing, with a message, when it is not there.
HttpConnection connectToServer(std::string* error)
{
    HttpConnection http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 10000, nullptr));
    if (!http)
        *error =
            "cannot reach the CUPS server at " + serverName() + ": " + std::strerror(errno) + " (is cupsd running?)";
    return http;
}

// Whether the bytes are well-formed UTF-8 without control characters other than tab and
// line ends, as IPP texts must be.
bool isSendableText(const std::string& text)
{
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f)
            return false;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8() ==
           QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The text cut to at most max bytes without splitting a UTF-8 sequence.
std::string truncatedUtf8(const std::string& text, std::size_t max)
{
    if (text.size() <= max)
        return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80)
        --end;
    return text.substr(0, end);
}

// The HTTP resource of a queue on the server.
std::string printerResource(const std::string& queue)
{
    return "/printers/" + queue;
}

// The message for the last failed request, naming what was being done.
std::string lastCupsError(const std::string& doing)
{
    const ipp_status_t status = cupsLastError();
    std::string message = doing + ": " + cupsLastErrorString();
    if (status == IPP_STATUS_ERROR_NOT_FOUND)
        message += " (no such print queue on " + serverName() + ")";
    return message;
}

// Cancels a job over a connection of its own: the one a document failed on may be mid-request.
void cancelJob(const std::string& queue, int jobId)
{
    std::string ignored;
    if (HttpConnection http = connectToServer(&ignored))
        cupsCancelJob2(http.get(), queue.c_str(), jobId, 0);
}

// Sends one file as a document of the job; false, with a message in error, when it was not
// accepted.
bool sendDocument(http_t* http, const std::string& queue, int jobId, const std::string& path, bool last,
                  std::string* error)
{
    const platform::FileDescriptor file = openForReading(path);
    if (!file)
        return fail(error, "cannot read " + path + ": " + std::strerror(errno));
    const std::string name = QString::fromStdString(path).section('/', -1).toStdString();
    if (cupsStartDocument(http, queue.c_str(), jobId, name.c_str(), CUPS_FORMAT_AUTO, last ? 1 : 0) !=
        HTTP_STATUS_CONTINUE)
        return fail(error, lastCupsError("CUPS did not take " + path));
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0)
            return fail(error, "cannot read " + path + ": " + std::strerror(errno));
        if (count == 0)
            break;
        if (cupsWriteRequestData(http, buffer, static_cast<size_t>(count)) != HTTP_STATUS_CONTINUE)
            return fail(error, lastCupsError("sending " + path + " to CUPS failed"));
    }
    if (cupsFinishDocument(http, queue.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return fail(error, lastCupsError("CUPS refused " + path));
    return true;
}

}  // namespace

bool filesArePrintable(const std::vector<std::string>& files, std::string* error)
{
    for (const std::string& path : files) {
        const platform::FileDescriptor file = openForReading(path);
        struct stat info {};
        if (!file || ::fstat(file.get(), &info) != 0)
            return fail(error, "cannot read " + path + ": " + std::strerror(errno));
        if (!S_ISREG(info.st_mode))
            return fail(error, "cannot print " + path + ": not a regular file");
    }
    return true;
}

bool optionCanTravel(const std::string& name, const std::string& value, std::string* error)
{
    if (name.empty())
        return fail(error, "an option has an empty name");
    for (unsigned char c : name)
        if (c <= 0x20 || c >= 0x7f || c == '=' || c == '"' || c == '\'' || c == '\\')
            return fail(error, "the option name \"" + name + "\" holds a character that CUPS options cannot carry");
    if (value.size() > kMaxTextBytes)
        return fail(error, "the value of " + name + " is " + std::to_string(value.size()) +
                               " bytes long; IPP carries at most " + std::to_string(kMaxTextBytes));
    if (!isSendableText(value))
        return fail(error, "the value of " + name + " is not UTF-8 text without control characters");
    return true;
}

bool optionIsHiddenFromFilters(const std::string& name)
{
    // The job-... attributes that cupsd does hand to filters (CUPS 2.4): the PIN and the accounting.
    static const std::set<std::string> passedOn = {"job-account-id", "job-accounting-user-id", "job-billing",
                                                   "job-password", "job-password-encryption"};
    return name.rfind("job-", 0) == 0 && !passedOn.count(name);
}

std::map<std::string, std::string> submittedOptions(const JobRequest& job)
{
    std::map<std::string, std::string> options = job.options;
    for (const auto& [name, value] : job.cupsOptions)
        options[name] = value;
    if (job.copies != 1)
        options["copies"] = std::to_string(job.copies);
    return options;
}

IppMessage makeCreateJobRequest(const JobRequest& job)
{
    IppMessage request(ippNewRequest(IPP_OP_CREATE_JOB));
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     job.queue.c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    if (!job.title.empty())
        ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                     truncatedUtf8(job.title, kMaxNameBytes).c_str());
    if (job.copies != 1)
        ippAddInteger(request.get(), IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", job.copies);
    // The dialog's job has its job control settings already: it must not wait for them on a
    // queue that holds every new job until its owner answers. A hold the user asks for with -o
    // stands.
    if (!job.cupsOptions.count("job-hold-until"))
        ippAddString(request.get(), IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, "no-hold");
    // CUPS' own options carry types (a page range, a number, a keyword); libcups knows them.
    cups_option_t* typed = nullptr;
    int typedCount = 0;
    for (const auto& [name, value] : job.cupsOptions)
        typedCount = cupsAddOption(name.c_str(), value.c_str(), typedCount, &typed);
    cupsEncodeOptions2(request.get(), typedCount, typed, IPP_TAG_JOB);
    cupsFreeOptions(typedCount, typed);
    for (const auto& [name, value] : job.options) {
        const ipp_tag_t tag = value.size() > kMaxNameBytes ? IPP_TAG_TEXT : IPP_TAG_NAME;
        ippAddString(request.get(), IPP_TAG_JOB, tag, name.c_str(), nullptr, value.c_str());
    }
    return request;
}

std::optional<int> submitJob(const JobRequest& job, std::vector<std::string>* warnings, std::string* error)
{
    if (job.files.empty()) {
        *error = "there is nothing to print: no files were given";
        return std::nullopt;
    }
    if (!filesArePrintable(job.files, error)) {
        *error += "; nothing was sent";
        return std::nullopt;
    }
    for (const auto& [name, value] : submittedOptions(job)) {
        if (!optionCanTravel(name, value, error)) {
            *error += "; nothing was sent";
            return std::nullopt;
        }
        if (optionIsHiddenFromFilters(name))
            warnings->push_back("the option " + name +
                                " does not reach the printer's filters: CUPS keeps options named job-... to itself");
    }

    HttpConnection http = connectToServer(error);
    if (!http)
        return std::nullopt;
    IppMessage response(
        cupsDoRequest(http.get(), makeCreateJobRequest(job).release(), printerResource(job.queue).c_str()));
    ipp_attribute_t* idAttribute = response ? ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE || !idAttribute) {
        *error = lastCupsError("cannot create a job on \"" + job.queue + "\"");
        return std::nullopt;
    }
    const int jobId = ippGetInteger(idAttribute, 0);
    for (std::size_t i = 0; i < job.files.size(); ++i) {
        if (!sendDocument(http.get(), job.queue, jobId, job.files[i], i + 1 == job.files.size(), error)) {
            http.reset();
            cancelJob(job.queue, jobId);
            *error += "; job " + std::to_string(jobId) + " was cancelled";
            return std::nullopt;
        }
    }
    return jobId;
}
