// The job's secrets on their way to cupsd: sealed for the queue's filter with the public key
// that the queue's PPD carries, so that no other user can read them from cupsd.
#pragma once

#include <cups/ppd.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// The filter's public key that the PPD carries (raw, 32 bytes); nothing when it carries none or
// one that is not a key.
std::optional<std::vector<unsigned char>> filterSealKey(ppd_file_t* ppd);

// Moves the secret-bearing print-settings keys among options into a value sealed for the
// filter of the PPD's queue, bound to user (the job's owner). False, with a message in error
// and options untouched, when they carry secrets and the PPD no key to seal them with.
bool sealJobSecrets(std::map<std::string, std::string>& options, ppd_file_t* ppd, const std::string& user,
                    std::string* error);

// Seals the secrets of one dialog's jobs with the key its queue's PPD carried. Each sealing
// draws a new one-time key; this one gives the same sealed value again while the secrets and
// the user stay the same, so that what --dump shows is what the job is sent with.
class JobSecretSealer {
public:
    explicit JobSecretSealer(std::optional<std::vector<unsigned char>> key = std::nullopt) : key_(std::move(key)) {}

    // As sealJobSecrets, with the key this sealer was given.
    bool seal(std::map<std::string, std::string>& options, const std::string& user, std::string* error);

private:
    std::optional<std::vector<unsigned char>> key_;
    std::map<std::string, std::string> sealedSecrets_;  // what the last sealing held
    std::string sealedUser_;
    std::map<std::string, std::string> sealedPieces_;  // and the pieces it made
};
