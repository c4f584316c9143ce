// Base64 text of bytes.
#include "crypto/base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char kOutside = 64;

// Builds the table from character to 6-bit value, kOutside for everything not in the alphabet.
constexpr std::array<unsigned char, 256> makeDecodeTable()
{
    std::array<unsigned char, 256> table{};
    table.fill(kOutside);
    for (unsigned char value = 0; value < 64; ++value)
        table[static_cast<unsigned char>(kAlphabet[value])] = value;
    return table;
}

constexpr std::array<unsigned char, 256> kDecodeTable = makeDecodeTable();

// Returns the 6-bit value of `c`, or kOutside.
unsigned char sextet(char c)
{
    return kDecodeTable[static_cast<unsigned char>(c)];
}

// Returns the Base64 length of `count` bytes, without the zero byte.
size_t encodedLength(size_t count)
{
    return (count + 2) / 3 * 4;
}

// Writes `count` bytes of `src` as Base64 at `dest` (no zero byte); returns the characters written.
size_t encodeInto(char* dest, const unsigned char* src, size_t count)
{
    char* out = dest;
    size_t i = 0;
    for (; i + 2 < count; i += 3) {
        *out++ = kAlphabet[src[i] >> 2];
        *out++ = kAlphabet[(src[i] & 0x03) << 4 | src[i + 1] >> 4];
        *out++ = kAlphabet[(src[i + 1] & 0x0f) << 2 | src[i + 2] >> 6];
        *out++ = kAlphabet[src[i + 2] & 0x3f];
    }
    if (count - i == 1) {
        *out++ = kAlphabet[src[i] >> 2];
        *out++ = kAlphabet[(src[i] & 0x03) << 4];
        *out++ = '=';
        *out++ = '=';
    } else if (count - i == 2) {
        *out++ = kAlphabet[src[i] >> 2];
        *out++ = kAlphabet[(src[i] & 0x03) << 4 | src[i + 1] >> 4];
        *out++ = kAlphabet[(src[i + 1] & 0x0f) << 2];
        *out++ = '=';
    }
    return static_cast<size_t>(out - dest);
}

// Counts the characters of `coded` before the first one outside the alphabet, looking at no more
// than `limit` characters.
size_t countAlphabetRun(const char* coded, size_t limit)
{
    size_t m = 0;
    while (m < limit && sextet(coded[m]) != kOutside)
        ++m;
    return m;
}

// Returns the number of bytes that `m` Base64 characters decode to (a lone last character gives none).
size_t decodedLength(size_t m)
{
    return (m + 3) / 4 * 3 - (4 - m % 4) % 4;
}

// Decodes the `m` alphabet characters at `coded` into `dest`; returns the bytes written.
size_t decodeInto(unsigned char* dest, const char* coded, size_t m)
{
    unsigned char* out = dest;
    for (size_t i = 0; i < m; i += 4) {
        const size_t group = m - i < 4 ? m - i : 4;
        const unsigned char a = sextet(coded[i]);
        const unsigned char b = group > 1 ? sextet(coded[i + 1]) : 0;
        const unsigned char c = group > 2 ? sextet(coded[i + 2]) : 0;
        const unsigned char d = group > 3 ? sextet(coded[i + 3]) : 0;
        if (group > 1)
            *out++ = static_cast<unsigned char>(a << 2 | b >> 4);
        if (group > 2)
            *out++ = static_cast<unsigned char>(b << 4 | c >> 2);
        if (group > 3)
            *out++ = static_cast<unsigned char>(c << 6 | d);
    }
    return static_cast<size_t>(out - dest);
}

}  // namespace

int Base64encode_len(int count)
{
    return static_cast<int>(encodedLength(count > 0 ? static_cast<size_t>(count) : 0)) + 1;
}

int Base64encode(char* dest, const unsigned char* src, int count)
{
    if (!dest || !src)
        return 0;
    const size_t written = encodeInto(dest, src, count > 0 ? static_cast<size_t>(count) : 0);
    dest[written] = '\0';
    return static_cast<int>(written) + 1;
}

int Base64decode_len(const char* coded)
{
    if (!coded)
        return 0;
    const size_t m = countAlphabetRun(coded, SIZE_MAX);
    return static_cast<int>((m + 3) / 4 * 3) + 1;
}

int Base64decode(unsigned char* dest, const char* coded)
{
    if (!dest || !coded)
        return 0;
    const size_t written = decodeInto(dest, coded, countAlphabetRun(coded, SIZE_MAX));
    dest[written] = 0;
    return static_cast<int>(written);
}

namespace korvane::crypto {

std::string base64Encode(std::span<const unsigned char> bytes)
{
    std::string coded(encodedLength(bytes.size()), '\0');
    encodeInto(coded.data(), bytes.data(), bytes.size());
    return coded;
}

std::vector<unsigned char> base64Decode(std::string_view coded)
{
    const size_t m = countAlphabetRun(coded.data(), coded.size());
    std::vector<unsigned char> bytes(decodedLength(m));
    decodeInto(bytes.data(), coded.data(), m);
    return bytes;
}

}  // namespace korvane::crypto
