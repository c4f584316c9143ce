// MD5 digest text. The digest itself is the library's; what is ours is its rendering (lowercase
// hex, high half first, a zero byte after 32 digits) and which bytes are digested.
#include "crypto/md5.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

TEST(Md5, DigestIsLowercaseHexHighHalfFirstAndEndsAfterThirtyTwoDigits)
{
    // The digest of "39" holds every one of the sixteen hex digits.
    const std::string digestOf39 = "d67d8ab4f4c10bf22aa353e27879133c";
    std::array<char, 40> dest;
    dest.fill('#');
    calcMD5(dest.data(), "39");
    EXPECT_STREQ(dest.data(), digestOf39.c_str());
    EXPECT_EQ(std::string(dest.begin() + 33, dest.end()), std::string(7, '#')) << "written past 33 bytes";
    EXPECT_EQ(korvane::crypto::md5Hex("39"), digestOf39);
    // The empty text: nothing to read, still a whole digest.
    calcMD5(dest.data(), "");
    EXPECT_STREQ(dest.data(), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5, TheCFormDigestsUpToTheFirstZeroByteTheStringFormEveryByte)
{
    const std::string withZero("39\0x", 4);
    std::array<char, 33> dest{};
    calcMD5(dest.data(), withZero.c_str());
    EXPECT_EQ(std::string(dest.data()), korvane::crypto::md5Hex("39"));
    EXPECT_NE(korvane::crypto::md5Hex(withZero), korvane::crypto::md5Hex("39"));
}

TEST(Md5, MissingSourceLeavesTheDestinationAlone)
{
    std::array<char, 33> dest;
    dest.fill('#');
    calcMD5(dest.data(), nullptr);
    EXPECT_EQ(dest[0], '#');
    calcMD5(nullptr, "abc");
}
