#include "job_secrets.h"

#include "crypto/base64.h"
#include "crypto/seal.h"
#include "settings/sealed_options.h"

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

std::optional<std::string> sealJobSecrets(std::map<std::string, std::string>& options, ppd_file_t* ppd,
                                          const std::string& user)
{
    if (!korvane::settings::hasSecretBearingKeys(options))
        return std::nullopt;
    const std::optional<std::vector<unsigned char>> key = filterSealKey(ppd);
    if (!key || !korvane::settings::sealSecretKeys(options, *key, user))
        return std::string(
                   "the queue's PPD carries no key to seal the job's PIN, passwords and numbers for its "
                   "filter (*") +
               korvane::settings::kSealKeyPPDKeyword +
               "), so they would be readable from cupsd by other users; make the queue again with the model "
               "that lpinfo -m lists for this printer";
    return std::nullopt;
}
