// One custom folder of the printer, as its folder service lists it.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct FolderEntry {
    std::optional<std::string> name;  // absent when the printer named none
    bool password = false;            // the folder takes a folder password
    bool dir = false;
    bool add = false;  // always false for folders that come from the printer

    bool operator==(const FolderEntry&) const = default;
};

using FolderList = std::vector<FolderEntry>;
