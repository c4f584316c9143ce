#include "platform/system.h"
#include "platform/private_file.h"

#include <plist/plist.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace platform {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// The temporary folder may sit in a shared /tmp: only a real folder of the user's will do, and
// only the folder itself is made.
constexpr PrivateDirectoryOptions kTemporaryDirectoryOptions{.acceptLinkToOwnFolder = false,
                                                             .makeMissingParents = false};

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Where the private temporary folder is, without the trailing "/".
std::string privateTemporaryDirectoryPath(std::string_view product)
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/" + std::string(product);
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/" + std::string(product) + "-" + std::to_string(geteuid());
}

}  // namespace

std::string systemVersionPlistPath()
{
    const char* path = std::getenv("KORVANE_SYSTEM_VERSION_PLIST");
    return path && *path ? path : "/System/Library/CoreServices/SystemVersion.plist";
}

std::optional<std::string> productVersionFromPlist(const std::string& path)
{
    auto bytes = readFile(path);
    if (!bytes || bytes->empty())
        return std::nullopt;
    plist_t root = nullptr;
    if (bytes->compare(0, 6, "bplist") == 0)
        plist_from_bin(bytes->data(), static_cast<uint32_t>(bytes->size()), &root);
    else
        plist_from_xml(bytes->data(), static_cast<uint32_t>(bytes->size()), &root);
    PlistPtr owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(root, "ProductVersion");
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    char* value = nullptr;
    plist_get_string_val(node, &value);
    if (!value)
        return std::nullopt;
    std::string version(value);
    free(value);
    return version;
}

std::optional<std::string> fullUserName()
{
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    std::string gecos = found->pw_gecos ? found->pw_gecos : "";
    // The full name is the first of the GECOS field's comma-separated parts.
    gecos = gecos.substr(0, gecos.find(','));
    if (gecos.empty())
        return std::nullopt;
    return gecos;
}

std::optional<std::string> privateTemporaryDirectory(std::string_view product, std::string* error)
{
    const std::string dir = privateTemporaryDirectoryPath(product);
    if (!makePrivateDirectory(dir, kTemporaryDirectoryOptions, error))
        return std::nullopt;
    return dir + "/";
}

}  // namespace platform
