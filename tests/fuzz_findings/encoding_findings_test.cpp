// Inputs the fuzz targets found, kept as regular tests: conversions between stored bytes and
// the panel's UTF-8 texts.
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using platform::decodeBytes;
using platform::kUTF8StringEncoding;

// fuzz_text_bytes: bytes stored as "UTF-8" that are not UTF-8 came back as they were, and the
// toolkit then showed replacement characters for a text the reader reported as decoded.
TEST(DecodeBytesFinding, SequencesPastTheLastCodePointAreNotUTF8)
{
    EXPECT_EQ(decodeBytes("a\xF0\x9D\x98\x80\xF5\x9D\x98\x80", kUTF8StringEncoding), std::nullopt);
    EXPECT_EQ(decodeBytes("\xF4\x90\x80\x80", kUTF8StringEncoding), std::nullopt);  // U+110000
    EXPECT_EQ(decodeBytes("\xF8\x88\x80\x80\x80", kUTF8StringEncoding), std::nullopt);
}

TEST(DecodeBytesFinding, OtherMalformedUTF8StaysRefused)
{
    for (const char* bytes : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\x80", "ab\xC3"})
        EXPECT_EQ(decodeBytes(bytes, kUTF8StringEncoding), std::nullopt) << bytes;
}

TEST(DecodeBytesFinding, WellFormedUTF8AtTheEdgesOfTheRangeComesBackWhole)
{
    const std::string texts[] = {
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "\xF4\x8F\xBF\xBF",
        "\xEF\xBF\xBD",
        "\xF0\x90\x80\x80",
        "\xED\x9F\xBF",
        "\xE0\xA0\x80",
        std::string("a\0b", 3)};
    for (const std::string& text : texts)
        EXPECT_EQ(decodeBytes(text, kUTF8StringEncoding), std::optional<std::string>(text));
}

TEST(DecodeBytesFinding, SingleByteEncodingsStillDecodeEveryByteTheyDefine)
{
    EXPECT_EQ(decodeBytes("\xFC", platform::kISOLatin1StringEncoding), std::optional<std::string>("\xC3\xBC"));
    EXPECT_EQ(decodeBytes("\x80", platform::kWindowsLatin1StringEncoding), std::optional<std::string>("\xE2\x82\xAC"));
}

}  // namespace
