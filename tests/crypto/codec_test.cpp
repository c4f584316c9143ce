// Hex and Base64 codecs: published vectors, stopping rules and buffer bounds.
#include "crypto/base64.h"
#include "crypto/hex.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

using namespace korvane::crypto;

namespace {

// Returns the bytes of `text`.
std::vector<unsigned char> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

// Returns `text` as an exactly sized heap copy with its zero byte, so the sanitizer build catches
// any read past the terminator.
std::vector<char> exactText(const std::string& text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return copy;
}

struct Decoded {
    std::string bytes;
    int result;
};

// Runs Base64decode on `coded` into a buffer of exactly Base64decode_len bytes.
Decoded decode(const std::string& coded)
{
    const std::vector<char> text = exactText(coded);
    std::vector<unsigned char> dest(static_cast<size_t>(Base64decode_len(text.data())), 0xAA);
    const int result = Base64decode(dest.data(), text.data());
    EXPECT_EQ(dest[static_cast<size_t>(result)], 0) << coded;
    return {std::string(dest.begin(), dest.begin() + result), result};
}

}  // namespace

TEST(Hex, BytesBecomeUppercaseDigitsAndComeBack)
{
    const std::array<unsigned char, 2> bytes = {0x00, 0xFF};
    std::array<char, 5> text;
    text.fill('#');
    myitoa(bytes.data(), text.data(), 2);
    EXPECT_STREQ(text.data(), "00FF");

    std::array<unsigned char, 3> back;
    back.fill(0xAA);
    myatoi(text.data(), back.data(), 4);
    EXPECT_EQ(back, (std::array<unsigned char, 3>{0x00, 0xFF, 0x00}));

    std::vector<unsigned char> all(256);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<unsigned char>(i);
    const std::string hex = toHex(all);
    EXPECT_EQ(hex.substr(0x9A * 2, 4), "9A9B");
    EXPECT_EQ(fromHex(hex), all);
    std::vector<unsigned char> decoded(257, 0xAA);
    myatoi(hex.c_str(), decoded.data(), 512);
    EXPECT_EQ(std::vector<unsigned char>(decoded.begin(), decoded.end() - 1), all);
}

TEST(Hex, CountZeroWritesOnlyTheTerminator)
{
    char text = '#';
    myitoa(nullptr, &text, 0);
    EXPECT_EQ(text, '#');
    const unsigned char byte = 0x12;
    myitoa(&byte, &text, 0);
    EXPECT_EQ(text, '\0');
    unsigned char out = 0xAA;
    myatoi("12", &out, 0);
    EXPECT_EQ(out, 0);
}

TEST(Hex, DecodingToleratesShortAndForeignDigits)
{
    EXPECT_EQ(fromHex("2a7374616e64617264"), bytesOf("*standard"));
    EXPECT_EQ(fromHex("G1x2"), (std::vector<unsigned char>{0x01, 0x02}));
    EXPECT_EQ(fromHex("ABC"), (std::vector<unsigned char>{0xAB}));

    // A stored value cut short: decode what is there, zeros for the rest, nothing read or written
    // beyond either buffer.
    const std::vector<char> shortText = exactText("0aB");
    std::vector<unsigned char> dest(17, 0xAA);
    myatoi(shortText.data(), dest.data(), 32);
    std::vector<unsigned char> expected(17, 0);
    expected[0] = 0x0A;
    expected[1] = 0xB0;
    EXPECT_EQ(dest, expected);
}

TEST(Base64, EncodesThePublishedVectors)
{
    const std::vector<std::pair<std::string, std::string>> vectors = {{"", ""},
                                                                      {"f", "Zg=="},
                                                                      {"fo", "Zm8="},
                                                                      {"foo", "Zm9v"},
                                                                      {"foob", "Zm9vYg=="},
                                                                      {"fooba", "Zm9vYmE="},
                                                                      {"foobar", "Zm9vYmFy"},
                                                                      {"abc", "YWJj"},
                                                                      {"ab", "YWI="},
                                                                      {"a", "YQ=="}};
    for (const auto& [plain, coded] : vectors) {
        const int count = static_cast<int>(plain.size());
        std::vector<char> dest(static_cast<size_t>(Base64encode_len(count)), '#');
        const int written = Base64encode(dest.data(), reinterpret_cast<const unsigned char*>(plain.data()), count);
        EXPECT_EQ(written, static_cast<int>(coded.size()) + 1) << plain;
        EXPECT_EQ(written, Base64encode_len(count)) << plain;
        EXPECT_STREQ(dest.data(), coded.c_str());
        EXPECT_EQ(base64Encode(bytesOf(plain)), coded);

        EXPECT_EQ(decode(coded).bytes, plain);
        EXPECT_EQ(base64Decode(coded), bytesOf(plain));
    }
    EXPECT_EQ(Base64encode_len(16), 25);
    EXPECT_EQ(Base64encode_len(0), 1);
}

TEST(Base64, DecodingStopsAtTheFirstCharacterOutsideTheAlphabet)
{
    EXPECT_EQ(decode("YWJj").result, 3);
    EXPECT_EQ(decode("YWI=").result, 2);
    EXPECT_EQ(decode("YQ").bytes, "a");
    EXPECT_EQ(decode("YQ").result, 1);
    EXPECT_EQ(decode("Y").result, 0);
    EXPECT_EQ(decode("").result, 0);
    EXPECT_EQ(decode("YW Jj").bytes, "a");
    EXPECT_EQ(decode("YWJj=YWJj").bytes, "abc");
    EXPECT_EQ(decode("YWJjYWJ\nj").bytes, "abcab");
    EXPECT_EQ(base64Decode("YW Jj"), bytesOf("a"));

    EXPECT_EQ(Base64decode_len("YWJj"), 4);
    EXPECT_EQ(Base64decode_len(""), 1);
    EXPECT_EQ(Base64decode_len("YW Jj"), 4);
    EXPECT_EQ(Base64decode_len("YWJjY"), 7);
}

TEST(Base64, EveryByteValueRoundTripsAtEveryRemainder)
{
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 300; ++i) {
        bytes.push_back(static_cast<unsigned char>(i * 97 + 13));
        const std::string coded = base64Encode(bytes);
        ASSERT_EQ(decode(coded).bytes, std::string(bytes.begin(), bytes.end())) << i;
    }
}

TEST(Base64, MissingBuffersWriteNothing)
{
    char dest = '#';
    EXPECT_EQ(Base64encode(&dest, nullptr, 3), 0);
    EXPECT_EQ(dest, '#');
    EXPECT_EQ(Base64decode(nullptr, "YWJj"), 0);
    EXPECT_EQ(Base64decode_len(nullptr), 0);
}
