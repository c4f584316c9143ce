// Base64 text of bytes: the standard alphabet with "=" padding, no line breaks.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Returns the buffer size that encoding `count` bytes needs, the zero byte included:
// (count + 2) / 3 * 4 + 1. A count of 0 or less gives 1. `count` must stay below 1,610,612,733.
int Base64encode_len(int count);

// Writes `count` bytes of `src` as Base64 and a zero byte into `dest`, which holds at least
// Base64encode_len(count) bytes. Returns the characters written including the zero byte; 0 when a
// pointer is missing (nothing written).
int Base64encode(char* dest, const unsigned char* src, int count);

// Returns the buffer size that decoding the zero-terminated `coded` needs, the zero byte included.
// Only the characters before the first one outside the alphabet count ("=" is outside). Returns 0
// when `coded` is missing.
int Base64decode_len(const char* coded);

// Decodes the zero-terminated `coded` into `dest` and writes a zero byte after the decoded bytes;
// `dest` holds at least Base64decode_len(coded) bytes. Decoding stops at the first character
// outside the alphabet ("=", a space, the terminator); nothing after it is read. Returns the number
// of bytes decoded, the zero byte not counted; 0 when a pointer is missing (nothing written).
int Base64decode(unsigned char* dest, const char* coded);

namespace korvane::crypto {

// Returns `bytes` as Base64 text.
std::string base64Encode(std::span<const unsigned char> bytes);

// Returns the bytes of `coded`, decoded up to its first character outside the alphabet or its end.
std::vector<unsigned char> base64Decode(std::string_view coded);

}  // namespace korvane::crypto
