// Private folders: the two ways of reaching and making one, and what each refuses.
#include "platform/private_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

using platform::PrivateDirectoryOptions;

constexpr PrivateDirectoryOptions kRealFolderOnly{};
constexpr PrivateDirectoryOptions kLinkAndParents{.acceptLinkToOwnFolder = true, .makeMissingParents = true};

// What makePrivateDirectory says of dir: empty when it takes the folder, else its reason.
std::string problemOf(const std::string& dir, PrivateDirectoryOptions options)
{
    std::string error;
    if (platform::makePrivateDirectory(dir, options, &error))
        return {};
    return error.empty() ? "(refused without a reason)" : error;
}

unsigned modeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(PrivateDirectory, ALinkToTheUsersFolderIsTakenOnlyWhenTheCallerAcceptsIt)
{
    QTemporaryDir scratch;
    const std::string target = scratch.path().toStdString() + "/elsewhere";
    const std::string link = scratch.path().toStdString() + "/folder";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);

    EXPECT_EQ(problemOf(link, kRealFolderOnly), link + " is a symbolic link, not a private folder");
    EXPECT_EQ(modeOf(target), 0755u) << "a refused link must not change the folder it leads to";

    EXPECT_EQ(problemOf(link, kLinkAndParents), "");
    EXPECT_EQ(modeOf(target), 0700u);

    // A link that leads nowhere, or to a file, is no folder under either rule.
    const std::string dangling = scratch.path().toStdString() + "/dangling";
    ASSERT_EQ(::symlink((target + "/missing").c_str(), dangling.c_str()), 0);
    EXPECT_NE(problemOf(dangling, kLinkAndParents), "");
    EXPECT_EQ(problemOf(dangling, kRealFolderOnly), dangling + " is a symbolic link, not a private folder");
    const std::string file = scratch.path().toStdString() + "/file";
    std::ofstream(file) << "x";
    EXPECT_EQ(problemOf(file, kRealFolderOnly), file + " is not a folder");
    EXPECT_EQ(problemOf(file, kLinkAndParents), file + " is not a folder");
}

TEST(PrivateDirectory, MissingParentsAreMadeOnlyWhenAskedAndAnyModeEndsAs0700)
{
    QTemporaryDir scratch;
    const std::string deep = scratch.path().toStdString() + "/a/b/folder";
    EXPECT_EQ(problemOf(deep, kRealFolderOnly), deep + " cannot be created: No such file or directory");
    EXPECT_EQ(modeOf(scratch.path().toStdString() + "/a"), 0u);

    const mode_t oldMask = ::umask(0);
    EXPECT_EQ(problemOf(deep, kLinkAndParents), "");
    ::umask(oldMask);
    EXPECT_EQ(modeOf(scratch.path().toStdString() + "/a"), 0700u);
    EXPECT_EQ(modeOf(deep), 0700u);

    // A folder opened to others, or closed to its owner, is set back to 0700 by both rules.
    for (const mode_t mode : {0755, 0500, 02700}) {
        ASSERT_EQ(::chmod(deep.c_str(), mode), 0);
        EXPECT_EQ(problemOf(deep, kRealFolderOnly), "") << std::oct << mode;
        EXPECT_EQ(modeOf(deep), 0700u) << std::oct << mode;
    }
}

}  // namespace
