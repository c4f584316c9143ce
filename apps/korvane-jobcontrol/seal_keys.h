// The print server's seal key pair on disk. The private key opens the settings that the print
// dialog sealed for the filter, so only root and the filters' user lp may read it; the public
// key reaches every client of a queue inside the queue's PPD, which the driver program makes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jobcontrol {

// Names another folder for the key pair. cupsd alone sets a filter's environment (SetEnv in
// cupsd.conf), so a user who prints cannot point the filter elsewhere.
inline constexpr const char* kSealKeyFolderVariable = "KORVANE_JOB_SEAL_DIR";
inline constexpr const char* kPrivateKeyFileName = "job-seal.key";
inline constexpr const char* kPublicKeyFileName = "job-seal.pub";

// The folder of the key pair: the variable's when it is set, else the package's.
std::string sealKeyFolder();
std::string privateKeyPath(const std::string& folder);
std::string publicKeyPath(const std::string& folder);

// A raw private key, wiped when it goes.
class SealPrivateKey {
public:
    explicit SealPrivateKey(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
    ~SealPrivateKey();
    SealPrivateKey(SealPrivateKey&& other) noexcept = default;
    SealPrivateKey(const SealPrivateKey&) = delete;
    SealPrivateKey& operator=(const SealPrivateKey&) = delete;
    SealPrivateKey& operator=(SealPrivateKey&&) = delete;

    std::span<const unsigned char> bytes() const { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

// The private key that the PEM file at path holds; nothing, with a message in error (which
// never quotes the file), when it cannot be read or holds no seal key.
std::optional<SealPrivateKey> readSealPrivateKey(const std::string& path, std::string* error);

// The raw public key that the file at path holds as one line of Base64; nothing, with a message
// in error, when it cannot be read or holds no key.
std::optional<std::vector<unsigned char>> readSealPublicKey(const std::string& path, std::string* error);

// The public key as the PPD and the public key file carry it: Base64 of the raw 32 bytes.
std::string sealPublicKeyText(std::span<const unsigned char> publicKey);

// Gives folder a key pair unless it has one: a private key of mode 0640 and group lp (0600 where
// that group cannot be given), never replaced, and the public key that belongs to it (0644),
// written again when it is missing or another. The public key's text; nothing, with a message
// in error, when the pair cannot be had.
std::optional<std::string> provideSealKeyPair(const std::string& folder, std::string* error);

}  // namespace jobcontrol
