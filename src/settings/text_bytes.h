// How the writer turns the texts of the controls into the bytes it stores: one bounded rule per
// setting, the whole-or-nothing rule of the folder name, and the zero-padding of numbers.
#pragma once

#include "platform/encoding.h"

#include <cstddef>
#include <string_view>

namespace korvane::settings {

// One setting's conversion: at most maxCharacters characters into at most maxBytes bytes; an
// unrepresentable character ends the conversion or becomes a space. With secondTryInMacJapanese,
// a text of which not a single character converted is tried again in Mac Japanese with spaces
// for what it cannot represent, so a Japanese name typed on another system still arrives.
struct TextRule {
    std::size_t maxCharacters;
    std::size_t maxBytes;
    platform::Unrepresentable unrepresentable;
    bool secondTryInMacJapanese;
};

using platform::Unrepresentable;
inline constexpr TextRule kPINRule{8, 8, Unrepresentable::EndsConversion, false};
inline constexpr TextRule kLoginNameRule{255, 255, Unrepresentable::EndsConversion, true};
inline constexpr TextRule kLoginNameSecondFormRule{255, 255, Unrepresentable::SubstituteSpace, false};
inline constexpr TextRule kPasswordRule{32, 32, Unrepresentable::SubstituteSpace, false};
inline constexpr TextRule kUserNumberRule{8, 8, Unrepresentable::EndsConversion, false};
inline constexpr TextRule kAccountNumberRule{8, 5, Unrepresentable::EndsConversion, false};
inline constexpr TextRule kJobIdentityRule{32, 32, Unrepresentable::EndsConversion, true};
inline constexpr TextRule kJobIdentitySecondFormRule{32, 32, Unrepresentable::SubstituteSpace, false};
inline constexpr TextRule kFolderPasswordRule{8, 8, Unrepresentable::EndsConversion, false};

// The longest folder name, in bytes, that the job's later stages take.
inline constexpr std::size_t kMaxFolderNameBytes = 255;

// One converted text in a cleared 256-byte buffer: a zero byte always follows the count bytes,
// so the buffer also serves as a zero-terminated text.
struct TextBytes {
    unsigned char bytes[256] = {};
    std::size_t count = 0;

    const char* c_str() const { return reinterpret_cast<const char*>(bytes); }
    // The length as a zero-terminated text: up to the first zero byte.
    std::size_t textLength() const;
    bool isEmptyText() const { return bytes[0] == 0; }
};

// Converts text by rule into out, which is cleared first; an unknown encoding gives no bytes.
void convertText(std::string_view text, platform::StringEncoding encoding, const TextRule& rule, TextBytes& out);

// Converts the whole text into out as a zero-terminated text of at most 255 bytes; false, with
// out cleared, when a character is unrepresentable or the bytes do not fit.
bool convertWholeText(std::string_view text, platform::StringEncoding encoding, TextBytes& out);

// Writes a numeric text of 1 to 4 bytes with zeros in front to make 5 characters into dest,
// which holds destSize bytes; a text of 5 or more bytes, or an empty one, goes unchanged.
// Returns false, with dest emptied, when the result does not fit.
bool padNumber(const char* text, char* dest, std::size_t destSize);

}  // namespace korvane::settings

// Whether the second forms of the texts are written in Windows Latin 1: YES unless the system
// is a Japanese, Chinese or Korean one, whose later stages read the system encoding.
bool encodingWindowsLatin1();
