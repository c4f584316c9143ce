// The formatters of the tab's edit fields: they limit what may be typed, pasted or dropped into a
// field, and pass the text through unchanged otherwise.
#pragma once

#include "platform/formatter.h"

#include <cstdint>
#include <string>

class LoginnameInputFilterCallback;

// What the two limiting filters share: the most characters a field takes, and a number format
// that is kept for whoever asks but changes nothing, as the values stay plain text.
class LimitedLengthFilter : public platform::Formatter {
public:
    // Stores the most characters (UTF-16 code units) the field takes.
    void SetmaxCharactersCount(std::int64_t count) { maxValue = count; }
    void setFormat(std::string format) { format_ = std::move(format); }
    const std::string& format() const { return format_; }

    // The text to show for a value, and the value of a text: both the text itself.
    std::string stringForObjectValue(const std::string& value) const { return value; }
    bool getObjectValue(std::string& value, const std::string& text) const;

    std::int64_t maxValue = 0;

protected:
    // The partial-edit check of both filters; digitsOnly adds the test of the first inserted
    // character.
    bool checkPartialEdit(std::u16string& proposed, platform::TextRange& proposedSelection,
                          const std::u16string& original, platform::TextRange originalSelection, bool digitsOnly) const;

private:
    std::string format_;
};

// Up to maxValue characters, where typing only takes decimal digits.
class MyIntegerNumberFilter : public LimitedLengthFilter {
public:
    bool isPartialStringValid(std::u16string& proposed, platform::TextRange& proposedSelection,
                              const std::u16string& original, platform::TextRange originalSelection) override;
};

// Up to maxValue characters of any kind.
class MyRomanFilter : public LimitedLengthFilter {
public:
    bool isPartialStringValid(std::u16string& proposed, platform::TextRange& proposedSelection,
                              const std::u16string& original, platform::TextRange originalSelection) override;
};

// Lets every edit through; it knows the panel that installed it, which it never calls.
class LoginnameInputFilter : public platform::Formatter {
public:
    void setCallback(LoginnameInputFilterCallback* context) { m_context = context; }

    bool isPartialStringValid(std::u16string& proposed, platform::TextRange& proposedSelection,
                              const std::u16string& original, platform::TextRange originalSelection) override;

    std::string stringForObjectValue(const std::string& value) const { return value; }
    bool getObjectValue(std::string& value, const std::string& text) const;

    LoginnameInputFilterCallback* m_context = nullptr;  // not owned
};
