// Sealing a job's secrets for the printer's filter alone: anyone may seal with the filter's
// public key, only the holder of its private key can open.
//
// X25519 key agreement between a one-time key of the sender and the recipient's key, HKDF-SHA256
// over the shared secret, AES-256-GCM. A context text is authenticated with the message, so a
// sealed value opens only in the context it was sealed for, and any change to it is detected.
// Sealed form: the version byte 1, the sender's one-time public key (32 bytes), the nonce (12),
// the ciphertext, the tag (16).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::crypto {

// Raw X25519 keys are 32 bytes.
inline constexpr std::size_t kSealKeySize = 32;
// What sealing adds to the plaintext: version, one-time key, nonce and tag.
inline constexpr std::size_t kSealOverhead = 1 + kSealKeySize + 12 + 16;

struct SealKeyPair {
    std::vector<unsigned char> privateKey;  // raw, 32 bytes
    std::vector<unsigned char> publicKey;   // raw, 32 bytes
};

// A new key pair; nothing when the library cannot make one.
std::optional<SealKeyPair> makeSealKeyPair();

// The public key that belongs to a raw private key; nothing for a key that is not one.
std::optional<std::vector<unsigned char>> sealPublicKeyOf(std::span<const unsigned char> privateKey);

// The private key in PEM (PKCS #8), as `openssl pkey` reads it; empty for a key that is not one.
std::string sealPrivateKeyToPem(std::span<const unsigned char> privateKey);

// The raw private key of a PEM text; nothing when the text holds no X25519 private key.
std::optional<std::vector<unsigned char>> sealPrivateKeyFromPem(std::string_view pem);

// plaintext sealed for the holder of the private key that belongs to publicKey, bound to
// context; nothing when publicKey is no usable key.
std::optional<std::vector<unsigned char>> seal(std::span<const unsigned char> plaintext,
                                               std::span<const unsigned char> publicKey, std::string_view context);

// The plaintext of a sealed value; nothing when it was not sealed for this private key and
// context, or was changed in any way since.
std::optional<std::vector<unsigned char>> openSealed(std::span<const unsigned char> sealed,
                                                     std::span<const unsigned char> privateKey,
                                                     std::string_view context);

// Overwrites bytes that held a secret, in a way the compiler does not drop.
void wipe(std::span<unsigned char> bytes);

}  // namespace korvane::crypto
