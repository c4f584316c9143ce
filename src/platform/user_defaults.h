// The user's defaults: named persistent domains of property-list values, one XML property
// list per domain at ${XDG_CONFIG_HOME:-$HOME/.config}/korvane/D.plist.
//
// A domain is read and replaced whole. Writes are atomic (a temporary file in the same folder,
// flushed and renamed over the old one) and serialised between processes by a lock file beside
// the domain, so a crash or a second writer never leaves a torn file. The folder is private to
// the user (0700) and so is each file (0600), since domains hold encrypted secrets. A file that
// does not parse counts as a missing domain and is set aside as D.plist.corrupt before it is
// replaced.
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
    std::variant<std::string, std::int64_t, bool, double, PropertyData, PropertyDate, PropertyArray,
                 PropertyDictionary>
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

// The defaults of the user running the dialog. A plain value: it caches the domains it has read
// and holds the domains set on it until synchronize writes them.
class UserDefaults {
public:
    // Defaults kept in the given folder.
    explicit UserDefaults(std::string directory);

    // Drops every cached domain, so the next read sees what is stored now, also what another
    // program wrote. Domains set but not yet synchronized are kept.
    void resetStandardUserDefaults();

    // The whole named domain: the one set on this object, else the stored one; nothing when it
    // is missing, unreadable, does not parse, or is not a dictionary.
    std::optional<PropertyDictionary> persistentDomainForName(const std::string& domainName);

    // Replaces the whole named domain; stored by the next synchronize.
    void setPersistentDomain(const PropertyDictionary& domain, const std::string& domainName);

    // Writes every domain set since the last synchronize to storage now; true when all of them
    // were written (also when there was nothing to write).
    bool synchronize();

    const std::string& directory() const { return directory_; }
    // The file that holds the named domain.
    std::string pathOfDomain(const std::string& domainName) const;

private:
    std::string directory_;
    std::map<std::string, std::optional<PropertyDictionary>> cached_;
    std::map<std::string, PropertyDictionary> pending_;
};

// The product's defaults for the user in ${XDG_CONFIG_HOME:-$HOME/.config}/PRODUCT (a
// relative XDG_CONFIG_HOME is ignored); nothing when neither names an absolute folder.
std::optional<UserDefaults> standardUserDefaults(std::string_view product);

// Reads a property list's XML (or binary) form; nothing when it does not parse or its root is
// not a dictionary.
std::optional<PropertyDictionary> propertyListFromBytes(const std::string& bytes);

// The XML form of a dictionary as a property list.
std::string xmlPropertyList(const PropertyDictionary& dictionary);

}  // namespace platform
