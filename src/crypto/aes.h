// AES-128 encryption of secrets, one 16-byte block at a time.
//
// Every block of a text is encrypted on its own (no initialisation vector, no chaining, no length
// field) and a short last block is completed with zero bytes: the job's later stages decode exactly
// this form. The fixed key protects the values the panel reads back itself; the derived key is
// rebuilt by whoever knows the key text.
#pragma once

#include <span>
#include <string>
#include <string_view>

// Encrypts the zero-terminated text `plaintext` with the fixed key into `out`.
// `out` is cleared for `outSize` bytes first; it then holds one encrypted block per started 16 bytes
// of the text. Blocks that do not fit whole into `outSize` are left out, so nothing is written past
// `outSize`. An empty text, or a failing library, leaves `out` all zero. Does nothing when a pointer
// is missing.
void my_aes_encrypt(const unsigned char* plaintext, unsigned char* out, int outSize);

// Encrypts like my_aes_encrypt, keyed by the last 16 bytes of the zero-terminated `keyText`.
// Does nothing (leaves `out` untouched) when a pointer is missing or `keyText` has fewer than
// 16 bytes.
void my_aes_encrypt2(const unsigned char* plaintext, const char* keyText, unsigned char* out, int outSize);

// Decrypts `count` bytes of `ciphertext` with the fixed key into `out`.
// Reads no more than `count` bytes: a count that is not a multiple of 16 decrypts a zero-completed
// copy of the last partial block. `out` must hold `count` rounded up to a multiple of 16 bytes (at
// least 1 byte). Nothing is terminated beyond the decrypted blocks; callers decrypt into a cleared
// buffer so that a text filling its blocks exactly still ends. Does nothing when a pointer is missing.
void my_aes_decrypt(const unsigned char* ciphertext, int count, unsigned char* out);

namespace korvane::crypto {

// Decrypts `blocks` keyed by the last 16 bytes of `keyText` (up to its first zero byte), as
// my_aes_encrypt2 made them, and returns the text up to its first zero byte; empty for a key
// text shorter than 16 bytes. A partial last block decrypts as if completed with zero bytes.
std::string aesDecryptTextWithKeyText(std::span<const unsigned char> blocks, std::string_view keyText);

}  // namespace korvane::crypto
