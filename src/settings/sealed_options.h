// The job's secret-bearing print-settings keys, sealed for the printer's filter.
//
// cupsd shows a job's options to every user who may list jobs, and keeps them in its job
// history. The forms the panel writes keep a secret out of sight, not out of reach: its own
// restore forms use a key that every copy of the panel carries, and the digests and spool-key
// forms open to anyone who reads the spool time beside them. So the host moves every key that
// carries a secret into one sealed value that only the filter's private key opens, and the
// filter puts them back before it reads the job. Inside the dialog the keys stay as they are.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace korvane::settings {

using JobOptionMap = std::map<std::string, std::string>;

// The sealed value travels in numbered pieces: this prefix followed by 1, 2, ...
inline constexpr const char* kSealedPrefix = "korvane.print.PrintSettings.sealed";
// A piece holds at most this many characters, so that each travels as an IPP name.
inline constexpr std::size_t kSealedPieceLength = 254;
// The PPD's main keyword whose value is the filter's public key, in Base64.
inline constexpr const char* kSealKeyPPDKeyword = "KorvaneJobSealKey";

// Whether the key's value would reveal a PIN, password, login name, user number, account
// number or folder password to someone who reads it.
bool isSecretBearingKey(std::string_view key);

// Whether key names a piece of the sealed value.
bool isSealedPieceKey(std::string_view key);

// Whether the options carry a secret-bearing key.
bool hasSecretBearingKeys(const JobOptionMap& options);

// Whether the options carry a sealed value.
bool hasSealedKeys(const JobOptionMap& options);

// Moves every secret-bearing key of options into a sealed value for the holder of the private
// key that belongs to publicKey (raw, 32 bytes), bound to the job's user: the filter opens it
// only for a job of that user. False, with options untouched, when publicKey is no key.
bool sealSecretKeys(JobOptionMap& options, std::span<const unsigned char> publicKey, std::string_view user);

enum class SealedKeysOpening {
    NothingSealed,  // the job carries no sealed value
    Opened,         // the sealed keys are back among the options, the pieces gone
    CannotOpen,     // made for another key or another user, incomplete, or changed on the way
};

// Puts the keys of the job's sealed value back among options with the filter's private key
// (raw, 32 bytes) for a job of user. A sealed key replaces a plain one of the same name.
SealedKeysOpening openSealedKeys(JobOptionMap& options, std::span<const unsigned char> privateKey,
                                 std::string_view user);

}  // namespace korvane::settings
