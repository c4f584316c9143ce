// Fuzz target: the conversions between the panel's UTF-8 texts and the bytes it stores, over
// arbitrary (also malformed) text, in every encoding the panel knows and one it does not.
//
// Input: byte 0 picks the encoding, bytes 1 and 2 the character and byte limits, byte 3 the
// treatment of unrepresentable characters; the rest is the text.
#include "fuzz_check.h"
#include "platform/encoding.h"
#include "settings/text_bytes.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using platform::StringEncoding;

constexpr StringEncoding kEncodings[] = {
    platform::kASCIIStringEncoding,
    platform::kJapaneseEUCStringEncoding,
    platform::kUTF8StringEncoding,
    platform::kISOLatin1StringEncoding,
    platform::kShiftJISStringEncoding,
    platform::kWindowsLatin1StringEncoding,
    platform::kMacOSRomanStringEncoding,
    platform::kMacJapaneseStringEncoding,
    platform::kMacChineseTradStringEncoding,
    platform::kMacKoreanStringEncoding,
    platform::kMacChineseSimpStringEncoding,
    platform::kGB18030StringEncoding,
    platform::kEUCKRStringEncoding,
    platform::kBig5StringEncoding,
    0x7fff,  // a number no encoding has
};

constexpr korvane::settings::TextRule kRules[] = {
    korvane::settings::kPINRule,
    korvane::settings::kLoginNameRule,
    korvane::settings::kLoginNameSecondFormRule,
    korvane::settings::kPasswordRule,
    korvane::settings::kUserNumberRule,
    korvane::settings::kAccountNumberRule,
    korvane::settings::kJobIdentityRule,
    korvane::settings::kJobIdentitySecondFormRule,
    korvane::settings::kFolderPasswordRule,
};

// Whether the encoding maps every text it can represent one to one, so that bytes made from a
// text decode to that very text.
bool roundTrips(StringEncoding encoding)
{
    return encoding == platform::kUTF8StringEncoding || encoding == platform::kASCIIStringEncoding ||
           encoding == platform::kISOLatin1StringEncoding;
}

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isUTF8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            value = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            value = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            value = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = value << 6 | (next & 0x3F);
        }
        if ((length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
            (length == 4 && (value < 0x10000 || value > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

// The bounded conversion stays within both limits and never claims more characters than the
// text has.
void checkGetBytes(std::string_view text, StringEncoding encoding, std::size_t maxCharacters, std::size_t maxBytes,
                   platform::Unrepresentable policy)
{
    const platform::ConvertedBytes converted = platform::getBytes(text, encoding, maxCharacters, maxBytes, policy);
    FUZZ_CHECK(converted.bytes.size() <= maxBytes);
    FUZZ_CHECK(converted.charactersConverted <= maxCharacters);
    FUZZ_CHECK(converted.charactersConverted <= platform::utf16Length(text));
    if (!platform::iconvNameOfEncoding(encoding))
        FUZZ_CHECK(converted.bytes.empty() && converted.charactersConverted == 0);
}

// The whole-or-nothing conversion gives bytes within the limit and without a zero inside; in
// a one-to-one encoding they decode to the text itself.
void checkGetCString(std::string_view text, StringEncoding encoding, std::size_t maxBytes)
{
    const std::optional<std::string> whole = platform::getCString(text, encoding, maxBytes);
    if (!whole)
        return;
    FUZZ_CHECK(whole->size() <= maxBytes);
    FUZZ_CHECK(whole->find('\0') == std::string::npos);
    if (roundTrips(encoding) && isUTF8(text))
        FUZZ_CHECK(platform::decodeBytes(*whole, encoding) == std::optional<std::string>(text));
}

// Decoding stored bytes never yields malformed UTF-8, which the toolkit would garble.
void checkDecodeBytes(std::string_view bytes, StringEncoding encoding)
{
    const std::optional<std::string> decoded = platform::decodeBytes(bytes, encoding);
    if (decoded)
        FUZZ_CHECK(isUTF8(*decoded));
}

// Every rule of the writer fills its 256-byte buffer within the rule's limit and leaves it
// terminated; the folder name's rule is whole or nothing.
void checkRules(std::string_view text, StringEncoding encoding)
{
    for (const auto& rule : kRules) {
        korvane::settings::TextBytes out;
        korvane::settings::convertText(text, encoding, rule, out);
        FUZZ_CHECK(out.count <= rule.maxBytes && out.count < sizeof out.bytes);
        FUZZ_CHECK(out.bytes[out.count] == 0);
        FUZZ_CHECK(out.textLength() <= out.count);
    }
    korvane::settings::TextBytes whole;
    if (korvane::settings::convertWholeText(text, encoding, whole)) {
        FUZZ_CHECK(whole.count <= korvane::settings::kMaxFolderNameBytes);
        FUZZ_CHECK(whole.textLength() == whole.count);
    } else {
        FUZZ_CHECK(whole.count == 0 && whole.isEmptyText());
    }
}

// Zero-filling a number never writes past the destination and keeps it terminated.
void checkPadNumber(const std::string& text, std::size_t destSize)
{
    std::string dest(destSize, '\x55');
    const bool fits = korvane::settings::padNumber(text.c_str(), dest.data(), destSize);
    if (destSize == 0) {
        FUZZ_CHECK(!fits);
        return;
    }
    const std::size_t length = strnlen(dest.data(), destSize);
    FUZZ_CHECK(length < destSize);
    const std::size_t textLength = std::strlen(text.c_str());
    if (fits)
        FUZZ_CHECK(length == (textLength >= 1 && textLength <= 4 ? 5 : textLength));
    else
        FUZZ_CHECK(length == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const StringEncoding encoding = kEncodings[data[0] % std::size(kEncodings)];
    const std::size_t maxCharacters = data[1] == 0xFF ? std::string_view::npos : data[1];
    const std::size_t maxBytes = data[2];
    const auto policy =
        data[3] & 1 ? platform::Unrepresentable::SubstituteSpace : platform::Unrepresentable::EndsConversion;
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);

    checkGetBytes(text, encoding, maxCharacters, maxBytes, policy);
    checkGetCString(text, encoding, maxBytes);
    checkDecodeBytes(text, encoding);
    checkRules(text, encoding);
    checkPadNumber(text, data[2] % 16);
    return 0;
}
