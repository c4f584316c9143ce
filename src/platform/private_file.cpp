#include "platform/private_file.h"
#include "platform/file_descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Whether the status describes a regular file of the user running this code.
bool isOwnRegularFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == geteuid();
}

// Reads fd to its end in blocks, appending each to bytes; one byte more than limit tells that
// the file is larger.
template <typename Bytes>
bool readBlocks(int fd, std::size_t limit, Bytes& bytes)
{
    char block[65536];
    for (;;) {
        const ssize_t count = ::read(fd, block, sizeof block);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        bytes.insert(bytes.end(), block, block + count);
        if (bytes.size() > limit)
            return false;
    }
}

// Clears the way for a new file at path: anything there that is not a regular file of this
// user goes, so that the rename that follows replaces it rather than writing through it.
bool clearForeignEntry(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    if (isOwnRegularFile(info))
        return true;
    if (S_ISDIR(info.st_mode))
        return false;
    return ::unlink(path.c_str()) == 0;
}

// The temporary file beside path: created new (never an existing entry, never through a
// link), mode 0600; its name goes into tempPath.
FileDescriptor createTemporaryBeside(const std::string& path, std::string& tempPath)
{
    tempPath = path + ".XXXXXX";
    return FileDescriptor(::mkostemp(tempPath.data(), O_CLOEXEC));
}

// The status of dir, of the link itself or of the folder it leads to as options say; false
// when there is nothing to examine.
bool examineDirectory(const std::string& dir, PrivateDirectoryOptions options, struct stat& info)
{
    return (options.acceptLinkToOwnFolder ? ::stat(dir.c_str(), &info) : ::lstat(dir.c_str(), &info)) == 0;
}

// Makes dir (and its missing parents, when options say so) with mode 0700; true when it is
// there afterwards, made now or before.
bool makeDirectory(const std::string& dir, PrivateDirectoryOptions options)
{
    if (options.makeMissingParents)
        for (std::size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1))
            if (::mkdir(dir.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
                return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Why dir cannot serve as a private folder; empty when it can. A folder that is there already
// is examined first, so that the common case costs one call.
std::string privateDirectoryProblem(const std::string& dir, PrivateDirectoryOptions options)
{
    struct stat info {};
    if (!examineDirectory(dir, options, info)) {
        if (!makeDirectory(dir, options))
            return dir + " cannot be created: " + std::strerror(errno);
        if (!examineDirectory(dir, options, info))
            return dir + " cannot be examined: " + std::strerror(errno);
    }
    if (S_ISLNK(info.st_mode))
        return dir + " is a symbolic link, not a private folder";
    if (!S_ISDIR(info.st_mode))
        return dir + " is not a folder";
    if (info.st_uid != geteuid())
        return dir + " belongs to another user";
    if ((info.st_mode & 07777) != 0700 && ::chmod(dir.c_str(), 0700) != 0)
        return dir + " cannot be made private: " + std::strerror(errno);
    return {};
}

}  // namespace

bool makePrivateDirectory(const std::string& dir, PrivateDirectoryOptions options, std::string* error)
{
    std::string problem = privateDirectoryProblem(dir, options);
    if (problem.empty())
        return true;
    if (error)
        *error = std::move(problem);
    return false;
}

bool readAll(int fd, std::size_t maxBytes, std::string& bytes)
{
    return readBlocks(fd, maxBytes, bytes);
}

bool readAll(int fd, std::size_t maxBytes, ByteBuffer& bytes)
{
    return readBlocks(fd, maxBytes, bytes);
}

bool writeAll(int fd, std::string_view bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

std::optional<ByteBuffer> readOwnFile(const std::string& path, std::size_t maxBytes)
{
    // O_NONBLOCK keeps a planted FIFO from stalling the open; the checks below refuse it.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !isOwnRegularFile(info))
        return std::nullopt;
    if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > maxBytes)
        return std::nullopt;
    ByteBuffer bytes;
    if (!readAll(file.get(), maxBytes, bytes))
        return std::nullopt;
    return bytes;
}

// The file is the reply of one exchange, read back at once by this process; a crash loses only
// a reply that the next press fetches again, so the rename alone (a reader sees the old file or
// the new, never half of one) is what it needs, and no flush to the disk.
bool replaceOwnFile(const std::string& path, const ByteBuffer& bytes)
{
    if (!clearForeignEntry(path))
        return false;
    std::string tempPath;
    FileDescriptor file = createTemporaryBeside(path, tempPath);
    if (!file)
        return false;
    // mkostemp makes the file 0600 already; the mode is stated, not left to the C library.
    const bool written = ::fchmod(file.get(), 0600) == 0 &&
                         writeAll(file.get(), std::string_view(bytes.data(), bytes.size())) && file.close();
    if (!written || ::rename(tempPath.c_str(), path.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
