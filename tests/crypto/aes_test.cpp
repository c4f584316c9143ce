// AES block encryption of secrets: published vectors, the fixed key, block layout and buffer bounds.
#include "crypto/aes.h"
#include "crypto/hex.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

using korvane::crypto::fromHex;
using korvane::crypto::toHex;

namespace {

// Returns `text` as the zero-terminated bytes the encryption functions take.
std::vector<unsigned char> zeroTerminated(const std::string& text)
{
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// Returns the hex of what my_aes_encrypt writes for `text` into a 512-byte buffer, `shown` bytes of it.
std::string encryptedHex(const std::string& text, size_t shown)
{
    std::array<unsigned char, 512> out;
    out.fill(0xAA);
    my_aes_encrypt(zeroTerminated(text).data(), out.data(), static_cast<int>(out.size()));
    return toHex({out.data(), shown});
}

// Returns the hex of what my_aes_encrypt2 writes for `plain` keyed by `keyText`, `shown` bytes of it.
std::string encrypted2Hex(const std::vector<unsigned char>& plain, const std::string& keyText, size_t shown)
{
    std::vector<unsigned char> text = plain;
    text.push_back(0);
    std::array<unsigned char, 512> out{};
    my_aes_encrypt2(text.data(), keyText.c_str(), out.data(), static_cast<int>(out.size()));
    return toHex({out.data(), shown});
}

// A key text whose last 16 bytes are the FIPS-197 / SP 800-38A key 2b7e1516...4f3c.
std::string keyTextEndingInPublishedKey(const std::string& prefix)
{
    const std::vector<unsigned char> key = fromHex("2B7E151628AED2A6ABF7158809CF4F3C");
    return prefix + std::string(key.begin(), key.end());
}

}  // namespace

TEST(Aes, DerivedKeyMatchesPublishedVectorsBlockByBlock)
{
    // FIPS-197 Appendix B.
    EXPECT_EQ(encrypted2Hex(fromHex("3243F6A8885A308D313198A2E0370734"), keyTextEndingInPublishedKey("Tue, 5 "), 16),
              "3925841D02DC09FBDC118597196A0B32");
    // SP 800-38A F.1.1, two blocks: each must be encrypted on its own.
    EXPECT_EQ(encrypted2Hex(fromHex("6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51"),
                            keyTextEndingInPublishedKey(""), 32),
              "3AD77BB40D7A3660A89ECAF32466EF97F5D3D58503B9699DE785895A96FDBAAF");
}

TEST(Aes, DerivedKeyIsTheLastSixteenBytesOfTheKeyText)
{
    const std::vector<unsigned char> plain = {'s', 'e', 'c', 'r', 'e', 't'};
    const std::string a = encrypted2Hex(plain, "Mon, 1 Jan 2024 10:00:00 +0100", 16);
    EXPECT_EQ(a, encrypted2Hex(plain, "Sat, 1 Jan 2024 10:00:00 +0100", 16));
    EXPECT_EQ(a, encrypted2Hex(plain, "n 2024 10:00:00 +0100", 16));
    EXPECT_NE(a, encrypted2Hex(plain, "Mon, 1 Jan 2024 10:00:01 +0100", 16));
}

TEST(Aes, DerivedKeyTextShorterThanSixteenBytesLeavesTheOutputAlone)
{
    const auto text = zeroTerminated("secret");
    std::array<unsigned char, 32> out;
    out.fill(0xAA);
    my_aes_encrypt2(text.data(), "fifteen bytes!!", out.data(), static_cast<int>(out.size()));
    EXPECT_EQ(toHex(out), std::string(64, 'A'));
}

TEST(Aes, FixedKeyGivesTheKnownBlocks)
{
    // Computed independently with a command-line AES-128-ECB over the zero-completed block;
    // a fixed expected block is also what rules out any randomness.
    EXPECT_EQ(encryptedHex("1234", 16), "118191A99231D9A0F92C57901640DCF3");
    EXPECT_EQ(encryptedHex("sixteen-byte-pwd", 16), "759D84D0D61705764E8FAE7EF14DF06D");
}

TEST(Aes, BlockCountFollowsTheTextLength)
{
    const std::string zeroBlock(32, '0');
    EXPECT_EQ(encryptedHex("", 512), std::string(1024, '0'));
    for (const std::string& text : {std::string("x"), std::string(15, 'x'), std::string(16, 'x')}) {
        const std::string hex = encryptedHex(text, 32);
        EXPECT_NE(hex.substr(0, 32), zeroBlock) << text.size();
        EXPECT_EQ(hex.substr(32), zeroBlock) << text.size();
    }
    const std::string hex = encryptedHex(std::string(17, 'x'), 48);
    EXPECT_NE(hex.substr(32, 32), zeroBlock);
    EXPECT_EQ(hex.substr(64), zeroBlock);
    // The short second block is the one-byte text's block: completed by zeros.
    EXPECT_EQ(hex.substr(32, 32), encryptedHex("x", 16));
}

TEST(Aes, EqualHalvesGiveEqualBlocks)
{
    const std::string hex = encryptedHex("0123456789abcdef0123456789abcdef", 32);
    EXPECT_EQ(hex.substr(0, 32), hex.substr(32));
}

TEST(Aes, FixedKeyRoundTripsThroughCallerSizedBuffers)
{
    for (const size_t length : {1u, 15u, 16u, 17u, 31u, 32u, 176u, 255u}) {
        std::string text(length, '\0');
        for (size_t i = 0; i < length; ++i)
            text[i] = static_cast<char>('!' + i % 90);
        std::array<unsigned char, 512> cipher{};
        my_aes_encrypt(zeroTerminated(text).data(), cipher.data(), static_cast<int>(cipher.size()));
        std::array<unsigned char, 511> plain{};
        my_aes_decrypt(cipher.data(), static_cast<int>((length + 15) / 16 * 16), plain.data());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain.data())), text) << length;
    }
}

TEST(Aes, OutputSizeBoundsTheBlocksWritten)
{
    // Room for one block only: the second is left out instead of overrunning the caller's buffer.
    std::array<unsigned char, 32> out;
    out.fill(0xAA);
    my_aes_encrypt(zeroTerminated(std::string(20, 'x')).data(), out.data(), 16);
    EXPECT_EQ(toHex({out.data(), 16}), encryptedHex(std::string(16, 'x'), 16));
    EXPECT_EQ(toHex({out.data() + 16, 16}), std::string(32, 'A'));
}

TEST(Aes, DecryptReadsNoFurtherThanTheCount)
{
    std::array<unsigned char, 32> cipher{};
    my_aes_encrypt(zeroTerminated("twenty bytes of text").data(), cipher.data(), 32);
    std::array<unsigned char, 32> zeroCompleted{};
    std::copy(cipher.begin(), cipher.begin() + 20, zeroCompleted.begin());
    std::array<unsigned char, 32> expected{};
    my_aes_decrypt(zeroCompleted.data(), 32, expected.data());

    // The bytes after the count are the real rest of the block: reading them would restore the text.
    std::array<unsigned char, 32> fromCount{};
    my_aes_decrypt(cipher.data(), 20, fromCount.data());
    EXPECT_EQ(fromCount, expected);
    EXPECT_EQ(std::memcmp(fromCount.data(), "twenty bytes of ", 16), 0);
    EXPECT_NE(std::memcmp(fromCount.data() + 16, "text", 4), 0);

    // An exactly sized heap copy, for the sanitizer build.
    const std::vector<unsigned char> partial(cipher.begin(), cipher.begin() + 20);
    std::array<unsigned char, 32> fromHeap{};
    my_aes_decrypt(partial.data(), static_cast<int>(partial.size()), fromHeap.data());
    EXPECT_EQ(fromHeap, expected);
}

TEST(Aes, MissingBuffersChangeNothing)
{
    std::array<unsigned char, 16> out;
    out.fill(0xAA);
    const auto text = zeroTerminated("x");
    my_aes_encrypt(nullptr, out.data(), 16);
    my_aes_encrypt2(text.data(), nullptr, out.data(), 16);
    my_aes_decrypt(nullptr, 16, out.data());
    EXPECT_EQ(toHex(out), std::string(32, 'A'));
    my_aes_decrypt(out.data(), 0, out.data());
    EXPECT_EQ(out[0], 0);
}

TEST(Aes, DerivedKeyDecryptionUndoesThePanelsDerivedKeyEncryption)
{
    using korvane::crypto::aesDecryptTextWithKeyText;
    const std::string spoolTime = "Tue, 5 Mar 2024 09:07:03 +0100";
    // The blocks my_aes_encrypt2 makes of text, as the panel stores them.
    const auto encrypted = [](const std::string& text, const std::string& keyText) {
        std::array<unsigned char, 512> out{};
        my_aes_encrypt2(zeroTerminated(text).data(), keyText.c_str(), out.data(), static_cast<int>(out.size()));
        return std::vector<unsigned char>(out.begin(), out.begin() + static_cast<long>((text.size() + 15) / 16 * 16));
    };
    // A text that fills its blocks exactly has no zero inside them and still comes back exactly.
    for (const std::string& text :
         std::vector<std::string>{"sixteen-byte-pwd", "thirty-two bytes of login name!!", "ab"})
        EXPECT_EQ(aesDecryptTextWithKeyText(encrypted(text, spoolTime), spoolTime), text);
    // Only the last 16 bytes key it; another spool time does not give the text back.
    EXPECT_EQ(aesDecryptTextWithKeyText(encrypted("secret", spoolTime), "XX" + spoolTime), "secret");
    EXPECT_NE(aesDecryptTextWithKeyText(encrypted("secret", spoolTime), spoolTime + "1"), "secret");
    EXPECT_TRUE(aesDecryptTextWithKeyText(encrypted("secret", spoolTime), "short").empty());
    // A partial last block decrypts as if completed with zero bytes.
    const std::vector<unsigned char> blocks = encrypted("secret", spoolTime);
    std::vector<unsigned char> completed(blocks.begin(), blocks.begin() + 10);
    completed.resize(16, 0);
    EXPECT_EQ(aesDecryptTextWithKeyText(std::span(blocks).first(10), spoolTime),
              aesDecryptTextWithKeyText(completed, spoolTime));
}
