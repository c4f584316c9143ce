// Facts about the system the panel runs on: its version, the user, the private temporary folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The system version property list; KORVANE_SYSTEM_VERSION_PLIST names another one (tests).
std::string systemVersionPlistPath();

// The "ProductVersion" string of a version property list, or nothing when the file or the
// key is missing or unreadable.
std::optional<std::string> productVersionFromPlist(const std::string& path);

// The full name of the user running the dialog (the password database's GECOS name), or
// nothing when it has none.
std::optional<std::string> fullUserName();

// The product's private temporary folder for the user, with a trailing "/":
// $XDG_RUNTIME_DIR/PRODUCT/, else ${TMPDIR:-/tmp}/PRODUCT-UID/. Created with mode 0700;
// nothing when it cannot be made or when it exists but is a link or belongs to another user,
// and error (when given) then says why as a sentence naming the folder.
std::optional<std::string> privateTemporaryDirectory(std::string_view product, std::string* error = nullptr);

}  // namespace platform
