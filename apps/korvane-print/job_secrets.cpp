#include "job_secrets.h"

#include "crypto/base64.h"
#include "crypto/seal.h"
#include "settings/sealed_options.h"

namespace {

// Why a job with secrets cannot go to a queue whose PPD has no key.
std::string noKeyMessage()
{
    return std::string(
               "the queue's PPD carries no key to seal the job's PIN, passwords and numbers for its filter (*") +
           korvane::settings::kSealKeyPPDKeyword +
           "), so they would be readable from cupsd by other users; make the queue again with the model that "
           "lpinfo -m lists for this printer";
}

// The secret-bearing keys among options.
std::map<std::string, std::string> secretsOf(const std::map<std::string, std::string>& options)
{
    std::map<std::string, std::string> secrets;
    for (const auto& [key, value] : options)
        if (korvane::settings::isSecretBearingKey(key))
            secrets.insert({key, value});
    return secrets;
}

}  // namespace

std::optional<std::vector<unsigned char>> filterSealKey(ppd_file_t* ppd)
{
    ppd_attr_t* attribute = ppd ? ppdFindAttr(ppd, korvane::settings::kSealKeyPPDKeyword, nullptr) : nullptr;
    if (!attribute || !attribute->value)
        return std::nullopt;
    std::vector<unsigned char> key = korvane::crypto::base64Decode(attribute->value);
    if (key.size() != korvane::crypto::kSealKeySize)
        return std::nullopt;
    return key;
}

bool sealJobSecrets(std::map<std::string, std::string>& options, ppd_file_t* ppd, const std::string& user,
                    std::string* error)
{
    return JobSecretSealer(filterSealKey(ppd)).seal(options, user, error);
}

bool JobSecretSealer::seal(std::map<std::string, std::string>& options, const std::string& user, std::string* error)
{
    const std::map<std::string, std::string> secrets = secretsOf(options);
    if (secrets.empty())
        return true;
    if (!key_) {
        *error = noKeyMessage();
        return false;
    }
    if (secrets != sealedSecrets_ || user != sealedUser_) {
        std::map<std::string, std::string> pieces = secrets;
        if (!korvane::settings::sealSecretKeys(pieces, *key_, user)) {
            *error = noKeyMessage();
            return false;
        }
        sealedSecrets_ = secrets;
        sealedUser_ = user;
        sealedPieces_ = std::move(pieces);
    }
    for (const auto& [key, value] : secrets)
        options.erase(key);
    std::erase_if(options, [](const auto& option) { return korvane::settings::isSealedPieceKey(option.first); });
    options.insert(sealedPieces_.begin(), sealedPieces_.end());
    return true;
}
