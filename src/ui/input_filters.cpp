#include "ui/input_filters.h"

#include <algorithm>

namespace {

// Whether a UTF-16 unit is the first half of a character outside the basic plane.
bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The length of the first `limit` code units of text, one less when that would cut a
// surrogate pair in two: a field must never be left holding half a character.
std::size_t shortenedLength(const std::u16string& text, std::int64_t limit)
{
    std::size_t length = limit <= 0 ? 0 : std::min(text.size(), static_cast<std::size_t>(limit));
    if (length > 0 && length < text.size() && isHighSurrogate(text[length - 1]))
        --length;
    return length;
}

// Whether a UTF-16 unit is one of "0" to "9".
bool isDecimalDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

}  // namespace

// Stores the text itself as the value; never fails.
bool LimitedLengthFilter::getObjectValue(std::string& value, const std::string& text) const
{
    value = text;
    return true;
}

// A caret beyond the limit shortens the text to the limit and selects all of it; otherwise an
// insertion is taken while the text before the edit was shorter than the limit. Deletions are
// always taken. Only the first inserted character is tested for being a digit.
bool LimitedLengthFilter::checkPartialEdit(std::u16string& proposed, platform::TextRange& proposedSelection,
                                           const std::u16string& original, platform::TextRange originalSelection,
                                           bool digitsOnly) const
{
    const std::size_t caret = proposedSelection.location;
    if (static_cast<std::int64_t>(caret) > maxValue) {
        proposed.resize(shortenedLength(proposed, maxValue));
        proposedSelection = {0, proposed.size()};
        return false;
    }
    const std::size_t insertedFrom = originalSelection.location;
    if (caret <= insertedFrom)
        return true;
    if (digitsOnly && (insertedFrom >= proposed.size() || !isDecimalDigit(proposed[insertedFrom])))
        return false;
    return static_cast<std::int64_t>(original.size()) < maxValue;
}

// Checks an edit of a digits-only field.
bool MyIntegerNumberFilter::isPartialStringValid(std::u16string& proposed, platform::TextRange& proposedSelection,
                                                 const std::u16string& original, platform::TextRange originalSelection)
{
    return checkPartialEdit(proposed, proposedSelection, original, originalSelection, true);
}

// Checks an edit of a free-text field.
bool MyRomanFilter::isPartialStringValid(std::u16string& proposed, platform::TextRange& proposedSelection,
                                         const std::u16string& original, platform::TextRange originalSelection)
{
    return checkPartialEdit(proposed, proposedSelection, original, originalSelection, false);
}

// Takes every edit.
bool LoginnameInputFilter::isPartialStringValid(std::u16string& /*proposed*/,
                                                platform::TextRange& /*proposedSelection*/,
                                                const std::u16string& /*original*/,
                                                platform::TextRange /*originalSelection*/)
{
    return true;
}

// Stores the text itself as the value; never fails.
bool LoginnameInputFilter::getObjectValue(std::string& value, const std::string& text) const
{
    value = text;
    return true;
}
