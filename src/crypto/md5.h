// MD5 digests as lowercase hex text, by which the job's later stages check a secret they never see.
#pragma once

#include <string>
#include <string_view>

// Writes the MD5 digest of the zero-terminated `src` (its bytes before the zero) as 32 lowercase hex
// digits and a zero byte into `dest`, which holds at least 33 bytes. Writes an empty text should the
// library fail. Does nothing when a pointer is missing.
void calcMD5(char* dest, const char* src);

namespace korvane::crypto {

// Returns the MD5 digest of all bytes of `message` as 32 lowercase hex digits; empty should the
// library fail.
std::string md5Hex(std::string_view message);

}  // namespace korvane::crypto
