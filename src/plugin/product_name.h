// The product's name as its files and folders carry it: the preference folder
// (~/.config/korvane), the private temporary folder (korvane/ or korvane-UID/) and the
// translations (korvane_LANG.qm). The platform layer takes it from its callers.
#pragma once

namespace korvane {

inline constexpr const char* kProductName = "korvane";

}  // namespace korvane
