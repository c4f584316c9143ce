// MD5 digests over OpenSSL's EVP interface.
#include "crypto/md5.h"

#include <openssl/evp.h>

#include <cstring>

namespace {

constexpr int kDigestSize = 16;
constexpr int kDigestTextSize = 2 * kDigestSize + 1;
constexpr char kLowerDigits[] = "0123456789abcdef";

// Writes the digest of `size` bytes at `data` as lowercase hex and a zero byte into `dest` (33 bytes);
// an empty text when the library fails.
void digestText(const void* data, size_t size, char* dest)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestSize = 0;
    if (EVP_Digest(data, size, digest, &digestSize, EVP_md5(), nullptr) != 1 || digestSize != kDigestSize) {
        dest[0] = '\0';
        return;
    }
    for (int i = 0; i < kDigestSize; ++i) {
        dest[2 * i] = kLowerDigits[digest[i] >> 4];
        dest[2 * i + 1] = kLowerDigits[digest[i] & 0x0f];
    }
    dest[2 * kDigestSize] = '\0';
}

}  // namespace

void calcMD5(char* dest, const char* src)
{
    if (!dest || !src)
        return;
    digestText(src, std::strlen(src), dest);
}

namespace korvane::crypto {

std::string md5Hex(std::string_view message)
{
    char text[kDigestTextSize];
    digestText(message.data(), message.size(), text);
    return text;
}

}  // namespace korvane::crypto
