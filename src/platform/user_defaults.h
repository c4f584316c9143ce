// The user's defaults: named persistent domains of property-list values, one XML property
// list per domain at ${XDG_CONFIG_HOME:-$HOME/.config}/korvane/D.plist.
//
// A domain is read and replaced whole. Writes are atomic (a temporary file in the same folder,
// flushed and renamed over the old one) and serialised between processes by a lock file beside
// the domain, so a crash or a second writer never leaves a torn file. The folder is private to
// the user (0700) and so is each file (0600), since domains hold encrypted secrets; the reader
// applies the writer's rules and reads no file of another user, no link, nothing outside a
// folder of the user. A file that does not parse (also one nested too deeply or too large)
// counts as a missing domain and is set aside as D.plist.corrupt before it is replaced; the
// copies set aside before it move on to D.plist.corrupt.1 to .4.
//
// The process remembers each domain file it read or wrote together with the file's identity
// (inode, size, times, mode, owner): a read of an unchanged file costs one stat, a write of an
// unchanged domain nothing, and a write by another program is still seen.
//
// Not QSettings: it merges key by key at a sync of its own choosing instead of replacing a
// whole domain when told, writes with the umask's mode, follows links, reads a file of any size
// or owner, and reads a damaged file as an empty one without setting it aside.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

struct PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyDictionary = std::map<std::string, PropertyValue>;

// Raw bytes of a <data> value.
struct PropertyData {
    std::vector<unsigned char> bytes;
    bool operator==(const PropertyData&) const = default;
};

// A <date> value: seconds and microseconds since 2001-01-01 00:00:00 UTC (the XML form keeps
// whole seconds only).
struct PropertyDate {
    std::int32_t seconds = 0;
    std::int32_t microseconds = 0;
    bool operator==(const PropertyDate&) const = default;
};

// One property-list value. The store itself uses dictionaries, arrays, strings, integers and
// booleans; reals, dates and data are kept only so that values other programs put into a
// domain survive a rewrite.
struct PropertyValue {
    std::variant<std::string, std::int64_t, bool, double, PropertyData, PropertyDate, PropertyArray, PropertyDictionary>
        value;

    bool operator==(const PropertyValue&) const = default;

    // The value as the asked-for type, or nullptr when it has another type.
    const std::string* string() const { return std::get_if<std::string>(&value); }
    const std::int64_t* integer() const { return std::get_if<std::int64_t>(&value); }
    const bool* boolean() const { return std::get_if<bool>(&value); }
    const PropertyArray* array() const { return std::get_if<PropertyArray>(&value); }
    const PropertyDictionary* dictionary() const { return std::get_if<PropertyDictionary>(&value); }
};

// The file name that stands for a domain inside the preferences folder, without ".plist":
// letters, digits, "-", "_" and inner dots stay; every other byte (a "/", a leading dot, a NUL,
// "%") becomes "%XX". Names whose form would be too long for a file name are cut and completed
// by a digest of the whole name. Distinct names give distinct files, and none leaves the folder.
std::string fileNameOfDomain(const std::string& domainName);

// The largest domain file the store reads, and so the largest it writes.
inline constexpr std::size_t kMaxDomainBytes = 64 * 1024 * 1024;

// The defaults of the user running the dialog. A plain value: it caches the domains it has read
// and holds the domains set on it until synchronize writes them.
class UserDefaults {
public:
    // Defaults kept in the given folder, with domain files of at most maxDomainBytes (never
    // more than kMaxDomainBytes).
    explicit UserDefaults(std::string directory, std::size_t maxDomainBytes = kMaxDomainBytes);

    // Drops every cached domain, so the next read sees what is stored now, also what another
    // program wrote. Domains set but not yet synchronized are kept.
    void resetStandardUserDefaults();

    // The whole named domain: the one set on this object, else the stored one; nothing when it
    // is missing, unreadable, does not parse, or is not a dictionary.
    std::optional<PropertyDictionary> persistentDomainForName(const std::string& domainName);

    // Replaces the whole named domain; stored by the next synchronize.
    void setPersistentDomain(PropertyDictionary domain, const std::string& domainName);

    // Writes every domain set since the last synchronize to storage now; true when all of them
    // were written (also when there was nothing to write), else false, and error (when given)
    // says why a domain was not written. A domain whose file would exceed the size limit is not
    // written, and the stored one stays.
    bool synchronize(std::string* error = nullptr);

    const std::string& directory() const { return directory_; }
    // The file that holds the named domain.
    std::string pathOfDomain(const std::string& domainName) const;

private:
    std::optional<PropertyDictionary> readStoredDomain(const std::string& domainName) const;
    bool writeStoredDomain(const std::string& domainName, const PropertyDictionary& domain, std::string* error);
    std::optional<std::string> fileFormOfDomain(const std::string& domainName, const PropertyDictionary& domain,
                                                std::string* error) const;
#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
    std::optional<PropertyDictionary> readMemoryDomain(const std::string& domainName) const;
    bool writeMemoryDomain(const std::string& domainName, const PropertyDictionary& domain, std::string* error);
    bool inMemory_ = false;
#endif

    std::string directory_;
    std::size_t maxDomainBytes_;
    std::map<std::string, std::optional<PropertyDictionary>> cached_;
    std::map<std::string, PropertyDictionary> pending_;
    friend std::optional<UserDefaults> standardUserDefaults(std::string_view product);
};

// The product's defaults for the user in ${XDG_CONFIG_HOME:-$HOME/.config}/PRODUCT (a
// relative XDG_CONFIG_HOME is ignored); nothing when neither names an absolute folder.
std::optional<UserDefaults> standardUserDefaults(std::string_view product);

#ifdef KORVANE_FUZZ_MEMORY_DEFAULTS
// For fuzz targets, and built only for them: the defaults made from here on keep each domain's
// file in memory, in the form it would have on disk and read through the same parser, instead
// of in the folder.
void keepUserDefaultsInMemory();
// Replaces the file of the named domain kept in memory.
void setDomainFileInMemory(const std::string& domainName, std::string bytes);
#endif

// Reads a property list's XML (or binary) form; nothing when it does not parse, its root is
// not a dictionary, or it is larger or nested more deeply than a domain may be.
std::optional<PropertyDictionary> propertyListFromBytes(const std::string& bytes);

// The XML form of a dictionary as a property list.
std::string xmlPropertyList(const PropertyDictionary& dictionary);

}  // namespace platform
