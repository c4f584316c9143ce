// Comparing texts as a user reads them.
#pragma once

#include <string_view>

namespace platform {

// Whether two UTF-8 texts are the same apart from letter case, by Unicode case folding (so
// "Ä" matches "ä" and "Σ" matches "σ", not only ASCII letters).
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
