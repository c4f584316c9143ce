// Hex text of bytes.
#include "crypto/hex.h"

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";

// Returns the value of one hex digit of either case; anything else counts as 0.
unsigned char digitValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return static_cast<unsigned char>(digit - '0');
    if (digit >= 'A' && digit <= 'F')
        return static_cast<unsigned char>(digit - 'A' + 10);
    if (digit >= 'a' && digit <= 'f')
        return static_cast<unsigned char>(digit - 'a' + 10);
    return 0;
}

// Returns the byte that the digits `high` and `low` stand for.
unsigned char pairValue(char high, char low)
{
    return static_cast<unsigned char>(digitValue(high) << 4 | digitValue(low));
}

// Writes the two digits of `byte` at `dest`.
void writePair(unsigned char byte, char* dest)
{
    dest[0] = kUpperDigits[byte >> 4];
    dest[1] = kUpperDigits[byte & 0x0f];
}

// Hands out the characters of a zero-terminated text one by one, and zeros once it has ended,
// without ever looking past its terminator.
class BoundedDigits {
public:
    explicit BoundedDigits(const char* text) : next_(text) {}

    // Returns the next character, or '\0' for good once the text has ended.
    char take()
    {
        if (*next_ == '\0')
            return '\0';
        return *next_++;
    }

private:
    const char* next_;
};

}  // namespace

void myitoa(const unsigned char* src, char* dest, int count)
{
    if (!src || !dest)
        return;
    for (int i = 0; i < count; ++i)
        writePair(src[i], dest + 2 * i);
    dest[count > 0 ? 2 * count : 0] = '\0';
}

void myatoi(const char* hex, unsigned char* dest, int digitCount)
{
    if (!hex || !dest)
        return;
    const int byteCount = digitCount > 0 ? digitCount / 2 : 0;
    BoundedDigits digits(hex);
    for (int i = 0; i < byteCount; ++i) {
        const char high = digits.take();
        const char low = digits.take();
        dest[i] = pairValue(high, low);
    }
    dest[byteCount] = 0;
}

namespace korvane::crypto {

std::string toHex(std::span<const unsigned char> bytes)
{
    std::string hex(2 * bytes.size(), '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        writePair(bytes[i], hex.data() + 2 * i);
    return hex;
}

std::vector<unsigned char> fromHex(std::string_view hex)
{
    std::vector<unsigned char> bytes(hex.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = pairValue(hex[2 * i], hex[2 * i + 1]);
    return bytes;
}

}  // namespace korvane::crypto
