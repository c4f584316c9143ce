// Hex text of bytes: two uppercase digits per byte, high half first.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Writes `count` bytes of `src` as 2 * `count` uppercase hex digits and a zero byte into `dest`,
// which holds at least 2 * `count` + 1 bytes. A count of 0 or less writes only the zero byte.
// Does nothing when a pointer is missing.
void myitoa(const unsigned char* src, char* dest, int count);

// Decodes the hex text `hex` into `digitCount` / 2 bytes and a zero byte after them in `dest`,
// which holds at least `digitCount` / 2 + 1 bytes. Upper- and lowercase digits are read; any other
// character counts as the digit 0. Nothing of `hex` past its terminating zero is read: a text
// shorter than `digitCount` gives zero bytes for the digits it lacks. An odd last digit is ignored.
// Does nothing when a pointer is missing.
void myatoi(const char* hex, unsigned char* dest, int digitCount);

namespace korvane::crypto {

// Returns `bytes` as uppercase hex digits.
std::string toHex(std::span<const unsigned char> bytes);

// Returns the bytes of the digit pairs in `hex`, read as myatoi reads them; an odd last digit is ignored.
std::vector<unsigned char> fromHex(std::string_view hex);

}  // namespace korvane::crypto
