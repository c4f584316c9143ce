#include "crypto/seal.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/pem.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <memory>

namespace korvane::crypto {

namespace {

constexpr unsigned char kVersion = 1;
constexpr std::size_t kNonceSize = 12;
constexpr std::size_t kTagSize = 16;
constexpr std::size_t kAesKeySize = 32;
// Names what the derived key is for, so that it serves nothing else.
constexpr std::string_view kKeyInfo = "korvane job control seal v1";

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct KeyContextFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, KeyContextFree>;
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;
using Bio = std::unique_ptr<BIO, BioFree>;

// A secret of fixed size that is wiped when it goes.
template <std::size_t N>
class Secret {
public:
    Secret() = default;
    ~Secret() { OPENSSL_cleanse(bytes_.data(), bytes_.size()); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    unsigned char* data() { return bytes_.data(); }
    const unsigned char* data() const { return bytes_.data(); }
    static constexpr std::size_t size() { return N; }

private:
    std::array<unsigned char, N> bytes_{};
};

Key privateKeyOf(std::span<const unsigned char> raw)
{
    if (raw.size() != kSealKeySize)
        return nullptr;
    return Key(EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, raw.data(), raw.size()));
}

Key publicKeyOf(std::span<const unsigned char> raw)
{
    if (raw.size() != kSealKeySize)
        return nullptr;
    return Key(EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, raw.data(), raw.size()));
}

// The raw public key of a key.
std::optional<std::vector<unsigned char>> rawPublicKey(EVP_PKEY* key)
{
    std::vector<unsigned char> raw(kSealKeySize);
    std::size_t size = raw.size();
    if (EVP_PKEY_get_raw_public_key(key, raw.data(), &size) != 1 || size != kSealKeySize)
        return std::nullopt;
    return raw;
}

// The X25519 shared secret of own and peer; false for a peer of low order (an all-zero secret).
bool agree(EVP_PKEY* own, EVP_PKEY* peer, Secret<kSealKeySize>& shared)
{
    const KeyContext context(EVP_PKEY_CTX_new(own, nullptr));
    std::size_t size = shared.size();
    return context && EVP_PKEY_derive_init(context.get()) == 1 && EVP_PKEY_derive_set_peer(context.get(), peer) == 1 &&
           EVP_PKEY_derive(context.get(), shared.data(), &size) == 1 && size == shared.size();
}

// The AES key of a shared secret, salted with both public keys so that it belongs to this one
// exchange.
bool deriveAesKey(const Secret<kSealKeySize>& shared, std::span<const unsigned char> senderPublic,
                  std::span<const unsigned char> recipientPublic, Secret<kAesKeySize>& aesKey)
{
    std::array<unsigned char, 2 * kSealKeySize> salt{};
    std::copy(senderPublic.begin(), senderPublic.end(), salt.begin());
    std::copy(recipientPublic.begin(), recipientPublic.end(), salt.begin() + kSealKeySize);
    const KeyContext context(EVP_PKEY_CTX_new_id(EVP_PKEY_HKDF, nullptr));
    std::size_t size = aesKey.size();
    return context && EVP_PKEY_derive_init(context.get()) == 1 &&
           EVP_PKEY_CTX_set_hkdf_md(context.get(), EVP_sha256()) == 1 &&
           EVP_PKEY_CTX_set1_hkdf_salt(context.get(), salt.data(), static_cast<int>(salt.size())) == 1 &&
           EVP_PKEY_CTX_set1_hkdf_key(context.get(), shared.data(), static_cast<int>(shared.size())) == 1 &&
           EVP_PKEY_CTX_add1_hkdf_info(context.get(), reinterpret_cast<const unsigned char*>(kKeyInfo.data()),
                                       static_cast<int>(kKeyInfo.size())) == 1 &&
           EVP_PKEY_derive(context.get(), aesKey.data(), &size) == 1 && size == aesKey.size();
}

// Starts AES-256-GCM in the given direction with the key, nonce and context as its
// authenticated data.
CipherContext startCipher(bool encrypt, const Secret<kAesKeySize>& aesKey, const unsigned char* nonce,
                          std::string_view context)
{
    CipherContext cipher(EVP_CIPHER_CTX_new());
    int ignored = 0;
    if (!cipher ||
        EVP_CipherInit_ex(cipher.get(), EVP_aes_256_gcm(), nullptr, aesKey.data(), nonce, encrypt ? 1 : 0) != 1 ||
        EVP_CipherUpdate(cipher.get(), nullptr, &ignored, reinterpret_cast<const unsigned char*>(context.data()),
                         static_cast<int>(context.size())) != 1)
        return nullptr;
    return cipher;
}

// A PKCS #8 X25519 private key without attributes or public key (RFC 8410), as OpenSSL writes
// it: these 16 bytes of DER, then the raw key.
constexpr unsigned char kPlainPkcs8Prefix[] = {0x30, 0x2e, 0x02, 0x01, 0x00, 0x30, 0x05, 0x06,
                                               0x03, 0x2b, 0x65, 0x6e, 0x04, 0x22, 0x04, 0x20};

// The raw key of a PEM text that holds such a plain key; nothing for any other text. The
// library's general key decoder costs most of a filter's opening of a job (0.4 ms), and the key
// files are always of this form.
std::optional<std::vector<unsigned char>> rawKeyOfPlainPkcs8(std::string_view pem)
{
    const Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* der = nullptr;
    long size = 0;
    if (!bio || PEM_read_bio(bio.get(), &name, &header, &der, &size) != 1)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> raw;
    if (std::string_view(name) == "PRIVATE KEY" && *header == '\0' &&
        size == static_cast<long>(sizeof kPlainPkcs8Prefix + kSealKeySize) &&
        std::equal(std::begin(kPlainPkcs8Prefix), std::end(kPlainPkcs8Prefix), der))
        raw.emplace(der + sizeof kPlainPkcs8Prefix, der + size);
    OPENSSL_clear_free(der, static_cast<std::size_t>(size));
    OPENSSL_free(name);
    OPENSSL_free(header);
    return raw;
}

}  // namespace

std::optional<SealKeyPair> makeSealKeyPair()
{
    const Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "X25519"));
    if (!key)
        return std::nullopt;
    SealKeyPair pair;
    pair.privateKey.resize(kSealKeySize);
    std::size_t size = kSealKeySize;
    if (EVP_PKEY_get_raw_private_key(key.get(), pair.privateKey.data(), &size) != 1 || size != kSealKeySize)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> publicKey = rawPublicKey(key.get());
    if (!publicKey)
        return std::nullopt;
    pair.publicKey = std::move(*publicKey);
    return pair;
}

std::optional<std::vector<unsigned char>> sealPublicKeyOf(std::span<const unsigned char> privateKey)
{
    const Key key = privateKeyOf(privateKey);
    if (!key)
        return std::nullopt;
    return rawPublicKey(key.get());
}

std::string sealPrivateKeyToPem(std::span<const unsigned char> privateKey)
{
    const Key key = privateKeyOf(privateKey);
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!key || !bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

std::optional<std::vector<unsigned char>> sealPrivateKeyFromPem(std::string_view pem)
{
    if (std::optional<std::vector<unsigned char>> raw = rawKeyOfPlainPkcs8(pem))
        return raw;
    const Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio)
        return std::nullopt;
    const Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_X25519)
        return std::nullopt;
    std::vector<unsigned char> raw(kSealKeySize);
    std::size_t size = raw.size();
    if (EVP_PKEY_get_raw_private_key(key.get(), raw.data(), &size) != 1 || size != kSealKeySize)
        return std::nullopt;
    return raw;
}

std::optional<std::vector<unsigned char>> seal(std::span<const unsigned char> plaintext,
                                               std::span<const unsigned char> publicKey, std::string_view context)
{
    const Key recipient = publicKeyOf(publicKey);
    const Key oneTime(EVP_PKEY_Q_keygen(nullptr, nullptr, "X25519"));
    if (!recipient || !oneTime)
        return std::nullopt;
    const std::optional<std::vector<unsigned char>> oneTimePublic = rawPublicKey(oneTime.get());
    Secret<kSealKeySize> shared;
    Secret<kAesKeySize> aesKey;
    if (!oneTimePublic || !agree(oneTime.get(), recipient.get(), shared) ||
        !deriveAesKey(shared, *oneTimePublic, publicKey, aesKey))
        return std::nullopt;

    std::vector<unsigned char> sealed(kSealOverhead + plaintext.size());
    sealed[0] = kVersion;
    std::copy(oneTimePublic->begin(), oneTimePublic->end(), sealed.begin() + 1);
    unsigned char* nonce = sealed.data() + 1 + kSealKeySize;
    unsigned char* body = nonce + kNonceSize;
    unsigned char* tag = body + plaintext.size();
    if (RAND_bytes(nonce, static_cast<int>(kNonceSize)) != 1)
        return std::nullopt;
    const CipherContext cipher = startCipher(true, aesKey, nonce, context);
    int written = 0;
    int finalWritten = 0;
    if (!cipher ||
        EVP_CipherUpdate(cipher.get(), body, &written, plaintext.data(), static_cast<int>(plaintext.size())) != 1 ||
        EVP_CipherFinal_ex(cipher.get(), body + written, &finalWritten) != 1 ||
        EVP_CIPHER_CTX_ctrl(cipher.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), tag) != 1)
        return std::nullopt;
    return sealed;
}

std::optional<std::vector<unsigned char>> openSealed(std::span<const unsigned char> sealed,
                                                     std::span<const unsigned char> privateKey,
                                                     std::string_view context)
{
    if (sealed.size() < kSealOverhead || sealed[0] != kVersion)
        return std::nullopt;
    const std::span<const unsigned char> senderPublic = sealed.subspan(1, kSealKeySize);
    const unsigned char* nonce = sealed.data() + 1 + kSealKeySize;
    const std::span<const unsigned char> body =
        sealed.subspan(1 + kSealKeySize + kNonceSize, sealed.size() - kSealOverhead);
    const unsigned char* tag = body.data() + body.size();

    const Key own = privateKeyOf(privateKey);
    const Key sender = publicKeyOf(senderPublic);
    if (!own || !sender)
        return std::nullopt;
    const std::optional<std::vector<unsigned char>> ownPublic = rawPublicKey(own.get());
    Secret<kSealKeySize> shared;
    Secret<kAesKeySize> aesKey;
    if (!ownPublic || !agree(own.get(), sender.get(), shared) ||
        !deriveAesKey(shared, senderPublic, *ownPublic, aesKey))
        return std::nullopt;

    std::vector<unsigned char> plaintext(body.size());
    const CipherContext cipher = startCipher(false, aesKey, nonce, context);
    int written = 0;
    int finalWritten = 0;
    if (!cipher ||
        EVP_CipherUpdate(cipher.get(), plaintext.data(), &written, body.data(), static_cast<int>(body.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(cipher.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize),
                            const_cast<unsigned char*>(tag)) != 1 ||
        EVP_CipherFinal_ex(cipher.get(), plaintext.data() + written, &finalWritten) != 1) {
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        return std::nullopt;
    }
    return plaintext;
}

void wipe(std::span<unsigned char> bytes)
{
    OPENSSL_cleanse(bytes.data(), bytes.size());
}

}  // namespace korvane::crypto
