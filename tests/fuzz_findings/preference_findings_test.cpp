// Inputs the fuzz targets found, kept as regular tests: preference domain files.
#include "platform/user_defaults.h"
#include "support/property_value_printer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A binary property list holding one dictionary of one key (an ASCII text) set to true, or to
// the value object given.
std::string binaryDictionaryWithKey(const std::string& key, const std::string& value = "\x09")
{
    std::string out = "bplist00";
    const std::size_t dictionary = out.size();
    out += "\xD1\x01\x02";  // one entry: key object 1, value object 2
    const std::size_t text = out.size();
    out += static_cast<char>(0x50 | key.size());
    out += key;
    const std::size_t flag = out.size();
    out += value;
    const std::size_t table = out.size();
    out += static_cast<char>(dictionary);
    out += static_cast<char>(text);
    out += static_cast<char>(flag);
    out += std::string(6, '\0');
    out += "\x01\x01";                     // offset and reference sizes
    out += std::string(7, '\0') + '\x03';  // three objects
    out += std::string(8, '\0');           // the top object is the dictionary
    out += std::string(7, '\0') + static_cast<char>(table);
    return out;
}

// fuzz_preferences: libplist aborts the process (an assertion) when it hands out a dictionary
// key that holds a zero character, so such a file crashed the host at every start.
TEST(PreferenceFinding, AKeyWithAZeroCharacterMakesTheFileDamagedNotACrash)
{
    EXPECT_FALSE(platform::propertyListFromBytes(binaryDictionaryWithKey(std::string("a\0b", 3))));
    EXPECT_EQ(platform::propertyListFromBytes(binaryDictionaryWithKey("ab")),
              (platform::PropertyDictionary{{"ab", {true}}}));
}

// fuzz_preferences: a date far outside the range libplist converts came out of a binary file
// with impossible microseconds, and every rewrite of the domain moved that date by 36 minutes.
TEST(PreferenceFinding, ADateOutOfRangeStaysTheSameAcrossRewrites)
{
    const std::string farFuture("\x33\x7F\xE0\x00\x00\x00\x00\x00\x00", 9);  // a date of 2^1023 seconds
    const auto read = platform::propertyListFromBytes(binaryDictionaryWithKey("d", farFuture));
    ASSERT_TRUE(read);
    const std::string once = platform::xmlPropertyList(*read);
    const auto back = platform::propertyListFromBytes(once);
    ASSERT_TRUE(back);
    EXPECT_EQ(platform::xmlPropertyList(*back), once);
}

}  // namespace
