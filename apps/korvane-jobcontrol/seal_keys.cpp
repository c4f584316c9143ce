#include "seal_keys.h"

#include "crypto/base64.h"
#include "crypto/seal.h"
#include "platform/file_descriptor.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace jobcontrol {

namespace {

// A key file is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kMaxKeyFileBytes = 16 * 1024;

// Text that held key material, wiped when it goes.
class SecretText {
public:
    SecretText() = default;
    ~SecretText() { korvane::crypto::wipe(std::span(reinterpret_cast<unsigned char*>(text_.data()), text_.size())); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    std::string& text() { return text_; }

private:
    std::string text_;
};

// Reads the whole file at path into contents (at most kMaxKeyFileBytes); false, with a message
// naming what, when it cannot.
bool readSmallFile(const std::string& path, const char* what, std::string& contents, std::string* error)
{
    const platform::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        *error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(errno);
        return false;
    }
    char buffer[4096];
    // Room for it all at once: a grown string would leave a copy of a key behind.
    contents.reserve(kMaxKeyFileBytes + sizeof buffer);
    ssize_t count = 0;
    while ((count = ::read(file.get(), buffer, sizeof buffer)) > 0 && contents.size() <= kMaxKeyFileBytes)
        contents.append(buffer, static_cast<std::size_t>(count));
    const int readError = count < 0 ? errno : 0;
    korvane::crypto::wipe(std::span(reinterpret_cast<unsigned char*>(buffer), sizeof buffer));
    if (readError != 0) {
        *error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(readError);
        return false;
    }
    if (contents.size() > kMaxKeyFileBytes) {
        *error = path + " is too large to be " + what;
        return false;
    }
    return true;
}

// Writes all of text to the descriptor; false with errno set when it cannot.
bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// What a key file is, which decides who may read it.
enum class KeyFile { Private, Public };

// Puts text into a new file of folder: a private key readable by group lp as well as its owner
// (by the owner alone where that group cannot be given), a public key by everyone. The
// temporary file's path, or empty with a message in error.
std::string writeTemporaryFile(const std::string& folder, std::string_view text, KeyFile kind, std::string* error)
{
    std::string path = folder + "/.job-seal.XXXXXX";
    platform::FileDescriptor file(::mkostemp(path.data(), O_CLOEXEC));
    if (!file) {
        *error = "cannot make a file in " + folder + ": " + std::strerror(errno);
        return {};
    }
    mode_t mode = 0644;
    if (kind == KeyFile::Private) {
        const struct group* lp = ::getgrnam("lp");
        const bool groupLp = lp && ::fchown(file.get(), static_cast<uid_t>(-1), lp->gr_gid) == 0;
        mode = groupLp ? 0640 : 0600;
    }
    if (::fchmod(file.get(), mode) != 0 || !writeAll(file.get(), text) || ::fsync(file.get()) != 0 || !file.close()) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        return {};
    }
    return path;
}

// The key pair's folder, made (0755: the public key is for everyone) when it is missing.
bool makeKeyFolder(const std::string& folder, std::string* error)
{
    std::error_code failure;
    if (std::filesystem::create_directories(folder, failure))
        std::filesystem::permissions(folder, std::filesystem::perms(0755), failure);
    if (failure || !std::filesystem::is_directory(folder, failure)) {
        *error = "cannot make the folder " + folder + ": " + (failure ? failure.message() : "not a folder");
        return false;
    }
    return true;
}

// The private key of the folder; a new one written there when there is none. An existing file is
// never replaced: jobs sealed for it and queues made with its public key depend on it.
std::optional<SealPrivateKey> existingOrNewPrivateKey(const std::string& folder, std::string* error)
{
    const std::string path = privateKeyPath(folder);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        std::optional<SealPrivateKey> key = readSealPrivateKey(path, error);
        if (!key)
            *error += "; it is kept as it is: move it away to make a new key pair";
        return key;
    }
    std::optional<korvane::crypto::SealKeyPair> pair = korvane::crypto::makeSealKeyPair();
    if (!pair) {
        *error = "the crypto library could not make a key pair";
        return std::nullopt;
    }
    SealPrivateKey key(std::move(pair->privateKey));
    SecretText pem;
    pem.text() = korvane::crypto::sealPrivateKeyToPem(key.bytes());
    const std::string temporary = writeTemporaryFile(folder, pem.text(), KeyFile::Private, error);
    if (temporary.empty())
        return std::nullopt;
    // link() never replaces: another run that made the key first wins, and its key is read.
    const bool linked = ::link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    ::unlink(temporary.c_str());
    if (linked)
        return key;
    if (linkError == EEXIST)
        return readSealPrivateKey(path, error);
    *error = "cannot write " + path + ": " + std::strerror(linkError);
    return std::nullopt;
}

// Writes the public key file unless it already holds text.
bool writePublicKey(const std::string& folder, const std::string& text, std::string* error)
{
    const std::string path = publicKeyPath(folder);
    std::string existing;
    std::string ignored;
    if (readSmallFile(path, "the public key", existing, &ignored) && existing == text + "\n")
        return true;
    const std::string temporary = writeTemporaryFile(folder, text + "\n", KeyFile::Public, error);
    if (temporary.empty())
        return false;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

SealPrivateKey::~SealPrivateKey()
{
    korvane::crypto::wipe(bytes_);
}

std::string sealKeyFolder()
{
    const char* folder = std::getenv(kSealKeyFolderVariable);
    return folder && *folder ? folder : KORVANE_SEAL_KEY_DIR;
}

std::string privateKeyPath(const std::string& folder)
{
    return folder + "/" + kPrivateKeyFileName;
}

std::string publicKeyPath(const std::string& folder)
{
    return folder + "/" + kPublicKeyFileName;
}

std::optional<SealPrivateKey> readSealPrivateKey(const std::string& path, std::string* error)
{
    SecretText pem;
    if (!readSmallFile(path, "the print server's key", pem.text(), error))
        return std::nullopt;
    std::optional<std::vector<unsigned char>> raw = korvane::crypto::sealPrivateKeyFromPem(pem.text());
    if (!raw) {
        *error = path + " holds no key of this print server's kind (an X25519 private key in PEM)";
        return std::nullopt;
    }
    return SealPrivateKey(std::move(*raw));
}

std::optional<std::vector<unsigned char>> readSealPublicKey(const std::string& path, std::string* error)
{
    std::string text;
    if (!readSmallFile(path, "the print server's public key", text, error))
        return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::vector<unsigned char> key = korvane::crypto::base64Decode(text);
    if (key.size() != korvane::crypto::kSealKeySize || sealPublicKeyText(key) != text) {
        *error = path + " holds no public key (one line of Base64 of 32 bytes)";
        return std::nullopt;
    }
    return key;
}

std::string sealPublicKeyText(std::span<const unsigned char> publicKey)
{
    return korvane::crypto::base64Encode(publicKey);
}

std::optional<std::string> provideSealKeyPair(const std::string& folder, std::string* error)
{
    if (!makeKeyFolder(folder, error))
        return std::nullopt;
    const std::optional<SealPrivateKey> key = existingOrNewPrivateKey(folder, error);
    if (!key)
        return std::nullopt;
    const std::optional<std::vector<unsigned char>> publicKey = korvane::crypto::sealPublicKeyOf(key->bytes());
    if (!publicKey) {
        *error = privateKeyPath(folder) + " holds no usable key";
        return std::nullopt;
    }
    const std::string text = sealPublicKeyText(*publicKey);
    if (!writePublicKey(folder, text, error))
        return std::nullopt;
    return text;
}

}  // namespace jobcontrol
