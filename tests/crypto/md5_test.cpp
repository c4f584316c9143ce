// MD5 digest text: the RFC 1321 suite and the one- and two-block boundary.
#include "crypto/md5.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

TEST(Md5, MatchesThePublishedAndIndependentlyComputedDigests)
{
    const std::vector<std::pair<std::string, std::string>> digests = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // 55 bytes still fit one padded block, 56 need two (digests from md5sum).
        {"The quick brown fox jumps over the lazy dog, 55 bytes..", "a7a64e0ec863e665c1160778e0d80a26"},
        {"The quick brown fox jumps over the lazy dog, 55 bytes..!", "ef6bec2a6d4538ea37e9cf4d44403369"},
    };
    for (const auto& [message, digest] : digests) {
        std::array<char, 33> dest;
        dest.fill('#');
        calcMD5(dest.data(), message.c_str());
        EXPECT_STREQ(dest.data(), digest.c_str()) << message.size();
        EXPECT_EQ(korvane::crypto::md5Hex(message), digest) << message.size();
    }
}

TEST(Md5, MissingSourceLeavesTheDestinationAlone)
{
    std::array<char, 33> dest;
    dest.fill('#');
    calcMD5(dest.data(), nullptr);
    EXPECT_EQ(dest[0], '#');
    calcMD5(nullptr, "abc");
}
