#include "platform/user_defaults.h"
#include "platform/failure.h"
#include "platform/file_descriptor.h"
#include "platform/private_file.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Values nested deeper than this (containers in containers) make a domain file unparseable: the
// readers recurse, and a file nested many thousands deep would exhaust the stack.
constexpr int kMaxDomainDepth = 128;
// A binary property list may share one value between many places; expanded into more values
// than this it is not a domain of ours.
constexpr std::uint64_t kMaxBinaryValues = 1000000;
// How many damaged files of one domain are kept aside: D.plist.corrupt (the newest), then
// D.plist.corrupt.1 and so on.
constexpr int kKeptDamagedFiles = 5;
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
        // A binary file's date far outside the range libplist converts comes out with
        // microseconds that are none, which its XML writer then adds to the seconds anew at
        // every rewrite.
        if (date.microseconds < 0 || date.microseconds > 999999)
            date.microseconds = 0;
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
        plist_t operator()(const PropertyDate& date) const { return plist_new_date(date.seconds, date.microseconds); }
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

// --- What libplist is handed ---

// The unsigned big-endian number of `size` bytes (1 to 8) at bytes[at].
std::uint64_t bigEndianAt(const std::string& bytes, std::size_t at, std::size_t size)
{
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < size; ++i)
        number = number << 8 | static_cast<unsigned char>(bytes[at + i]);
    return number;
}

// A binary property list's trailer and the references of its container objects.
class BinaryPlistLayout {
public:
    // False when the trailer does not describe a table of objects inside the file.
    bool read(const std::string& bytes)
    {
        constexpr std::size_t kHeader = 8, kTrailer = 32;
        bytes_ = &bytes;
        if (bytes.size() < kHeader + kTrailer)
            return false;
        const std::size_t trailer = bytes.size() - kTrailer;
        offsetSize_ = static_cast<unsigned char>(bytes[trailer + 6]);
        referenceSize_ = static_cast<unsigned char>(bytes[trailer + 7]);
        count_ = bigEndianAt(bytes, trailer + 8, 8);
        top_ = bigEndianAt(bytes, trailer + 16, 8);
        table_ = bigEndianAt(bytes, trailer + 24, 8);
        return offsetSize_ >= 1 && offsetSize_ <= 8 && referenceSize_ >= 1 && referenceSize_ <= 8 && count_ > 0 &&
               top_ < count_ && table_ >= kHeader && table_ <= trailer && count_ <= (trailer - table_) / offsetSize_;
    }

    std::uint64_t count() const { return count_; }
    std::uint64_t top() const { return top_; }

    // A marker's count of 0xF says that the count follows at `at` as an integer object: reads it
    // into count and moves `at` past it. False when that integer lies outside the table.
    bool readLongCount(std::uint64_t& count, std::uint64_t& at) const
    {
        if (count != 0xF)
            return true;
        const std::string& bytes = *bytes_;
        if (at >= table_)
            return false;
        const unsigned countMarker = static_cast<unsigned char>(bytes[at]);
        if ((countMarker >> 4) != 0x1 || (countMarker & 0xF) > 3)
            return false;
        const std::size_t size = std::size_t{1} << (countMarker & 0xF);
        if (at + 1 + size > table_)
            return false;
        count = bigEndianAt(bytes, at + 1, size);
        at += 1 + size;
        return true;
    }

    // The objects that an object refers to (none for a value that is no container); false when
    // the object or its references lie outside the file.
    bool references(std::uint64_t object, std::vector<std::uint64_t>& found) const
    {
        const std::string& bytes = *bytes_;
        found.clear();
        const std::uint64_t offset = bigEndianAt(bytes, table_ + object * offsetSize_, offsetSize_);
        if (offset < 8 || offset >= table_)
            return false;
        const unsigned marker = static_cast<unsigned char>(bytes[offset]);
        const unsigned type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)  // array, set, dictionary
            return true;
        std::uint64_t entries = marker & 0xF;
        std::uint64_t at = offset + 1;
        if (!readLongCount(entries, at))
            return false;
        const std::uint64_t room = (table_ - at) / referenceSize_;
        if (entries > room || (type == 0xD && entries > room / 2))
            return false;
        const std::uint64_t total = type == 0xD ? 2 * entries : entries;
        for (std::uint64_t i = 0; i < total; ++i) {
            const std::uint64_t reference = bigEndianAt(bytes, at + i * referenceSize_, referenceSize_);
            if (reference >= count_)
                return false;
            // A dictionary's keys come first. libplist aborts the process when it hands out a
            // key that holds a zero character.
            if (type == 0xD && i < entries && !isKeyWithoutZero(reference))
                return false;
            found.push_back(reference);
        }
        return true;
    }

    // Whether an object is a text (ASCII or UTF-16) without a zero character inside the file.
    bool isKeyWithoutZero(std::uint64_t object) const
    {
        const std::string& bytes = *bytes_;
        const std::uint64_t offset = bigEndianAt(bytes, table_ + object * offsetSize_, offsetSize_);
        if (offset < 8 || offset >= table_)
            return false;
        const unsigned marker = static_cast<unsigned char>(bytes[offset]);
        const unsigned type = marker >> 4;
        if (type != 0x5 && type != 0x6)
            return false;
        std::uint64_t length = marker & 0xF;
        std::uint64_t at = offset + 1;
        if (!readLongCount(length, at))
            return false;
        const std::uint64_t unit = type == 0x6 ? 2 : 1;
        if (length > (table_ - at) / unit)
            return false;
        for (std::uint64_t i = 0; i < length; ++i)
            if (bigEndianAt(bytes, at + i * unit, unit) == 0)
                return false;
        return true;
    }

private:
    const std::string* bytes_ = nullptr;
    std::size_t offsetSize_ = 0;
    std::size_t referenceSize_ = 0;
    std::uint64_t count_ = 0;
    std::uint64_t top_ = 0;
    std::uint64_t table_ = 0;
};

// Whether a binary property list can be handed to libplist, whose binary reader recurses
// through the references and copies a value at each place that refers to it: every reference
// inside the file, no value inside itself, values nested at most kMaxDomainDepth deep, and at
// most kMaxBinaryValues of them once expanded. Walks the references without recursion.
bool isBoundedBinaryPlist(const std::string& bytes)
{
    BinaryPlistLayout layout;
    if (!layout.read(bytes))
        return false;
    enum class Visit : std::uint8_t { Unseen, Open, Done };
    std::vector<Visit> visits(layout.count(), Visit::Unseen);
    std::vector<std::uint32_t> depths(layout.count(), 0);
    std::vector<std::uint64_t> expanded(layout.count(), 0);
    struct Frame {
        std::uint64_t object;
        std::vector<std::uint64_t> references;
        std::size_t next = 0;
    };
    std::vector<Frame> path;
    auto open = [&](std::uint64_t object) {
        visits[object] = Visit::Open;
        path.push_back({object, {}, 0});
        return layout.references(object, path.back().references);
    };
    if (!open(layout.top()))
        return false;
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next < frame.references.size()) {
            const std::uint64_t child = frame.references[frame.next++];
            if (visits[child] == Visit::Open)
                return false;  // a value inside itself
            if (visits[child] == Visit::Unseen &&
                (path.size() >= static_cast<std::size_t>(kMaxDomainDepth) || !open(child)))
                return false;
            continue;
        }
        std::uint32_t depth = 1;
        std::uint64_t values = 1;
        for (const std::uint64_t child : frame.references) {
            depth = std::max(depth, depths[child] + 1);
            values = std::min<std::uint64_t>(values + expanded[child], kMaxBinaryValues + 1);
        }
        if (depth > static_cast<std::uint32_t>(kMaxDomainDepth) || values > kMaxBinaryValues)
            return false;
        depths[frame.object] = depth;
        expanded[frame.object] = values;
        visits[frame.object] = Visit::Done;
        path.pop_back();
    }
    return true;
}

// How deeply the values of a parsed tree are nested (a value in no container is 1 deep),
// counted without recursion up to limit + 1.
int nestingDepth(plist_t root, int limit)
{
    std::vector<std::pair<plist_t, int>> pending{{root, 1}};
    int deepest = 0;
    while (!pending.empty() && deepest <= limit) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        if (plist_get_node_type(node) == PLIST_ARRAY) {
            const uint32_t count = plist_array_get_size(node);
            for (uint32_t i = 0; i < count; ++i)
                pending.emplace_back(plist_array_get_item(node, i), depth + 1);
        } else if (plist_get_node_type(node) == PLIST_DICT) {
            plist_dict_iter iterator = nullptr;
            plist_dict_new_iter(node, &iterator);
            std::unique_ptr<void, MallocDeleter> iteratorOwner(iterator);
            for (;;) {
                char* key = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, iterator, &key, &item);
                std::free(key);
                if (!item)
                    break;
                pending.emplace_back(item, depth + 1);
            }
        }
    }
    return deepest;
}

// The first value of a container node, or nullptr when it is empty or no container.
plist_t someChild(plist_t node)
{
    if (plist_get_node_type(node) == PLIST_ARRAY) {
        const uint32_t count = plist_array_get_size(node);
        return count ? plist_array_get_item(node, count - 1) : nullptr;
    }
    if (plist_get_node_type(node) != PLIST_DICT)
        return nullptr;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    std::unique_ptr<void, MallocDeleter> iteratorOwner(iterator);
    char* key = nullptr;
    plist_t item = nullptr;
    plist_dict_next_item(node, iterator, &key, &item);
    std::free(key);
    return item;
}

// Frees a tree nested too deeply for plist_free, which recurses: leaves first, each taken out
// of its parent.
void freeDeepTree(plist_t root)
{
    plist_t node = root;
    while (node) {
        if (plist_t child = someChild(node)) {
            node = child;
            continue;
        }
        plist_t parent = plist_get_parent(node);
        if (!parent) {
            plist_free(node);
            return;
        }
        if (plist_get_node_type(parent) == PLIST_ARRAY) {
            plist_array_remove_item(parent, plist_array_get_size(parent) - 1);
        } else {
            char* key = nullptr;
            plist_dict_get_item_key(node, &key);
            std::unique_ptr<char, MallocDeleter> keyOwner(key);
            if (!key)
                return;  // cannot happen for a dictionary's value; leaks rather than loops
            plist_dict_remove_item(parent, key);
        }
        node = parent;
    }
}

// Whether a value reads back from its XML form as itself, so that what was written can stand
// for what the file holds: libplist cuts texts at a zero byte and dates to whole seconds.
bool survivesXml(const PropertyValue& value)
{
    struct Check {
        bool operator()(const std::string& text) const { return text.find('\0') == std::string::npos; }
        bool operator()(std::int64_t) const { return true; }
        bool operator()(bool) const { return true; }
        bool operator()(double number) const { return std::isfinite(number); }
        bool operator()(const PropertyData&) const { return true; }
        bool operator()(const PropertyDate& date) const { return date.microseconds == 0; }
        bool operator()(const PropertyArray& array) const
        {
            return std::all_of(array.begin(), array.end(), survivesXml);
        }
        bool operator()(const PropertyDictionary& dictionary) const
        {
            return std::all_of(dictionary.begin(), dictionary.end(),
                               [this](const auto& entry) { return (*this)(entry.first) && survivesXml(entry.second); });
        }
    };
    return std::visit(Check{}, value.value);
}

// --- Files ---

// What identifies one version of a file: another write, even by another program, changes it
// (a rename brings another inode, a write in place another time of change).
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    bool operator==(const FileState&) const = default;
};

FileState stateOf(const struct stat& info)
{
    auto ns = [](const timespec& t) { return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {info.st_dev, info.st_ino, info.st_size, ns(info.st_mtim), ns(info.st_ctim), info.st_mode, info.st_uid};
}

// Whether a file is a private (0600) regular file of this user, as the writer leaves it.
bool isPrivateFile(const FileState& state)
{
    return S_ISREG(state.mode) && state.owner == geteuid() && (state.mode & 07777) == 0600;
}

// A domain file as last read or written by this process, while the file is still that version.
struct KnownFile {
    FileState state;
    PropertyDictionary domain;
};

// What this process knows of each domain file, by path: a read that finds the file unchanged
// needs neither the file's bytes nor the parser, and a write of an unchanged domain nothing.
std::map<std::string, KnownFile>& knownFiles()
{
    static std::map<std::string, KnownFile> files;
    return files;
}

// The known domain of a file in the given state, or nullptr.
const PropertyDictionary* knownDomain(const std::string& path, const FileState& state)
{
    auto known = knownFiles().find(path);
    return known != knownFiles().end() && known->second.state == state ? &known->second.domain : nullptr;
}

// Whether the file at path is, unchanged, a private file that this process knows to hold the
// domain.
bool holdsKnownDomain(const std::string& path, const PropertyDictionary& domain)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !isPrivateFile(stateOf(info)))
        return false;
    const PropertyDictionary* known = knownDomain(path, stateOf(info));
    return known && *known == domain;
}

// Remembers what the file at path holds now that the domain was written there.
void rememberWritten(const std::string& path, const PropertyDictionary& domain)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && survivesXml(PropertyValue{domain}))
        knownFiles()[path] = {stateOf(info), domain};
    else
        knownFiles().erase(path);
}

// Whether dir is a folder of this user: the writer writes only there, and the reader reads only
// there, so a file planted by another user in a folder of theirs is never taken as a domain.
bool isFolderOfUser(const std::string& dir)
{
    struct stat info {};
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

// The result of reading a domain file: its bytes, or why there are none.
struct DomainFile {
    enum class Outcome { Read, Missing, Refused } outcome = Outcome::Refused;
    FileState state;
    std::string bytes;
};

// Opens the domain file at path under the writer's rules (a regular file of this user in a
// folder of this user, not a link, at most maxBytes long) and reads it, unless the process
// already knows that version and alwaysRead is false (then `bytes` stays empty).
DomainFile readDomainFile(const std::string& dir, const std::string& path, std::size_t maxBytes,
                          bool alwaysRead = false)
{
    DomainFile file;
    if (!isFolderOfUser(dir))
        return file;
    // Non-blocking, so that a pipe put where the file belongs cannot stall the dialog.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (!fd) {
        if (errno == ENOENT)
            file.outcome = DomainFile::Outcome::Missing;
        return file;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
        static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        return file;
    file.state = stateOf(info);
    if (!alwaysRead && knownDomain(path, file.state)) {
        file.outcome = DomainFile::Outcome::Read;
        return file;
    }
    if (!readAll(fd.get(), maxBytes, file.bytes))
        return file;
    file.outcome = DomainFile::Outcome::Read;
    return file;
}

// Whether dir is a folder of this user with mode 0700, as the writer leaves it.
bool isPrivateFolderOfUser(const std::string& dir)
{
    struct stat info {};
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 07777) == 0700;
}

// The preferences folder lies under the user's own home: a link to a folder of theirs will do
// (a dotfiles setup), and on a fresh account its parents are made with it.
constexpr PrivateDirectoryOptions kPreferencesDirectoryOptions{.acceptLinkToOwnFolder = true,
                                                               .makeMissingParents = true};

// Writes all bytes to a new file of mode 0600 and flushes them to the disk.
bool writeNewFile(const std::string& path, const std::string& bytes)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return false;
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd || fchmod(fd.get(), 0600) != 0)
        return false;
    return writeAll(fd.get(), bytes) && fsync(fd.get()) == 0 && fd.close();
}

// Flushes a folder's entries, so that a rename in it survives a power loss. File systems that
// cannot flush folders still have the rename; that is not a failure.
void syncDirectory(const std::string& dir)
{
    FileDescriptor fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        fsync(fd.get());
}

// Moves the damaged file at path aside as PATH.corrupt; those set aside before move one
// number on (PATH.corrupt.1, PATH.corrupt.2, ...), and the oldest beyond the kept number goes.
bool setAsideDamagedFile(const std::string& path)
{
    const std::string aside = path + ".corrupt";
    auto numbered = [&aside](int n) { return n == 0 ? aside : aside + "." + std::to_string(n); };
    if (::unlink(numbered(kKeptDamagedFiles - 1).c_str()) != 0 && errno != ENOENT)
        return false;
    for (int n = kKeptDamagedFiles - 2; n >= 0; --n)
        if (::rename(numbered(n).c_str(), numbered(n + 1).c_str()) != 0 && errno != ENOENT)
            return false;
    return ::rename(path.c_str(), aside.c_str()) == 0;
}

// Sets an existing domain file aside when it does not read as a domain, so that the user's data
// is kept rather than overwritten; false when that fails.
bool setAsideUnreadableFile(const std::string& dir, const std::string& path, std::size_t maxBytes)
{
    const DomainFile file = readDomainFile(dir, path, maxBytes, true);
    if (file.outcome == DomainFile::Outcome::Missing ||
        (file.outcome == DomainFile::Outcome::Read && propertyListFromBytes(file.bytes)))
        return true;
    return setAsideDamagedFile(path);
}

// Whether the file at path is a private (0600) regular file of this user that holds exactly
// the bytes.
bool holdsExactly(const std::string& path, const std::string& bytes)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {};
    if (!fd || fstat(fd.get(), &info) != 0 || !isPrivateFile(stateOf(info)) ||
        static_cast<std::size_t>(info.st_size) != bytes.size())
        return false;
    std::string stored;
    return readAll(fd.get(), bytes.size(), stored) && stored == bytes;
}

#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
// A domain file kept in memory, and what it holds when that is known, as for a file on disk.
struct MemoryFile {
    std::string bytes;
    std::optional<PropertyDictionary> known;
};

// The domain files of fuzz targets, by domain name, when the defaults keep them in memory.
struct MemoryFiles {
    bool active = false;
    std::map<std::string, MemoryFile> files;
};

MemoryFiles& memoryFiles()
{
    static MemoryFiles memory;
    return memory;
}
#endif

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
    if (bytes.empty() || bytes.size() > kMaxDomainBytes)
        return std::nullopt;
    plist_t root = nullptr;
    if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
        if (!isBoundedBinaryPlist(bytes))
            return std::nullopt;
        plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    } else {
        // libplist reads XML without recursion; what it built is measured before anything
        // recursive touches it.
        plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    }
    if (!root)
        return std::nullopt;
    if (nestingDepth(root, kMaxDomainDepth) > kMaxDomainDepth) {
        freeDeepTree(root);
        return std::nullopt;
    }
    PlistPtr owner(root);
    if (plist_get_node_type(root) != PLIST_DICT)
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

UserDefaults::UserDefaults(std::string directory, std::size_t maxDomainBytes)
    : directory_(std::move(directory)), maxDomainBytes_(std::min(maxDomainBytes, kMaxDomainBytes))
{
}

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
    std::optional<PropertyDictionary> domain = readStoredDomain(domainName);
    cached_[domainName] = domain;
    return domain;
}

std::optional<PropertyDictionary> UserDefaults::readStoredDomain(const std::string& domainName) const
{
#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
    if (inMemory_)
        return readMemoryDomain(domainName);
#endif
    const std::string path = pathOfDomain(domainName);
    const DomainFile file = readDomainFile(directory_, path, maxDomainBytes_);
    if (file.outcome != DomainFile::Outcome::Read)
        return std::nullopt;
    if (const PropertyDictionary* known = knownDomain(path, file.state); known && file.bytes.empty())
        return *known;
    auto domain = propertyListFromBytes(file.bytes);
    if (domain)
        knownFiles()[path] = {file.state, *domain};
    else
        knownFiles().erase(path);
    return domain;
}

void UserDefaults::setPersistentDomain(PropertyDictionary domain, const std::string& domainName)
{
    pending_[domainName] = std::move(domain);
}

bool UserDefaults::synchronize(std::string* error)
{
    bool allWritten = true;
    for (auto entry = pending_.begin(); entry != pending_.end();) {
        if (!writeStoredDomain(entry->first, entry->second, error)) {
            allWritten = false;
            ++entry;
            continue;
        }
        cached_[entry->first] = std::move(entry->second);
        entry = pending_.erase(entry);
    }
    return allWritten;
}

// The file form of a domain; nothing, with the reason, when it has none or would be larger
// than the reader takes (the stored domain then stays as it was).
std::optional<std::string> UserDefaults::fileFormOfDomain(const std::string& domainName,
                                                          const PropertyDictionary& domain, std::string* error) const
{
    std::string xml = xmlPropertyList(domain);
    if (xml.empty()) {
        fail(error, "the domain " + domainName + " has no property-list form");
        return std::nullopt;
    }
    if (xml.size() > maxDomainBytes_) {
        fail(error, "the domain " + domainName + " would take " + std::to_string(xml.size()) +
                        " bytes, more than the " + std::to_string(maxDomainBytes_) +
                        " a domain may hold; the stored one is kept");
        return std::nullopt;
    }
    return xml;
}

bool UserDefaults::writeStoredDomain(const std::string& domainName, const PropertyDictionary& domain,
                                     std::string* error)
{
#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
    if (inMemory_)
        return writeMemoryDomain(domainName, domain, error);
#endif
    const std::string path = pathOfDomain(domainName);
    // A known, private, unchanged file that holds this very domain needs no write; deciding
    // that before the lock changes nothing, as a writer that comes between would simply write
    // last.
    if (holdsKnownDomain(path, domain) && isPrivateFolderOfUser(directory_))
        return true;
    if (!makePrivateDirectory(directory_, kPreferencesDirectoryOptions))
        return fail(error, "the preferences folder " + directory_ + " is not a private folder of this user");
    const FileLock lock(path + ".lock");
    if (!lock)
        return fail(error, "the lock file " + path + ".lock cannot be locked");
    // Under the lock nobody else of ours writes the file: a known, private, unchanged file that
    // holds this very domain needs no write at all.
    struct stat info {};
    const bool exists = ::lstat(path.c_str(), &info) == 0;
    const PropertyDictionary* known = exists ? knownDomain(path, stateOf(info)) : nullptr;
    if (known && *known == domain && isPrivateFile(stateOf(info)))
        return true;

    const std::optional<std::string> form = fileFormOfDomain(domainName, domain, error);
    if (!form)
        return false;
    const std::string& xml = *form;
    // Rewriting the very same bytes changes nothing but costs two flushes to the disk.
    if (exists && !known && holdsExactly(path, xml)) {
        rememberWritten(path, domain);
        return true;
    }
    if (exists && !known && !setAsideUnreadableFile(directory_, path, maxDomainBytes_))
        return fail(error, "the damaged file " + path + " cannot be set aside");
    const std::string temporary = path + ".tmp";
    if (!writeNewFile(temporary, xml) || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        knownFiles().erase(path);
        return fail(error, "the file " + path + " cannot be written");
    }
    syncDirectory(directory_);
    rememberWritten(path, domain);
    return true;
}

std::optional<UserDefaults> standardUserDefaults(std::string_view product)
{
#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
    if (memoryFiles().active) {
        UserDefaults defaults{std::string()};
        defaults.inMemory_ = true;
        return defaults;
    }
#endif
    auto config = absoluteFolderFromEnvironment("XDG_CONFIG_HOME");
    if (!config) {
        auto home = absoluteFolderFromEnvironment("HOME");
        if (!home)
            return std::nullopt;
        config = (*home == "/" ? "" : *home) + "/.config";
    }
    return UserDefaults((*config == "/" ? "" : *config) + "/" + std::string(product));
}

#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
std::optional<PropertyDictionary> UserDefaults::readMemoryDomain(const std::string& domainName) const
{
    auto file = memoryFiles().files.find(domainName);
    if (file == memoryFiles().files.end() || file->second.bytes.size() > maxDomainBytes_)
        return std::nullopt;
    if (!file->second.known)
        file->second.known = propertyListFromBytes(file->second.bytes);
    return file->second.known;
}

bool UserDefaults::writeMemoryDomain(const std::string& domainName, const PropertyDictionary& domain,
                                     std::string* error)
{
    MemoryFile& file = memoryFiles().files[domainName];
    if (file.known && *file.known == domain)
        return true;
    std::optional<std::string> form = fileFormOfDomain(domainName, domain, error);
    if (!form)
        return false;
    file.bytes = std::move(*form);
    file.known.reset();
    if (survivesXml(PropertyValue{domain}))
        file.known = domain;
    return true;
}

void keepUserDefaultsInMemory()
{
    memoryFiles().active = true;
}

void setDomainFileInMemory(const std::string& domainName, std::string bytes)
{
    memoryFiles().files[domainName] = MemoryFile{std::move(bytes), std::nullopt};
}
#endif

}  // namespace platform
