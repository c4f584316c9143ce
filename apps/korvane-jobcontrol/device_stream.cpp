#include "device_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jobcontrol {

namespace {

constexpr std::size_t kMaxValueLength = 1000;
constexpr std::size_t kMaxLineLength = 1024;  // with its line feed
constexpr std::size_t kMaxHeaderLines = 64;
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kCopyBufferSize = 64 * 1024;

// Whether every character may stand between a SET line's quotes as it is.
bool isPlainValue(std::string_view value)
{
    return std::all_of(value.begin(), value.end(),
                       [](char c) { return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\'; });
}

bool isSettingName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::string systemMessage(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Reads up to count bytes, retrying interrupted reads; -1 on failure.
ssize_t readSome(int fd, char* buffer, std::size_t count)
{
    ssize_t got;
    do
        got = ::read(fd, buffer, count);
    while (got < 0 && errno == EINTR);
    return got;
}

// An unnamed file in TMPDIR (cupsd gives every filter its own) holding all of standard input;
// size is set to its byte count.
platform::FileDescriptor spillStandardInput(std::uint64_t& size)
{
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/korvane-jobcontrol-XXXXXX";
    platform::FileDescriptor file(::mkstemp(pattern.data()));
    if (!file)
        throw JobRefused(systemMessage("cannot make a temporary file for the document"));
    ::unlink(pattern.c_str());
    char buffer[kCopyBufferSize];
    size = 0;
    for (;;) {
        const ssize_t got = readSome(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0)
            throw JobRefused(systemMessage("cannot read the document"));
        size += static_cast<std::uint64_t>(got);
        if (size > kMaxDocumentSize)
            throw JobRefused("the document is larger than 2147483647 bytes");
        writeAll(file.get(), std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    if (::lseek(file.get(), 0, SEEK_SET) != 0)
        throw JobRefused(systemMessage("cannot read back the document"));
    return file;
}

}  // namespace

std::string languageOfDocument(std::string_view head)
{
    if (head.starts_with("%PDF-"))
        return "PDF";
    if (head.starts_with("%!"))
        return "POSTSCRIPT";
    return "TEXT";
}

std::string formatHeader(const std::vector<HeaderSetting>& settings, std::string_view language, std::uint64_t size)
{
    if (size > kMaxDocumentSize)
        throw JobRefused("the document is larger than 2147483647 bytes");
    if (settings.size() + 2 > kMaxHeaderLines)
        throw JobRefused("the job has more settings than the job-control header holds");
    std::string header = "@KJC JOB\n";
    for (const HeaderSetting& setting : settings) {
        if (!isSettingName(setting.name))
            throw JobRefused("the setting name " + setting.name + " is not uppercase letters");
        if (setting.value.empty() || setting.value.size() > kMaxValueLength || !isPlainValue(setting.value))
            throw JobRefused("the value of " + setting.name +
                             " is empty, longer than 1000 characters or holds a line break, quote, backslash or "
                             "non-printable character; the job is not printed, so that it never prints without "
                             "its settings");
        std::string line = "@KJC SET " + setting.name + "=\"" + setting.value + "\"\n";
        if (line.size() > kMaxLineLength)
            throw JobRefused("the header line of " + setting.name + " is longer than 1024 bytes");
        header += line;
    }
    header += "@KJC ENTER LANGUAGE=" + std::string(language) + " SIZE=" + std::to_string(size) + "\n";
    if (header.size() > kMaxHeaderBytes)
        throw JobRefused("the job-control header is larger than 64 KiB");
    return header;
}

void writeAll(int out, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(out, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw JobRefused(systemMessage("cannot send the job to the printer"));
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

Document::Document(const std::string& path)
{
    if (path.empty()) {
        fd_ = spillStandardInput(size_);
        return;
    }
    platform::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file)
        throw JobRefused(systemMessage(("cannot open the document " + path).c_str()));
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        throw JobRefused("the document " + path + " is not a regular file");
    if (static_cast<std::uint64_t>(status.st_size) > kMaxDocumentSize)
        throw JobRefused("the document is larger than 2147483647 bytes");
    size_ = static_cast<std::uint64_t>(status.st_size);
    fd_ = std::move(file);
}

std::string Document::head(std::size_t count) const
{
    std::string bytes(count, '\0');
    ssize_t got;
    do
        got = ::pread(fd_.get(), bytes.data(), count, 0);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        throw JobRefused(systemMessage("cannot read the document"));
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

void Document::copyTo(int out) const
{
    char buffer[kCopyBufferSize];
    std::uint64_t left = size_;
    while (left > 0) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof buffer));
        const ssize_t got = readSome(fd_.get(), buffer, wanted);
        if (got < 0)
            throw JobRefused(systemMessage("cannot read the document"));
        if (got == 0)
            throw JobRefused("the document ended before its announced size");
        writeAll(out, std::string_view(buffer, static_cast<std::size_t>(got)));
        left -= static_cast<std::uint64_t>(got);
    }
}

}  // namespace jobcontrol
