#include "settings/text_bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace korvane::settings {

namespace {

// Copies bytes into the cleared buffer, never more than it holds before its final zero byte.
void storeBytes(const std::string& bytes, TextBytes& out)
{
    const std::size_t count = std::min(bytes.size(), sizeof out.bytes - 1);
    std::memcpy(out.bytes, bytes.data(), count);
    out.count = count;
}

}  // namespace

std::size_t TextBytes::textLength() const
{
    return strnlen(c_str(), sizeof bytes);
}

void convertText(std::string_view text, platform::StringEncoding encoding, const TextRule& rule, TextBytes& out)
{
    out = TextBytes{};
    const std::size_t maxBytes = std::min(rule.maxBytes, sizeof out.bytes - 1);
    platform::ConvertedBytes converted =
        platform::getBytes(text, encoding, rule.maxCharacters, maxBytes, rule.unrepresentable);
    if (converted.charactersConverted == 0 && rule.secondTryInMacJapanese)
        converted = platform::getBytes(text, platform::kMacJapaneseStringEncoding, rule.maxCharacters, maxBytes,
                                       platform::Unrepresentable::SubstituteSpace);
    storeBytes(converted.bytes, out);
}

bool convertWholeText(std::string_view text, platform::StringEncoding encoding, TextBytes& out)
{
    out = TextBytes{};
    const std::optional<std::string> converted = platform::getCString(text, encoding, kMaxFolderNameBytes);
    if (!converted || converted->size() > kMaxFolderNameBytes)
        return false;
    storeBytes(*converted, out);
    return true;
}

bool padNumber(const char* text, char* dest, std::size_t destSize)
{
    if (!dest || destSize == 0)
        return false;
    if (!text)
        text = "";
    static constexpr const char* kZeros[] = {"", "0000", "000", "00", "0"};
    const std::size_t length = std::strlen(text);
    const char* zeros = length >= 1 && length <= 4 ? kZeros[length] : "";
    const int written = std::snprintf(dest, destSize, "%s%s", zeros, text);
    if (written < 0 || static_cast<std::size_t>(written) >= destSize) {
        dest[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace korvane::settings

bool encodingWindowsLatin1()
{
    return !platform::isCJKSystem();
}
