#include "settings/sealed_options.h"

#include "crypto/base64.h"
#include "crypto/seal.h"
#include "settings/keys.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace korvane::settings {

namespace {

// The keys whose values carry a secret in some form.
constexpr const char* kSecretKeys[] = {
    keys::kJobSuspendKey, keys::kJobSuspend2Key, keys::kPassword,       keys::kPassword2,      keys::kUserNumber,
    keys::kUserNumber2,   keys::kAccountNumber,  keys::kAccountNumber2, keys::kFolderPassword, keys::kFolderPassword2,
};
// The login name's numbered pieces.
constexpr const char* kSecretPrefixes[] = {keys::kLoginName1Prefix, keys::kLoginName0Prefix};

// What the sealed value is bound to: the job's user, so that it opens for nobody else's job.
std::string contextFor(std::string_view user)
{
    return "korvane job control secrets of " + std::string(user);
}

// Whether text is a piece number: decimal digits without a leading zero.
bool isPieceNumber(std::string_view text)
{
    return !text.empty() && text.front() != '0' &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string pieceKey(std::size_t number)
{
    return kSealedPrefix + std::to_string(number);
}

// The sealed value's pieces joined in order; nothing when a piece is missing between them.
std::optional<std::string> joinedPieces(const JobOptionMap& options)
{
    const auto count = static_cast<std::size_t>(std::count_if(
        options.begin(), options.end(), [](const auto& option) { return isSealedPieceKey(option.first); }));
    std::string joined;
    for (std::size_t number = 1; number <= count; ++number) {
        const auto piece = options.find(pieceKey(number));
        if (piece == options.end())
            return std::nullopt;
        joined += piece->second;
    }
    return joined;
}

// The text the sealed value holds: one "key=value" line a key.
std::string serialized(const JobOptionMap& secrets)
{
    std::string text;
    for (const auto& [key, value] : secrets)
        text += key + '=' + value + '\n';
    return text;
}

// The keys of an opened value; nothing when a line is no panel key with a value of one line.
std::optional<JobOptionMap> parsed(std::string_view text)
{
    JobOptionMap secrets;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string key(line.substr(0, equals));
        if (!isSecretBearingKey(key))
            return std::nullopt;
        secrets[key] = std::string(line.substr(equals + 1));
    }
    return secrets;
}

}  // namespace

bool isSecretBearingKey(std::string_view key)
{
    if (std::any_of(std::begin(kSecretKeys), std::end(kSecretKeys), [&](const char* k) { return key == k; }))
        return true;
    return std::any_of(std::begin(kSecretPrefixes), std::end(kSecretPrefixes), [&](std::string_view prefix) {
        return key.starts_with(prefix) && isPieceNumber(key.substr(prefix.size()));
    });
}

bool isSealedPieceKey(std::string_view key)
{
    return key.starts_with(kSealedPrefix) && isPieceNumber(key.substr(std::string_view(kSealedPrefix).size()));
}

bool hasSecretBearingKeys(const JobOptionMap& options)
{
    return std::any_of(options.begin(), options.end(),
                       [](const auto& option) { return isSecretBearingKey(option.first); });
}

bool hasSealedKeys(const JobOptionMap& options)
{
    return std::any_of(options.begin(), options.end(),
                       [](const auto& option) { return isSealedPieceKey(option.first); });
}

bool sealSecretKeys(JobOptionMap& options, std::span<const unsigned char> publicKey, std::string_view user)
{
    JobOptionMap secrets;
    for (const auto& [key, value] : options)
        if (isSecretBearingKey(key))
            secrets[key] = value;
    if (secrets.empty())
        return true;
    std::string text = serialized(secrets);
    const std::optional<std::vector<unsigned char>> sealed = crypto::seal(
        std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()), publicKey, contextFor(user));
    crypto::wipe(std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()));
    if (!sealed)
        return false;
    for (const auto& [key, value] : secrets)
        options.erase(key);
    // A value sealed earlier (settings that started from a sent job's) gives way whole: a piece
    // of it left beside the new one would make both unreadable.
    std::erase_if(options, [](const auto& option) { return isSealedPieceKey(option.first); });
    const std::string coded = crypto::base64Encode(*sealed);
    for (std::size_t at = 0, number = 1; at < coded.size(); at += kSealedPieceLength, ++number)
        options[pieceKey(number)] = coded.substr(at, kSealedPieceLength);
    return true;
}

SealedKeysOpening openSealedKeys(JobOptionMap& options, std::span<const unsigned char> privateKey,
                                 std::string_view user)
{
    if (!hasSealedKeys(options))
        return SealedKeysOpening::NothingSealed;
    const std::optional<std::string> coded = joinedPieces(options);
    if (!coded)
        return SealedKeysOpening::CannotOpen;
    const std::vector<unsigned char> sealed = crypto::base64Decode(*coded);
    // The decoder stops at the first character outside the alphabet: a sealed value decodes whole.
    if (crypto::base64Encode(sealed) != *coded)
        return SealedKeysOpening::CannotOpen;
    std::optional<std::vector<unsigned char>> plain = crypto::openSealed(sealed, privateKey, contextFor(user));
    if (!plain)
        return SealedKeysOpening::CannotOpen;
    const std::optional<JobOptionMap> secrets =
        parsed(std::string_view(reinterpret_cast<const char*>(plain->data()), plain->size()));
    crypto::wipe(*plain);
    if (!secrets)
        return SealedKeysOpening::CannotOpen;
    std::erase_if(options, [](const auto& option) { return isSealedPieceKey(option.first); });
    for (const auto& [key, value] : *secrets)
        options[key] = value;
    return SealedKeysOpening::Opened;
}

}  // namespace korvane::settings
