#include "platform/user_defaults.h"
#include "platform/file_descriptor.h"

#include <QCryptographicHash>

#include <plist/plist.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace platform {

namespace {

// A domain file larger than this is not a preference domain of ours; it counts as unparseable.
constexpr off_t kMaxDomainFileSize = 64 * 1024 * 1024;
// The longest file-name stem kept whole; ".plist.corrupt" and the like still fit in NAME_MAX.
constexpr std::size_t kMaxStemLength = 200;
constexpr std::size_t kCutStemLength = 120;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct MallocDeleter {
    void operator()(void* memory) const { free(memory); }
};

// An exclusive flock on a lock file, held for the object's lifetime.
class FileLock {
public:
    explicit FileLock(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        if (!fd_)
            return;
        int result;
        do
            result = ::flock(fd_.get(), LOCK_EX);
        while (result != 0 && errno == EINTR);
        locked_ = result == 0;
    }

    explicit operator bool() const { return locked_; }

private:
    FileDescriptor fd_;
    bool locked_ = false;
};

// --- Conversion between property-list nodes and values ---

std::optional<PropertyValue> valueOfNode(plist_t node);

// The entries of a dictionary node; entries of a type outside the value model are left out.
PropertyDictionary dictionaryOfNode(plist_t node)
{
    PropertyDictionary dictionary;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    std::unique_ptr<void, MallocDeleter> iteratorOwner(iterator);
    while (iterator) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator, &key, &item);
        std::unique_ptr<char, MallocDeleter> keyOwner(key);
        if (!item)
            break;
        if (auto value = valueOfNode(item); value && key)
            dictionary.emplace(key, std::move(*value));
    }
    return dictionary;
}

// The items of an array node; items of a type outside the value model are left out.
PropertyArray arrayOfNode(plist_t node)
{
    PropertyArray array;
    const uint32_t count = plist_array_get_size(node);
    for (uint32_t i = 0; i < count; ++i)
        if (auto value = valueOfNode(plist_array_get_item(node, i)))
            array.push_back(std::move(*value));
    return array;
}

// The value of one node; nothing for node types the model has no place for (keys, UIDs).
std::optional<PropertyValue> valueOfNode(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_DICT:
        return PropertyValue{dictionaryOfNode(node)};
    case PLIST_ARRAY:
        return PropertyValue{arrayOfNode(node)};
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return PropertyValue{std::string(text ? text : "", text ? length : 0)};
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return PropertyValue{flag != 0};
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return PropertyValue{static_cast<std::int64_t>(number)};
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return PropertyValue{number};
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        PropertyData data;
        if (bytes)
            data.bytes.assign(bytes, bytes + length);
        return PropertyValue{std::move(data)};
    }
    case PLIST_DATE: {
        PropertyDate date;
        plist_get_date_val(node, &date.seconds, &date.microseconds);
        return PropertyValue{date};
    }
    default:
        return std::nullopt;
    }
}

plist_t nodeOfValue(const PropertyValue& value);

// A new dictionary node holding the entries.
plist_t nodeOfDictionary(const PropertyDictionary& dictionary)
{
    plist_t node = plist_new_dict();
    for (const auto& [key, value] : dictionary)
        plist_dict_set_item(node, key.c_str(), nodeOfValue(value));
    return node;
}

// A new node holding the value; the caller owns it.
plist_t nodeOfValue(const PropertyValue& value)
{
    struct Maker {
        plist_t operator()(const std::string& text) const { return plist_new_string(text.c_str()); }
        plist_t operator()(std::int64_t number) const { return plist_new_uint(static_cast<uint64_t>(number)); }
        plist_t operator()(bool flag) const { return plist_new_bool(flag ? 1 : 0); }
        plist_t operator()(double number) const { return plist_new_real(number); }
        plist_t operator()(const PropertyData& data) const
        {
            return plist_new_data(reinterpret_cast<const char*>(data.bytes.data()), data.bytes.size());
        }
        plist_t operator()(const PropertyDate& date) const
        {
            return plist_new_date(date.seconds, date.microseconds);
        }
        plist_t operator()(const PropertyArray& array) const
        {
            plist_t node = plist_new_array();
            for (const PropertyValue& item : array)
                plist_array_append_item(node, nodeOfValue(item));
            return node;
        }
        plist_t operator()(const PropertyDictionary& dictionary) const { return nodeOfDictionary(dictionary); }
    };
    return std::visit(Maker{}, value.value);
}

// --- Files ---

// The whole file, or nothing when it is missing, unreadable or too large to be a domain.
// `missing` tells the first case from the others.
std::optional<std::string> readDomainFile(const std::string& path, bool* missing = nullptr)
{
    if (missing)
        *missing = false;
    // Non-blocking, so that a pipe put where the file belongs cannot stall the dialog.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (missing)
            *missing = errno == ENOENT;
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxDomainFileSize)
        return std::nullopt;
    std::string bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > static_cast<std::size_t>(kMaxDomainFileSize))
            return std::nullopt;
    }
    return bytes;
}

// Makes the folder and any missing parents; the folder itself must end up a folder of this user
// with mode 0700.
bool ensurePrivateDirectory(const std::string& dir)
{
    for (std::size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1))
        if (::mkdir(dir.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return false;
    return (info.st_mode & 07777) == 0700 || ::chmod(dir.c_str(), 0700) == 0;
}

// Writes all bytes to a new file of mode 0600 and flushes them to the disk.
bool writeNewFile(const std::string& path, const std::string& bytes)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return false;
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd || fchmod(fd.get(), 0600) != 0)
        return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return fsync(fd.get()) == 0 && fd.close();
}

// Flushes a folder's entries, so that a rename in it survives a power loss. File systems that
// cannot flush folders still have the rename; that is not a failure.
void syncDirectory(const std::string& dir)
{
    FileDescriptor fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        fsync(fd.get());
}

// Moves an existing domain file that does not parse aside to PATH.corrupt, so that the user's
// data is kept rather than overwritten; false when that fails.
bool setAsideUnparseableFile(const std::string& path)
{
    bool missing = false;
    auto bytes = readDomainFile(path, &missing);
    if (missing || (bytes && propertyListFromBytes(*bytes)))
        return true;
    return ::rename(path.c_str(), (path + ".corrupt").c_str()) == 0;
}

// Whether the file at path is a private (0600) regular file of this user that holds exactly
// the bytes.
bool holdsExactly(const std::string& path, const std::string& bytes)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {};
    if (!fd || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 07777) != 0600 || static_cast<std::size_t>(info.st_size) != bytes.size())
        return false;
    std::string stored(bytes.size(), '\0');
    std::size_t read = 0;
    while (read < stored.size()) {
        const ssize_t count = ::read(fd.get(), stored.data() + read, stored.size() - read);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        read += static_cast<std::size_t>(count);
    }
    return stored == bytes;
}

// Replaces the domain file at path with the bytes, under the domain's lock.
bool replaceDomainFile(const std::string& dir, const std::string& path, const std::string& bytes)
{
    if (!ensurePrivateDirectory(dir))
        return false;
    FileLock lock(path + ".lock");
    if (!lock)
        return false;
    // Rewriting the very same bytes changes nothing but costs two flushes to the disk, more
    // than the rest of opening the panel together (each construction writes its domain).
    if (holdsExactly(path, bytes))
        return true;
    if (!setAsideUnparseableFile(path))
        return false;
    const std::string temporary = path + ".tmp";
    if (!writeNewFile(temporary, bytes) || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncDirectory(dir);
    return true;
}

// Whether a byte may stand for itself in a domain's file name.
bool isPlainFileNameByte(unsigned char byte, bool first)
{
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9'))
        return true;
    return byte == '-' || byte == '_' || (byte == '.' && !first);
}

// An absolute folder named by an environment variable, or nothing.
std::optional<std::string> absoluteFolderFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return std::nullopt;
    std::string folder(value);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

}  // namespace

std::string fileNameOfDomain(const std::string& domainName)
{
    if (domainName.empty())
        return "%";
    std::string stem;
    for (std::size_t i = 0; i < domainName.size(); ++i) {
        const auto byte = static_cast<unsigned char>(domainName[i]);
        if (isPlainFileNameByte(byte, i == 0)) {
            stem += static_cast<char>(byte);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            stem += escaped;
        }
    }
    if (stem.size() <= kMaxStemLength)
        return stem;
    // "~" never appears in the escaped form, so a cut name cannot meet a whole one.
    const QByteArray digest = QCryptographicHash::hash(QByteArray(domainName.data(), qsizetype(domainName.size())),
                                                       QCryptographicHash::Sha256)
                                  .toHex();
    return stem.substr(0, kCutStemLength) + "~" + digest.toStdString();
}

std::optional<PropertyDictionary> propertyListFromBytes(const std::string& bytes)
{
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(kMaxDomainFileSize))
        return std::nullopt;
    plist_t root = nullptr;
    if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size())))
        plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    else
        plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        return std::nullopt;
    return dictionaryOfNode(root);
}

std::string xmlPropertyList(const PropertyDictionary& dictionary)
{
    PlistPtr root(nodeOfDictionary(dictionary));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    std::unique_ptr<char, void (*)(char*)> owner(xml, plist_to_xml_free);
    return xml ? std::string(xml, length) : std::string();
}

UserDefaults::UserDefaults(std::string directory) : directory_(std::move(directory)) {}

std::string UserDefaults::pathOfDomain(const std::string& domainName) const
{
    return directory_ + "/" + fileNameOfDomain(domainName) + ".plist";
}

void UserDefaults::resetStandardUserDefaults()
{
    cached_.clear();
}

std::optional<PropertyDictionary> UserDefaults::persistentDomainForName(const std::string& domainName)
{
    if (auto pending = pending_.find(domainName); pending != pending_.end())
        return pending->second;
    if (auto cached = cached_.find(domainName); cached != cached_.end())
        return cached->second;
    std::optional<PropertyDictionary> domain;
    if (auto bytes = readDomainFile(pathOfDomain(domainName)))
        domain = propertyListFromBytes(*bytes);
    cached_[domainName] = domain;
    return domain;
}

void UserDefaults::setPersistentDomain(const PropertyDictionary& domain, const std::string& domainName)
{
    pending_[domainName] = domain;
}

bool UserDefaults::synchronize()
{
    bool allWritten = true;
    for (auto entry = pending_.begin(); entry != pending_.end();) {
        const std::string xml = xmlPropertyList(entry->second);
        if (xml.empty() || !replaceDomainFile(directory_, pathOfDomain(entry->first), xml)) {
            allWritten = false;
            ++entry;
            continue;
        }
        cached_[entry->first] = std::move(entry->second);
        entry = pending_.erase(entry);
    }
    return allWritten;
}

std::optional<UserDefaults> standardUserDefaults(std::string_view product)
{
    auto config = absoluteFolderFromEnvironment("XDG_CONFIG_HOME");
    if (!config) {
        auto home = absoluteFolderFromEnvironment("HOME");
        if (!home)
            return std::nullopt;
        config = (*home == "/" ? "" : *home) + "/.config";
    }
    return UserDefaults((*config == "/" ? "" : *config) + "/" + std::string(product));
}

}  // namespace platform
