// An independent reckoning of the print-settings values, straight from the library's
// high-level calls, so that tests of the writer never check it against its own helpers.
#pragma once

#include <string>
#include <string_view>

namespace testing_support::reference {

// The panel's fixed AES key, as 16 bytes.
std::string fixedKey();

// Uppercase hex of bytes, and bytes of a hex text.
std::string hex(std::string_view bytes);
std::string unhex(std::string_view text);

// The lowercase MD5 text of bytes.
std::string md5(std::string_view bytes);

// AES-128 of bytes completed with zero bytes to whole blocks, each block on its own, and back.
std::string aesEncrypt(std::string_view bytes, std::string_view key16);
std::string aesDecrypt(std::string_view blocks, std::string_view key16);

// Base64 of bytes (no line breaks), and bytes of a Base64 text.
std::string base64(std::string_view bytes);
std::string unbase64(std::string_view text);

// A numeric text of 1 to 4 characters with zeros in front to make 5.
std::string padded(const std::string& text);

// The key of spool-key encryption: the last 16 bytes of the spool-time text.
std::string spoolKey(const std::string& spoolTime);

// Bytes up to the first zero byte.
std::string untilZero(const std::string& bytes);

}  // namespace testing_support::reference
