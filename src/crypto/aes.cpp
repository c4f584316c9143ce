// AES-128 encryption of secrets over OpenSSL's EVP interface.
#include "crypto/aes.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kBlockSize = 16;
using Key = std::array<unsigned char, kBlockSize>;
using Block = std::array<unsigned char, kBlockSize>;

// The one key shared by every user and printer for the values the panel reads back itself.
constexpr Key kFixedKey = {0x7e, 0x31, 0xc4, 0x0a, 0x9d, 0x52, 0xe8, 0x16,
                           0xb3, 0x4f, 0x0c, 0x77, 0xa1, 0x2d, 0x95, 0xe6};

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// AES-128 over whole blocks, each block on its own: ECB without padding is exactly that.
class BlockCipher {
public:
    // Sets up the key schedule for one direction; `ready()` tells whether the library agreed.
    BlockCipher(const unsigned char* key, bool encrypt) : context_(EVP_CIPHER_CTX_new())
    {
        ready_ = context_ &&
                 EVP_CipherInit_ex(context_.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) == 1 &&
                 EVP_CIPHER_CTX_set_padding(context_.get(), 0) == 1;
    }

    bool ready() const { return ready_; }

    // Runs the cipher over `byteCount` bytes (a multiple of 16) from `in` into `out`.
    void apply(const unsigned char* in, unsigned char* out, int byteCount)
    {
        if (!ready_ || byteCount <= 0)
            return;
        int written = 0;
        EVP_CipherUpdate(context_.get(), out, &written, in, byteCount);
    }

    // Runs the cipher over a last block of fewer than 16 bytes, completed with zero bytes.
    void applyPartial(const unsigned char* in, int byteCount, unsigned char* out)
    {
        Block block{};
        std::memcpy(block.data(), in, static_cast<size_t>(byteCount));
        apply(block.data(), out, kBlockSize);
        OPENSSL_cleanse(block.data(), block.size());
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context_;
    bool ready_ = false;
};

// Encrypts `length` bytes of `text` into `out`, which holds at least that length rounded up to 16.
void encryptBlocks(const unsigned char* key, const unsigned char* text, int length, unsigned char* out)
{
    if (length <= 0)
        return;
    BlockCipher cipher(key, true);
    const int whole = length / kBlockSize * kBlockSize;
    cipher.apply(text, out, whole);
    if (whole < length)
        cipher.applyPartial(text + whole, length - whole, out + whole);
}

// Clears `out` and encrypts as much of the zero-terminated `plaintext` as fits there in whole blocks.
void encryptTextInto(const unsigned char* key, const unsigned char* plaintext, unsigned char* out, int outSize)
{
    if (outSize <= 0)
        return;
    std::memset(out, 0, static_cast<size_t>(outSize));
    // Never read more of the text than the blocks that fit can carry.
    const size_t room = static_cast<size_t>(outSize / kBlockSize * kBlockSize);
    const int length = static_cast<int>(strnlen(reinterpret_cast<const char*>(plaintext), room));
    encryptBlocks(key, plaintext, length, out);
}

// Returns the number of bytes `length` takes as whole blocks.
size_t roundedToBlocks(size_t length)
{
    return (length + kBlockSize - 1) / kBlockSize * kBlockSize;
}

// Returns `text` up to its first zero byte, as the zero-terminated forms end there.
std::string_view untilZero(std::string_view text)
{
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

// Decrypts whole blocks with `key` and returns the text up to its first zero byte.
std::string decryptToText(const unsigned char* key, std::span<const unsigned char> blocks)
{
    if (blocks.empty())
        return {};
    std::vector<unsigned char> plain(roundedToBlocks(blocks.size()));
    BlockCipher cipher(key, false);
    const int count = static_cast<int>(blocks.size());
    const int whole = count / kBlockSize * kBlockSize;
    cipher.apply(blocks.data(), plain.data(), whole);
    if (whole < count)
        cipher.applyPartial(blocks.data() + whole, count - whole, plain.data() + whole);
    const auto end = std::find(plain.begin(), plain.end(), 0);
    std::string text(plain.begin(), end);
    OPENSSL_cleanse(plain.data(), plain.size());
    return text;
}

// Copies the last 16 bytes of `keyText` (up to its first zero byte) into `key`; false when it is shorter.
bool deriveKey(std::string_view keyText, Key& key)
{
    keyText = untilZero(keyText);
    if (keyText.size() < kBlockSize)
        return false;
    std::memcpy(key.data(), keyText.data() + keyText.size() - kBlockSize, key.size());
    return true;
}

}  // namespace

void my_aes_encrypt(const unsigned char* plaintext, unsigned char* out, int outSize)
{
    if (!plaintext || !out)
        return;
    encryptTextInto(kFixedKey.data(), plaintext, out, outSize);
}

void my_aes_encrypt2(const unsigned char* plaintext, const char* keyText, unsigned char* out, int outSize)
{
    if (!plaintext || !keyText || !out)
        return;
    const size_t keyTextLength = std::strlen(keyText);
    // A shorter key text has no 16 bytes to take; reading before it would be worse than refusing.
    if (keyTextLength < kBlockSize)
        return;
    Key key;
    std::memcpy(key.data(), keyText + keyTextLength - kBlockSize, key.size());
    encryptTextInto(key.data(), plaintext, out, outSize);
    OPENSSL_cleanse(key.data(), key.size());
}

void my_aes_decrypt(const unsigned char* ciphertext, int count, unsigned char* out)
{
    if (!ciphertext || !out)
        return;
    out[0] = 0;
    if (count <= 0)
        return;
    BlockCipher cipher(kFixedKey.data(), false);
    const int whole = count / kBlockSize * kBlockSize;
    cipher.apply(ciphertext, out, whole);
    if (whole < count)
        cipher.applyPartial(ciphertext + whole, count - whole, out + whole);
}

namespace korvane::crypto {

std::string aesDecryptTextWithKeyText(std::span<const unsigned char> blocks, std::string_view keyText)
{
    Key key;
    if (!deriveKey(keyText, key))
        return {};
    std::string text = decryptToText(key.data(), blocks);
    OPENSSL_cleanse(key.data(), key.size());
    return text;
}

}  // namespace korvane::crypto
