#include "sealed_settings.h"

#include "seal_keys.h"
#include "settings/sealed_options.h"

namespace jobcontrol {

namespace {

// How every refusal of a sealed value opens: the user learns that the job waits for nothing.
const std::string kCannotOpen =
    "The job's job control settings are sealed for the print server and cannot be opened, so it is not printed: ";

}  // namespace

void openSealedSettings(JobOptions& options, std::span<const unsigned char> privateKey, const std::string& user)
{
    using korvane::settings::SealedKeysOpening;
    if (korvane::settings::openSealedKeys(options, privateKey, user) == SealedKeysOpening::CannotOpen)
        throw JobRefused(kCannotOpen +
                         "they were sealed with another print server's key or for another user, or changed on "
                         "their way; print the job again (if the print server's key was made anew, "
                         "the administrator makes the queue again with lpadmin -m)");
}

void openSealedSettings(JobOptions& options, const std::string& user)
{
    if (!korvane::settings::hasSealedKeys(options))
        return;
    std::string problem;
    const std::optional<SealPrivateKey> key = readSealPrivateKey(privateKeyPath(sealKeyFolder()), &problem);
    if (!key)
        throw JobRefused(kCannotOpen + problem);
    openSealedSettings(options, key->bytes(), user);
}

}  // namespace jobcontrol
