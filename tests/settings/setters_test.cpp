// The print-settings setters, the control-character cleaner and the text-to-bytes rules.
#include "settings/print_settings_setters.h"
#include "settings/text_bytes.h"

#include <gtest/gtest.h>

#include <string>

using korvane::settings::TextBytes;
using platform::PrintSettings;

namespace {

std::string valueOr(const PrintSettings& settings, const std::string& key, const std::string& absent = "<absent>")
{
    return settings.value(key).value_or(absent);
}

std::string convert(const std::string& text, platform::StringEncoding encoding, const korvane::settings::TextRule& rule)
{
    TextBytes out;
    korvane::settings::convertText(text, encoding, rule, out);
    EXPECT_EQ(out.bytes[out.count], 0) << "a zero byte must follow the text";
    return std::string(out.c_str(), out.count);
}

}  // namespace

TEST(AsciiSetter, SetsAsciiTextAndRemovesEverythingElse)
{
    PrintSettings settings;
    MyPMPrintSetAsciiCStrValue(&settings, "k", "value");
    EXPECT_EQ(valueOr(settings, "k"), "value");
    MyPMPrintSetAsciiCStrValue(&settings, "k", "caf\xC3\xA9");  // not ASCII: no value at all
    EXPECT_FALSE(settings.contains("k"));
    settings.setValue("k", "old");
    MyPMPrintSetAsciiCStrValue(&settings, "k", "");
    EXPECT_FALSE(settings.contains("k"));
    settings.setValue("k", "old");
    MyPMPrintSetAsciiCStrValue(&settings, "k", nullptr);
    EXPECT_FALSE(settings.contains("k"));
    MyPMPrintSetAsciiCStrValue(nullptr, "k", "value");
    MyPMPrintSetAsciiCStrValue(&settings, nullptr, "value");
    EXPECT_TRUE(settings.values().empty());
}

TEST(MultiPieceSetter, CutsIntoPiecesOf254AndRemovesOnlyTheKeyAfterTheLast)
{
    PrintSettings settings;
    for (const char* key : {"p1", "p2", "p3", "p4"})
        settings.setValue(key, "old");
    const std::string exact(254, 'a');
    MyMultiPMPrintSetAsciiCStrValue(&settings, "p", exact.c_str());
    EXPECT_EQ(valueOr(settings, "p1"), exact);
    EXPECT_FALSE(settings.contains("p2"));
    EXPECT_EQ(valueOr(settings, "p3"), "old");

    const std::string longer = std::string(254, 'b') + "c";
    MyMultiPMPrintSetAsciiCStrValue(&settings, "p", longer.c_str());
    EXPECT_EQ(valueOr(settings, "p1"), std::string(254, 'b'));
    EXPECT_EQ(valueOr(settings, "p2"), "c");
    EXPECT_FALSE(settings.contains("p3"));
    EXPECT_EQ(valueOr(settings, "p4"), "old");
}

TEST(MultiPieceSetter, EmptyTextRemovesOnlyThePieceOneKey)
{
    PrintSettings settings;
    settings.setValue("p1", "old");
    settings.setValue("p2", "old");
    MyMultiPMPrintSetAsciiCStrValue(&settings, "p", "");
    EXPECT_FALSE(settings.contains("p1"));
    EXPECT_EQ(valueOr(settings, "p2"), "old");
    settings.setValue("p1", "old");
    MyMultiPMPrintSetAsciiCStrValue(&settings, "p", nullptr);
    EXPECT_FALSE(settings.contains("p1"));
}

TEST(MultiPieceSetter, RefusesMissingOrOverlongPrefixes)
{
    PrintSettings settings;
    MyMultiPMPrintSetAsciiCStrValue(&settings, "", "x");
    MyMultiPMPrintSetAsciiCStrValue(&settings, nullptr, "x");
    MyMultiPMPrintSetAsciiCStrValue(&settings, std::string(99, 'q').c_str(), "x");
    EXPECT_TRUE(settings.values().empty());
    MyMultiPMPrintSetAsciiCStrValue(&settings, std::string(98, 'q').c_str(), "x");
    EXPECT_EQ(valueOr(settings, std::string(98, 'q') + "1"), "x");
}

TEST(MultiPieceSetter, APieceNumberThatDoesNotFitTheKeyNeverOverwritesAnotherPiece)
{
    // With a 98-character prefix the key of piece 10 would need 101 bytes; cut to 100 it
    // would read as the key of piece 1.
    PrintSettings settings;
    const std::string prefix(98, 'q');
    std::string text;
    for (char c = 'A'; c <= 'J'; ++c)
        text += std::string(254, c);
    MyMultiPMPrintSetAsciiCStrValue(&settings, prefix.c_str(), text.c_str());
    EXPECT_EQ(valueOr(settings, prefix + "1"), std::string(254, 'A'));
    EXPECT_EQ(valueOr(settings, prefix + "9"), std::string(254, 'I'));
    EXPECT_EQ(settings.values().size(), 9u);
}

TEST(ReplaceSpaceCode, TurnsControlCharactersAndQuotesIntoSpaces)
{
    unsigned char bytes[256];
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<unsigned char>(i);
    ReplaceSpaceCode(bytes, 256);
    for (int i = 0; i < 256; ++i) {
        const bool cleaned = (i >= 1 && i <= 8) || (i >= 10 && i <= 31) || i == 34;
        EXPECT_EQ(bytes[i], cleaned ? 32 : i) << "byte " << i;
    }
}

TEST(ReplaceSpaceCode, TouchesOnlyTheCountedBytes)
{
    unsigned char bytes[] = {'\n', '"', '\t', '\n'};
    ReplaceSpaceCode(bytes, 0);
    ReplaceSpaceCode(bytes, -3);
    EXPECT_EQ(bytes[0], '\n');
    ReplaceSpaceCode(bytes, 3);
    EXPECT_EQ(std::string(bytes, bytes + 4), "  \t\n");
}

TEST(TextRules, BoundCharactersAndBytesAndEndAtUnrepresentable)
{
    using namespace korvane::settings;
    EXPECT_EQ(convert("1234567", platform::kUTF8StringEncoding, kAccountNumberRule), "12345");
    EXPECT_EQ(convert("123456789", platform::kUTF8StringEncoding, kPINRule), "12345678");
    EXPECT_EQ(convert(std::string(40, 'p'), platform::kUTF8StringEncoding, kPasswordRule), std::string(32, 'p'));
    // A character whose bytes would pass the bound ends the text before it.
    EXPECT_EQ(convert(std::string(31, 'u') + "\xC3\xA9", platform::kUTF8StringEncoding, kJobIdentityRule),
              std::string(31, 'u'));
    EXPECT_EQ(convert("ab\xE6\x97\xA5"
                      "c",
                      platform::kWindowsLatin1StringEncoding, kLoginNameRule),
              "ab");
    EXPECT_EQ(convert("ab\xE6\x97\xA5"
                      "c",
                      platform::kWindowsLatin1StringEncoding, kPasswordRule),
              "ab c");
    // The second try, made only when nothing converted, puts spaces for what Mac Japanese lacks.
    const std::string nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    EXPECT_EQ(convert(nihon + "\xF0\x9F\x98\x80", platform::kISOLatin1StringEncoding, kLoginNameRule),
              "\x93\xFA\x96\x7B ");
    EXPECT_EQ(convert("a" + nihon, platform::kISOLatin1StringEncoding, kLoginNameRule), "a");
}

TEST(TextRules, WholeFolderNameOrNothing)
{
    using namespace korvane::settings;
    TextBytes out;
    EXPECT_TRUE(convertWholeText(std::string(255, 'f'), platform::kUTF8StringEncoding, out));
    EXPECT_EQ(out.count, 255u);
    EXPECT_EQ(out.bytes[255], 0);
    EXPECT_FALSE(convertWholeText(std::string(256, 'f'), platform::kUTF8StringEncoding, out));
    EXPECT_EQ(out.count, 0u);
    EXPECT_FALSE(convertWholeText("ab\xE6\x97\xA5", platform::kWindowsLatin1StringEncoding, out));
    EXPECT_TRUE(convertWholeText("B\xC3\xBC", platform::kWindowsLatin1StringEncoding, out));
    EXPECT_EQ(std::string(out.c_str(), out.count), "B\xFC");
}

TEST(TextRules, NumbersArePaddedToFiveCharacters)
{
    char out[16];
    const std::pair<const char*, const char*> cases[] = {
        {"7", "00007"},     {"42", "00042"},          {"123", "00123"}, {"1234", "01234"},
        {"12345", "12345"}, {"12345678", "12345678"}, {"", ""}};
    for (const auto& [text, expected] : cases) {
        EXPECT_TRUE(korvane::settings::padNumber(text, out, sizeof out));
        EXPECT_STREQ(out, expected);
    }
    char small[5];
    EXPECT_FALSE(korvane::settings::padNumber("1", small, sizeof small));
    EXPECT_STREQ(small, "");
}
