// Fuzz target: the decoders that read stored secrets back (hex, Base64, AES blocks) over
// arbitrary bytes, in buffers sized exactly as their contracts promise, so that any write or
// read past those sizes is an AddressSanitizer finding.
#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"
#include "fuzz_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The value of one hex digit as the reader takes it: either case; anything else is 0.
unsigned char nibble(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned char>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned char>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned char>(c - 'a' + 10);
    return 0;
}

// Base64: the C decoder stays inside the size its length function asks for, agrees with the
// C++ overload, and what it decodes survives encoding and decoding again.
void checkBase64(const std::string& coded)
{
    const int need = Base64decode_len(coded.c_str());
    FUZZ_CHECK(need >= 1);
    std::vector<unsigned char> out(static_cast<std::size_t>(need));
    const int count = Base64decode(out.data(), coded.c_str());
    FUZZ_CHECK(count >= 0 && count < need);
    FUZZ_CHECK(out[static_cast<std::size_t>(count)] == 0);

    const std::vector<unsigned char> decoded = korvane::crypto::base64Decode(coded);
    FUZZ_CHECK(decoded.size() == static_cast<std::size_t>(count));
    FUZZ_CHECK(std::equal(decoded.begin(), decoded.end(), out.begin()));

    const std::string again = korvane::crypto::base64Encode(decoded);
    FUZZ_CHECK(static_cast<int>(again.size()) + 1 == Base64encode_len(count));
    FUZZ_CHECK(korvane::crypto::base64Decode(again) == decoded);
}

// Hex: a digit count longer than the text reads nothing past its terminator and gives zero
// bytes for the missing digits; bytes written as hex come back.
void checkHex(const std::string& text, std::span<const unsigned char> bytes)
{
    const int digitCount = static_cast<int>(std::min<std::size_t>(text.size() * 2 + 3, 1 << 20));
    std::vector<unsigned char> out(static_cast<std::size_t>(digitCount / 2 + 1), 0xAA);
    myatoi(text.c_str(), out.data(), digitCount);
    const std::string_view shown(text.c_str());
    for (std::size_t i = 0; i < static_cast<std::size_t>(digitCount / 2); ++i) {
        const char high = 2 * i < shown.size() ? shown[2 * i] : '\0';
        const char low = 2 * i + 1 < shown.size() ? shown[2 * i + 1] : '\0';
        FUZZ_CHECK(out[i] == static_cast<unsigned char>(nibble(high) << 4 | nibble(low)));
    }
    FUZZ_CHECK(out[static_cast<std::size_t>(digitCount / 2)] == 0);

    const std::string hex = korvane::crypto::toHex(bytes);
    FUZZ_CHECK(hex.size() == 2 * bytes.size());
    const std::vector<unsigned char> back = korvane::crypto::fromHex(hex);
    FUZZ_CHECK(std::equal(back.begin(), back.end(), bytes.begin(), bytes.end()));
    std::vector<char> cText(2 * bytes.size() + 1);
    myitoa(bytes.data(), cText.data(), static_cast<int>(bytes.size()));
    FUZZ_CHECK(hex == cText.data());
}

// AES: decrypting any count of bytes reads only those bytes and writes only whole blocks into
// a buffer of exactly that size; any text of up to 255 bytes survives encryption, and the
// printer's spool-key decryption undoes the spool-key encryption.
void checkAes(std::span<const unsigned char> bytes)
{
    const std::size_t count = std::min<std::size_t>(bytes.size(), 1024);
    const std::vector<unsigned char> ciphertext(bytes.begin(), bytes.begin() + static_cast<long>(count));
    std::vector<unsigned char> out(std::max<std::size_t>((count + 15) / 16 * 16, 1));
    my_aes_decrypt(ciphertext.data(), static_cast<int>(count), out.data());

    std::string plain(reinterpret_cast<const char*>(bytes.data()), std::min<std::size_t>(bytes.size(), 255));
    plain = plain.c_str();
    std::array<unsigned char, 512> blocks{};
    my_aes_encrypt(reinterpret_cast<const unsigned char*>(plain.c_str()), blocks.data(), 512);
    std::array<unsigned char, 511> back{};
    my_aes_decrypt(blocks.data(), static_cast<int>((plain.size() + 15) / 16 * 16), back.data());
    FUZZ_CHECK(plain == reinterpret_cast<const char*>(back.data()));

    const char* spoolTime = "Tue, 5 Mar 2024 09:07:03 +0100";
    my_aes_encrypt2(reinterpret_cast<const unsigned char*>(plain.c_str()), spoolTime, blocks.data(), 512);
    const std::span<const unsigned char> used(blocks.data(), (plain.size() + 15) / 16 * 16);
    FUZZ_CHECK(korvane::crypto::aesDecryptTextWithKeyText(used, spoolTime) == plain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const unsigned char> bytes(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkBase64(text);
    checkHex(text, bytes);
    checkAes(bytes);
    return 0;
}
