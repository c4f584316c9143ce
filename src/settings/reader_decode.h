// Turning the stored forms of the job control settings back into the bytes and texts the user
// typed. Every function here takes any text, damaged or hostile, and works in fixed buffers:
// what it cannot make sense of decodes to whatever bytes it yields, never past a buffer.
#pragma once

#include "platform/encoding.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::reader {

// The most characters of a stored value that are read; the login name's two pieces together
// may have twice as many.
inline constexpr std::size_t kValueLimit = 255;
inline constexpr std::size_t kLoginNameValueLimit = 510;

// The hex digits of the stored secrets: one AES block, or two for the password.
inline constexpr int kOneBlockDigits = 32;
inline constexpr int kTwoBlockDigits = 64;

// A stored value as the reader takes it: its first `limit` characters.
std::string boundedValue(std::string_view value, std::size_t limit = kValueLimit);

// The text that `bytes` stand for in `encoding`. When a byte sequence is invalid there, the
// text is the longest beginning of the bytes that is valid (empty when none is), so a damaged
// value still shows what it can and a field never holds bytes its encoding cannot stand for.
std::string textFromBytes(std::string_view bytes, platform::StringEncoding encoding);

// The bytes of the digit pairs of a hex text (an odd last digit is ignored), up to the first
// zero byte among them.
std::string bytesFromHex(std::string_view hex);

// The secret behind a hex form of fixed-key AES blocks: the first `digits` hex digits (32 or
// 64) as blocks, decrypted, up to the first zero byte and never beyond the decrypted blocks.
// A block of zero bytes is the filler after a short secret, not a block of it: it and the
// blocks after it carry no text.
std::string secretFromHexBlocks(std::string_view hex, int digits);

// The secret behind a Base64 form of fixed-key AES blocks: the Base64 text decoded up to its
// first character outside the code, decrypted, up to the first zero byte and never beyond
// the decrypted blocks.
std::string secretFromBase64Blocks(std::string_view coded);

// The lock bits of a decimal text: leading blanks, an optional "+", then digits; a number too
// large for 32 bits sets them all. A text without digits, or a negative number, gives none.
std::uint32_t lockBitsFromDecimal(std::string_view text);

}  // namespace korvane::reader
