// Decoding of the stored forms, in fixed buffers sized for the longest value the reader takes.
#include "settings/reader_decode.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace korvane::reader {

namespace {

constexpr std::size_t kBlockSize = 16;
// The cleared buffer every decryption writes into: room for the longest text's blocks and a
// zero byte after them.
constexpr std::size_t kPlainBufferSize = 511;
// Base64 of at most kLoginNameValueLimit characters decodes to at most 382 bytes.
constexpr std::size_t kCodedBufferSize = 512;

static_assert((kLoginNameValueLimit + 3) / 4 * 3 + 1 <= kCodedBufferSize);
static_assert(((kLoginNameValueLimit + 3) / 4 * 3 + kBlockSize - 1) / kBlockSize * kBlockSize < kPlainBufferSize);
static_assert(kValueLimit / 2 < kPlainBufferSize);

// Returns `count` rounded up to whole blocks.
std::size_t roundedToBlocks(std::size_t count)
{
    return (count + kBlockSize - 1) / kBlockSize * kBlockSize;
}

// Returns the bytes of `buffer` up to its first zero byte, looking at no more than `limit`.
std::string untilZero(const unsigned char* buffer, std::size_t limit)
{
    const auto* text = reinterpret_cast<const char*>(buffer);
    return std::string(text, strnlen(text, limit));
}

// Copies `text` into `buffer` as a zero-terminated text, cut to fit.
template <std::size_t N>
void copyTerminated(std::string_view text, std::array<char, N>& buffer)
{
    const std::size_t count = std::min(text.size(), N - 1);
    std::memcpy(buffer.data(), text.data(), count);
    buffer[count] = '\0';
}

// Returns the number of leading blocks of `blocks` before the first one of zero bytes only.
std::size_t blocksBeforeFiller(const unsigned char* blocks, std::size_t count)
{
    std::size_t used = 0;
    for (; used < count; ++used) {
        const unsigned char* block = blocks + used * kBlockSize;
        if (std::all_of(block, block + kBlockSize, [](unsigned char byte) { return byte == 0; }))
            break;
    }
    return used;
}

// Returns the text that `count` bytes of fixed-key AES blocks decrypt to.
std::string decryptedText(const unsigned char* cipher, std::size_t count)
{
    if (count == 0)
        return {};
    std::array<unsigned char, kPlainBufferSize> plain{};
    my_aes_decrypt(cipher, static_cast<int>(count), plain.data());
    std::string text = untilZero(plain.data(), roundedToBlocks(count));
    plain.fill(0);
    return text;
}

}  // namespace

std::string boundedValue(std::string_view value, std::size_t limit)
{
    return std::string(value.substr(0, limit));
}

std::string textFromBytes(std::string_view bytes, platform::StringEncoding encoding)
{
    // The stored values are short, so trying ever shorter beginnings costs little, and it needs
    // no knowledge of how the encoding builds its characters.
    for (std::size_t length = bytes.size(); length > 0; --length) {
        if (std::optional<std::string> text = platform::decodeBytes(bytes.substr(0, length), encoding))
            return *text;
    }
    return {};
}

std::string bytesFromHex(std::string_view hex)
{
    std::array<char, kValueLimit + 1> digits{};
    copyTerminated(hex, digits);
    const std::size_t digitCount = strlen(digits.data()) / 2 * 2;
    std::array<unsigned char, kValueLimit / 2 + 1> bytes{};
    myatoi(digits.data(), bytes.data(), static_cast<int>(digitCount));
    return untilZero(bytes.data(), digitCount / 2);
}

std::string secretFromHexBlocks(std::string_view hex, int digits)
{
    digits = std::clamp(digits, 0, kTwoBlockDigits) / 2 * 2;
    std::array<char, kTwoBlockDigits + 1> text{};
    copyTerminated(hex.substr(0, static_cast<std::size_t>(digits)), text);
    std::array<unsigned char, kTwoBlockDigits / 2 + 1> cipher{};
    myatoi(text.data(), cipher.data(), digits);
    const std::size_t blocks = blocksBeforeFiller(cipher.data(), static_cast<std::size_t>(digits) / 2 / kBlockSize);
    return decryptedText(cipher.data(), blocks * kBlockSize);
}

std::string secretFromBase64Blocks(std::string_view coded)
{
    std::array<char, kLoginNameValueLimit + 1> text{};
    copyTerminated(coded, text);
    std::array<unsigned char, kCodedBufferSize> cipher{};
    const int count = Base64decode(cipher.data(), text.data());
    if (count <= 0)
        return {};
    return decryptedText(cipher.data(), static_cast<std::size_t>(count));
}

std::uint32_t lockBitsFromDecimal(std::string_view text)
{
    std::size_t pos = text.find_first_not_of(" \t\r\n");
    if (pos == std::string_view::npos)
        return 0;
    if (text[pos] == '+')
        ++pos;
    std::uint64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace korvane::reader
