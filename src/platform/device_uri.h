// Device URIs as the print system reads them.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The host part of a URI as the print system separates it (user and port dropped); nothing when
// the URI does not parse or names no host.
std::optional<std::string> hostOfURI(const std::string& uri);

}  // namespace platform
