#include "support/settings_reference.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace testing_support::reference {

namespace {

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Runs AES-128-ECB without padding over whole blocks.
std::string aesEcb(std::string_view blocks, std::string_view key16, bool encrypt)
{
    if (key16.size() != 16 || blocks.size() % 16 != 0)
        throw std::invalid_argument("AES needs a 16-byte key and whole blocks");
    CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    const auto* key = reinterpret_cast<const unsigned char*>(key16.data());
    if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) != 1)
        throw std::runtime_error("AES set-up failed");
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    std::string out(blocks.size() + 16, '\0');
    int written = 0;
    int last = 0;
    auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
    if (EVP_CipherUpdate(ctx.get(), outBytes, &written, reinterpret_cast<const unsigned char*>(blocks.data()),
                         static_cast<int>(blocks.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), outBytes + written, &last) != 1)
        throw std::runtime_error("AES failed");
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}

}  // namespace

std::string fixedKey()
{
    return unhex("7E31C40A9D52E816B34F0C77A12D95E6");
}

std::string hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

std::string unhex(std::string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return bytes;
}

std::string md5(std::string_view bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 failed");
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

std::string aesEncrypt(std::string_view bytes, std::string_view key16)
{
    std::string blocks(bytes);
    blocks.resize((blocks.size() + 15) / 16 * 16, '\0');
    return aesEcb(blocks, key16, true);
}

std::string aesDecrypt(std::string_view blocks, std::string_view key16)
{
    return aesEcb(blocks, key16, false);
}

std::string base64(std::string_view bytes)
{
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string unbase64(std::string_view text)
{
    std::string bytes(3 * ((text.size() + 3) / 4) + 1, '\0');
    const int length =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (length < 0)
        throw std::invalid_argument("not Base64");
    std::size_t pads = 0;
    for (auto it = text.rbegin(); it != text.rend() && *it == '='; ++it)
        ++pads;
    bytes.resize(static_cast<std::size_t>(length) - pads);
    return bytes;
}

std::string padded(const std::string& text)
{
    if (text.empty() || text.size() >= 5)
        return text;
    return std::string(5 - text.size(), '0') + text;
}

std::string spoolKey(const std::string& spoolTime)
{
    if (spoolTime.size() < 16)
        throw std::invalid_argument("spool time shorter than a key");
    return spoolTime.substr(spoolTime.size() - 16);
}

std::string untilZero(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace testing_support::reference
