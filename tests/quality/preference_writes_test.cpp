// A domain written again with the same values is left as it is: each panel construction and
// each save write their domain, and rewriting it unchanged cost two flushes to the disk.
#include "platform/user_defaults.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

using platform::PropertyDictionary;
using platform::PropertyValue;

struct StoredFile {
    ino_t inode = 0;
    mode_t mode = 0;
};

std::optional<StoredFile> statOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return StoredFile{info.st_ino, static_cast<mode_t>(info.st_mode & 07777)};
}

PropertyDictionary domainWith(const std::string& model)
{
    return {{"Job Control", PropertyValue{PropertyDictionary{{"Model Name", PropertyValue{model}}}}},
            {"Other", PropertyValue{std::int64_t{7}}}};
}

// Writes the domain through a fresh defaults object, as every panel operation does.
bool write(const std::string& directory, const PropertyDictionary& domain)
{
    platform::UserDefaults defaults(directory);
    defaults.setPersistentDomain(domain, "korvane.mfp.q");
    return defaults.synchronize();
}

class PreferenceWrites : public ::testing::Test {
protected:
    testing_support::ScopedUserDirs dirs;
    std::string directory = dirs.path() + "/config/korvane";
    std::string path = platform::UserDefaults(directory).pathOfDomain("korvane.mfp.q");
};

TEST_F(PreferenceWrites, TheSameValuesLeaveTheFileAlone)
{
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    const auto first = statOf(path);
    ASSERT_TRUE(first);
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    const auto second = statOf(path);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->inode, first->inode);  // no new file was renamed over it
}

TEST_F(PreferenceWrites, OtherValuesReplaceTheFile)
{
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    const auto first = statOf(path);
    ASSERT_TRUE(write(directory, domainWith("RK-990")));
    const auto second = statOf(path);
    ASSERT_TRUE(first && second);
    EXPECT_NE(second->inode, first->inode);
    platform::UserDefaults reader(directory);
    EXPECT_EQ(reader.persistentDomainForName("korvane.mfp.q"), std::optional(domainWith("RK-990")));
}

TEST_F(PreferenceWrites, AFileThatLostItsPrivacyIsWrittenAgainPrivately)
{
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    const auto stored = statOf(path);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->mode, 0600u);
}

TEST_F(PreferenceWrites, AFileThatDoesNotParseIsSetAsideEvenWhenRewritten)
{
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    {
        std::FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("not a property list", file);
        std::fclose(file);
    }
    ASSERT_TRUE(write(directory, domainWith("RK-880")));
    EXPECT_TRUE(statOf(path + ".corrupt"));
    platform::UserDefaults reader(directory);
    EXPECT_EQ(reader.persistentDomainForName("korvane.mfp.q"), std::optional(domainWith("RK-880")));
}

}  // namespace
