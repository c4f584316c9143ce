#include "settings/job_forms.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/md5.h"
#include "settings/print_settings_setters.h"

#include <cstdio>
#include <cstring>

namespace korvane::settings {

namespace {

constexpr std::size_t kDigestInputSize = 128;
constexpr std::size_t kDigestSize = 33;
constexpr std::size_t kPaddedSize = 16;
constexpr std::size_t kBlockSize = 16;
constexpr std::size_t kResultSize = 512;  // AES blocks and their Base64 text

// A text's byte count rounded up to whole AES blocks: what its encryption fills.
std::size_t roundedLength(std::size_t count)
{
    return (count + kBlockSize - 1) / kBlockSize * kBlockSize;
}

}  // namespace

std::string digestOfTexts(std::string_view first, std::string_view second)
{
    char input[kDigestInputSize];
    const int written = std::snprintf(input, sizeof input, "%.*s%.*s", static_cast<int>(first.size()), first.data(),
                                      static_cast<int>(second.size()), second.data());
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof input)
        return {};
    char digest[kDigestSize] = {};
    calcMD5(digest, input);
    return digest;
}

std::string pinDigest(const TextBytes& pin, const char* spoolTime)
{
    char padded[kPaddedSize];
    if (pin.isEmptyText() || !spoolTime || !padNumber(pin.c_str(), padded, sizeof padded))
        return {};
    return digestOfTexts(padded, spoolTime);
}

std::string folderPasswordDigest(const TextBytes& password, const char* spoolTime)
{
    char padded[kPaddedSize];
    if (password.isEmptyText() || !spoolTime || !padNumber(password.c_str(), padded, sizeof padded))
        return {};
    return digestOfTexts(spoolTime, padded);
}

std::string spoolKeyBase64(const TextBytes& text, const char* spoolTime)
{
    if (text.isEmptyText() || !spoolTime || std::strlen(spoolTime) < kBlockSize)
        return {};
    unsigned char blocks[kResultSize] = {};
    my_aes_encrypt2(text.bytes, spoolTime, blocks, static_cast<int>(sizeof blocks));
    char base64[kResultSize] = {};
    Base64encode(base64, blocks, static_cast<int>(roundedLength(text.textLength())));
    return base64;
}

bool convertFolderName(std::string_view name, platform::StringEncoding encoding, TextBytes& out)
{
    return convertWholeText(name, encoding, out) || convertWholeText(name, platform::kMacJapaneseStringEncoding, out);
}

void convertSecondForm(const std::optional<std::string>& text, const TextRule& rule, TextBytes& form)
{
    if (text && encodingWindowsLatin1())
        convertText(*text, platform::kWindowsLatin1StringEncoding, rule, form);
}

void convertJobIdentitySecondForm(const std::optional<std::string>& text, TextBytes& form)
{
    convertSecondForm(text, kJobIdentitySecondFormRule, form);
    ReplaceSpaceCode(form.bytes, static_cast<int>(form.count));
}

}  // namespace korvane::settings
