// The text-formatter contract of edit fields: after every edit the field asks its formatter
// whether the proposed text may stand.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// A selection in a text, counted in UTF-16 code units.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;
};

class Formatter {
public:
    virtual ~Formatter() = default;

    // Answers whether the edit that turned original (with originalSelection) into proposed
    // (with proposedSelection) is accepted. On a refusal the field keeps the original text and
    // selection, unless the formatter replaced proposed and proposedSelection: then the field
    // shows the replacement with that selection.
    virtual bool isPartialStringValid(std::u16string& proposed, TextRange& proposedSelection,
                                      const std::u16string& original, TextRange originalSelection) = 0;
};

}  // namespace platform
