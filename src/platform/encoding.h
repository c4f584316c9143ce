// String encodings by the platform's encoding numbers, and conversions between them.
//
// Texts inside the panel are UTF-8 std::strings. Bytes in another encoding appear only at the
// edges: the PPD's strings, and the bytes the panel stores in the print settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The platform's string-encoding numbers, as stored in the panel's encoding fields.
using StringEncoding = std::uint64_t;
inline constexpr StringEncoding kASCIIStringEncoding = 1;
inline constexpr StringEncoding kJapaneseEUCStringEncoding = 3;
inline constexpr StringEncoding kUTF8StringEncoding = 4;
inline constexpr StringEncoding kISOLatin1StringEncoding = 5;
inline constexpr StringEncoding kShiftJISStringEncoding = 8;
inline constexpr StringEncoding kWindowsLatin1StringEncoding = 12;
inline constexpr StringEncoding kMacOSRomanStringEncoding = 30;
// The encodings of Japanese, Chinese and Korean 8-bit systems, numbered as the desktop
// platform numbers encodings that have no constant of their own (0x80000000 + its code).
inline constexpr StringEncoding kMacJapaneseStringEncoding = 0x80000001;
inline constexpr StringEncoding kMacChineseTradStringEncoding = 0x80000002;
inline constexpr StringEncoding kMacKoreanStringEncoding = 0x80000003;
inline constexpr StringEncoding kMacChineseSimpStringEncoding = 0x80000019;
inline constexpr StringEncoding kGB18030StringEncoding = 0x80000632;
inline constexpr StringEncoding kEUCKRStringEncoding = 0x80000940;
inline constexpr StringEncoding kBig5StringEncoding = 0x80000A03;

// The iconv name of an encoding number, or nullptr for an unknown number.
const char* iconvNameOfEncoding(StringEncoding encoding);

// Decodes bytes in the given encoding into UTF-8; nothing when a byte sequence is invalid
// there or the encoding is unknown.
std::optional<std::string> decodeBytes(std::string_view bytes, StringEncoding encoding);

// How the text-to-bytes conversion treats a character the target encoding cannot represent.
enum class Unrepresentable { EndsConversion, SubstituteSpace };

// The result of a bounded conversion: the bytes written and the characters they came from.
struct ConvertedBytes {
    std::string bytes;
    std::size_t charactersConverted = 0;
};

// Converts at most maxCharacters characters (UTF-16 code units, as the desktop counts them)
// of a UTF-8 text into the encoding, writing at most maxBytes bytes. Conversion ends before a
// character whose bytes would pass maxBytes; an unrepresentable character ends it or becomes
// one space. An unknown encoding converts nothing.
ConvertedBytes getBytes(std::string_view text, StringEncoding encoding, std::size_t maxCharacters, std::size_t maxBytes,
                        Unrepresentable policy);

// Converts the whole text, or nothing: the bytes when every character is representable and
// they fit in maxBytes (the terminating zero not counted).
std::optional<std::string> getCString(std::string_view text, StringEncoding encoding, std::size_t maxBytes);

// The number of UTF-16 code units of a UTF-8 text.
std::size_t utf16Length(std::string_view text);

// The system's default 8-bit encoding, from the codeset of the locale named by LC_ALL,
// LC_CTYPE or LANG (read afresh on each call, so tests choose it through the environment).
// The C locale and unknown codesets count as UTF-8, as they do for Qt.
StringEncoding systemEncoding();

// True when the user's locale is a Japanese, Chinese or Korean one: its language is ja, zh or
// ko, or its codeset is one of their encodings.
bool isCJKSystem();

}  // namespace platform
