// The user-defaults layer: where domains live, what the files hold, and that no crash, second
// writer, hostile name or damaged file costs the user data.
#include "platform/user_defaults.h"
#include "plugin/product_name.h"
#include "support/property_value_printer.h"
#include "support/test_host.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace {

namespace fs = std::filesystem;
using platform::PropertyArray;
using platform::PropertyDictionary;
using platform::PropertyValue;
using platform::UserDefaults;
using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;

constexpr const char* kDomain = "korvane.mfp.Office_3F";

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

unsigned modeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// A domain shaped like the store's, with a payload of `padding` bytes to make writes slower.
PropertyDictionary sampleDomain(const std::string& tag, std::size_t padding = 0)
{
    PropertyDictionary jobControl{{"Model Name", {std::string("RK-880")}},
                                  {"hold button", {std::int64_t{18}}},
                                  {"authentication", {true}},
                                  {"job name", {tag}},
                                  {"padding", {std::string(padding, 'x')}}};
    return PropertyDictionary{{"Job Control", {jobControl}}};
}

// Saves the domain through a fresh defaults object; true when it was written.
bool saveDomain(const PropertyDictionary& domain, const std::string& name = kDomain)
{
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    if (!defaults)
        return false;
    defaults->setPersistentDomain(domain, name);
    return defaults->synchronize();
}

// Reads the domain through a fresh defaults object.
std::optional<PropertyDictionary> loadDomain(const std::string& name = kDomain)
{
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    return defaults ? defaults->persistentDomainForName(name) : std::nullopt;
}

std::string domainPath(const ScopedUserDirs& dirs, const std::string& name = kDomain)
{
    return dirs.path() + "/config/korvane/" + platform::fileNameOfDomain(name) + ".plist";
}

// Runs fn in a child process that exits with 0 when fn answers true.
pid_t forkWorker(const std::function<bool()>& fn)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn() ? 0 : 1);
    return pid;
}

int waitExitCode(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UserDefaults, DomainRoundTripsThroughAnXmlPropertyListThatOtherReadersParse)
{
    ScopedUserDirs dirs;
    PropertyDictionary domain = sampleDomain("weekly <report> & \"notes\" — 週報");
    domain["Other Tool"] = PropertyValue{PropertyArray{{std::int64_t{-7}},
                                                       {false},
                                                       {2.5},
                                                       {platform::PropertyData{{0, 1, 255}}},
                                                       {platform::PropertyDate{600000000, 0}}}};
    ASSERT_TRUE(saveDomain(domain));

    EXPECT_EQ(loadDomain(), domain);

    const std::string xml = readBytes(domainPath(dirs));
    EXPECT_EQ(xml.rfind("<?xml", 0), 0u) << xml;
    plist_t root = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
    ASSERT_NE(root, nullptr);
    plist_t jobControl = plist_dict_get_item(root, "Job Control");
    ASSERT_NE(jobControl, nullptr);
    EXPECT_EQ(plist_get_node_type(jobControl), PLIST_DICT);
    uint64_t bits = 0;
    plist_get_uint_val(plist_dict_get_item(jobControl, "hold button"), &bits);
    EXPECT_EQ(bits, 18u);
    plist_free(root);
}

TEST(UserDefaults, DomainsLiveUnderTheConfigFolderAndNeedAnAbsoluteOne)
{
    ScopedUserDirs dirs;
    EXPECT_EQ(platform::fileNameOfDomain(kDomain), kDomain);
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->pathOfDomain(kDomain), dirs.path() + "/config/korvane/korvane.mfp.Office_3F.plist");

    {
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        auto fallback = platform::standardUserDefaults(korvane::kProductName);
        ASSERT_TRUE(fallback);
        EXPECT_EQ(fallback->directory(), dirs.path() + "/.config/korvane");
        ScopedEnv noHome("HOME", std::nullopt);
        EXPECT_FALSE(platform::standardUserDefaults(korvane::kProductName));
    }
    ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv emptyHome("HOME", "");
    EXPECT_FALSE(platform::standardUserDefaults(korvane::kProductName));
}

TEST(UserDefaults, FolderIsPrivateAndFilesAreReadableOnlyByTheUser)
{
    ScopedUserDirs dirs;
    const mode_t oldMask = umask(0);
    ASSERT_TRUE(saveDomain(sampleDomain("a")));
    umask(oldMask);
    EXPECT_EQ(modeOf(dirs.path() + "/config/korvane"), 0700u);
    EXPECT_EQ(modeOf(domainPath(dirs)), 0600u);

    // A folder someone opened up is closed again on the next write.
    ASSERT_EQ(chmod((dirs.path() + "/config/korvane").c_str(), 0755), 0);
    ASSERT_EQ(chmod(domainPath(dirs).c_str(), 0644), 0);
    ASSERT_TRUE(saveDomain(sampleDomain("b")));
    EXPECT_EQ(modeOf(dirs.path() + "/config/korvane"), 0700u);
    EXPECT_EQ(modeOf(domainPath(dirs)), 0600u);
}

TEST(UserDefaults, HostileDomainNamesStayInsideTheFolderAndApart)
{
    ScopedUserDirs dirs;
    const std::vector<std::string> names = {"../escape",
                                            "/etc/passwd",
                                            "..",
                                            ".",
                                            ".hidden",
                                            "a/b",
                                            "a%2Fb",
                                            "a_b",
                                            std::string("nul\0byte", 8),
                                            "",
                                            "sp ace\n",
                                            std::string(300, 'L'),
                                            std::string(299, 'L') + "M",
                                            std::string(150, '/')};
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_TRUE(saveDomain(sampleDomain(std::to_string(i)), names[i])) << i;

    const fs::path folder = fs::path(dirs.path()) / "config" / "korvane";
    std::size_t domainFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dirs.path())) {
        if (!entry.is_regular_file())
            continue;
        EXPECT_EQ(entry.path().parent_path(), folder) << entry.path();
        const std::string file = entry.path().filename().string();
        EXPECT_NE(file[0], '.') << file;
        if (file.size() > 6 && file.compare(file.size() - 6, 6, ".plist") == 0) {
            ++domainFiles;
            EXPECT_LE(file.size() + std::strlen(".corrupt"), 255u) << file;
        }
    }
    EXPECT_EQ(domainFiles, names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto domain = loadDomain(names[i]);
        ASSERT_TRUE(domain) << i;
        EXPECT_EQ(*domain, sampleDomain(std::to_string(i))) << i;
    }
}

TEST(UserDefaults, UnparseableFileCountsAsMissingAndIsKeptAsideWhenReplaced)
{
    ScopedUserDirs dirs;
    const std::vector<std::string> damaged = {
        "not a property list at all",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Job Control</key><dict><key>x</key>",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>", ""};
    for (const std::string& bytes : damaged) {
        writeBytes(domainPath(dirs), bytes);
        EXPECT_FALSE(loadDomain()) << bytes;
        ASSERT_TRUE(saveDomain(sampleDomain("fresh")));
        EXPECT_EQ(readBytes(domainPath(dirs) + ".corrupt"), bytes);
        EXPECT_EQ(loadDomain(), sampleDomain("fresh"));
    }
    // A pipe where the file belongs neither stalls a reader nor stops the next write.
    fs::remove(domainPath(dirs));
    ASSERT_EQ(mkfifo(domainPath(dirs).c_str(), 0600), 0);
    EXPECT_FALSE(loadDomain());
    ASSERT_TRUE(saveDomain(sampleDomain("fresh")));
    EXPECT_EQ(loadDomain(), sampleDomain("fresh"));

    // A sound file is replaced in place; nothing is set aside.
    fs::remove(domainPath(dirs) + ".corrupt");
    ASSERT_TRUE(saveDomain(sampleDomain("again")));
    EXPECT_FALSE(fs::exists(domainPath(dirs) + ".corrupt"));
}

TEST(UserDefaults, EachDamagedFileIsKeptAsideUpToFiveOfThem)
{
    ScopedUserDirs dirs;
    for (int i = 0; i < 7; ++i) {
        writeBytes(domainPath(dirs), "damaged " + std::to_string(i));
        ASSERT_TRUE(saveDomain(sampleDomain("fresh")));
    }
    const std::string aside = domainPath(dirs) + ".corrupt";
    EXPECT_EQ(readBytes(aside), "damaged 6");
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(readBytes(aside + "." + std::to_string(n)), "damaged " + std::to_string(6 - n));
    EXPECT_FALSE(fs::exists(aside + ".5"));
    EXPECT_EQ(loadDomain(), sampleDomain("fresh"));
}

// A binary property list whose root dictionary holds, under "a", arrays nested `depth` deep.
std::string nestedBinaryPlist(int depth)
{
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    auto bigEndian = [&out](std::uint64_t value, int size) {
        for (int i = size - 1; i >= 0; --i)
            out += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    offsets.push_back(out.size());
    out += '\xD1';  // a dictionary of one entry: key object 1, value object 2
    bigEndian(1, 4);
    bigEndian(2, 4);
    offsets.push_back(out.size());
    out +=
        "\x51"
        "a";
    for (int i = 0; i < depth; ++i) {
        offsets.push_back(out.size());
        out += '\xA1';  // an array of one: the next object
        bigEndian(3 + i, 4);
    }
    offsets.push_back(out.size());
    out += '\xA0';
    const std::uint64_t table = out.size();
    for (const std::uint64_t offset : offsets)
        bigEndian(offset, 4);
    out += std::string(6, '\0');
    out += '\x04';
    out += '\x04';
    bigEndian(offsets.size(), 8);
    bigEndian(0, 8);
    bigEndian(table, 8);
    return out;
}

TEST(UserDefaults, FilesNestedTooDeeplyCountAsDamagedAndAreSetAside)
{
    ScopedUserDirs dirs;
    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>";
    for (int i = 0; i < 100000; ++i)
        xml += "<array>";
    for (int i = 0; i < 100000; ++i)
        xml += "</array>";
    xml += "</dict></plist>";
    for (const std::string& bytes : {xml, nestedBinaryPlist(100000)}) {
        writeBytes(domainPath(dirs), bytes);
        EXPECT_FALSE(loadDomain());
        ASSERT_TRUE(saveDomain(sampleDomain("fresh")));
        EXPECT_EQ(readBytes(domainPath(dirs) + ".corrupt"), bytes);
    }
    // What a domain may hold still reads, in both forms.
    writeBytes(domainPath(dirs), nestedBinaryPlist(3));
    const PropertyValue nested{PropertyArray{{PropertyArray{{PropertyArray{{PropertyArray{}}}}}}}};
    EXPECT_EQ(loadDomain(), (PropertyDictionary{{"a", nested}}));
    ASSERT_TRUE(saveDomain(PropertyDictionary{{"a", nested}}));
    EXPECT_EQ(loadDomain(), (PropertyDictionary{{"a", nested}}));
}

TEST(UserDefaults, ADomainLargerThanTheReaderTakesIsNotWrittenAndTheStoredOneStays)
{
    ScopedUserDirs dirs;
    ASSERT_TRUE(saveDomain(sampleDomain("kept")));
    UserDefaults limited(dirs.path() + "/config/korvane", 4096);
    limited.setPersistentDomain(sampleDomain("too large", 5000), kDomain);
    std::string error;
    EXPECT_FALSE(limited.synchronize(&error));
    EXPECT_NE(error.find("the stored one is kept"), std::string::npos) << error;
    EXPECT_EQ(loadDomain(), sampleDomain("kept"));
    EXPECT_FALSE(fs::exists(domainPath(dirs) + ".corrupt"));

    limited.setPersistentDomain(sampleDomain("small"), kDomain);
    EXPECT_TRUE(limited.synchronize());
    EXPECT_EQ(loadDomain(), sampleDomain("small"));
}

TEST(UserDefaults, NoLinkAndNoFileOfAnotherUserIsRead)
{
    ScopedUserDirs dirs;
    const std::string planted = dirs.path() + "/planted.plist";
    writeBytes(planted, platform::xmlPropertyList(sampleDomain("planted")));
    fs::create_directories(fs::path(domainPath(dirs)).parent_path());
    ASSERT_EQ(symlink(planted.c_str(), domainPath(dirs).c_str()), 0);
    EXPECT_FALSE(loadDomain());

    fs::remove(domainPath(dirs));
    ASSERT_TRUE(saveDomain(sampleDomain("mine")));
    if (geteuid() != 0)
        GTEST_SKIP() << "files of another user need root";
    ASSERT_EQ(chown(domainPath(dirs).c_str(), 65534, 65534), 0);
    EXPECT_FALSE(loadDomain());
    ASSERT_EQ(chown(domainPath(dirs).c_str(), 0, 0), 0);
    EXPECT_EQ(loadDomain(), sampleDomain("mine"));
    ASSERT_EQ(chown((dirs.path() + "/config/korvane").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(loadDomain());
}

TEST(UserDefaults, ReadsComeFromTheCacheUntilResetAndWritesWaitForSynchronize)
{
    ScopedUserDirs dirs;
    ASSERT_TRUE(saveDomain(sampleDomain("first")));
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->persistentDomainForName(kDomain), sampleDomain("first"));

    ASSERT_TRUE(saveDomain(sampleDomain("other program")));
    EXPECT_EQ(defaults->persistentDomainForName(kDomain), sampleDomain("first"));
    defaults->resetStandardUserDefaults();
    EXPECT_EQ(defaults->persistentDomainForName(kDomain), sampleDomain("other program"));

    defaults->setPersistentDomain(sampleDomain("mine"), kDomain);
    defaults->resetStandardUserDefaults();
    EXPECT_EQ(defaults->persistentDomainForName(kDomain), sampleDomain("mine"));
    EXPECT_EQ(loadDomain(), sampleDomain("other program"));
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(loadDomain(), sampleDomain("mine"));
}

TEST(UserDefaults, FailedWriteIsReportedAndKeptForTheNextSynchronize)
{
    ScopedUserDirs dirs;
    writeBytes(dirs.path() + "/config/korvane", "a file where the folder should be");
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    ASSERT_TRUE(defaults);
    defaults->setPersistentDomain(sampleDomain("kept"), kDomain);
    EXPECT_FALSE(defaults->synchronize());

    fs::remove(dirs.path() + "/config/korvane");
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(loadDomain(), sampleDomain("kept"));
}

TEST(UserDefaults, TemporaryFileLeftByACrashIsNeitherFollowedNorAnObstacle)
{
    ScopedUserDirs dirs;
    ASSERT_TRUE(saveDomain(sampleDomain("first")));
    const std::string outside = dirs.path() + "/outside";
    writeBytes(outside, "untouched");
    ASSERT_EQ(symlink(outside.c_str(), (domainPath(dirs) + ".tmp").c_str()), 0);

    ASSERT_TRUE(saveDomain(sampleDomain("second")));
    EXPECT_EQ(readBytes(outside), "untouched");
    EXPECT_EQ(loadDomain(), sampleDomain("second"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(domainPath(dirs) + ".tmp")));
}

TEST(UserDefaults, WriterWaitsForTheLockThatAnotherProcessHolds)
{
    ScopedUserDirs dirs;
    ASSERT_TRUE(saveDomain(sampleDomain("before")));
    const int lockFd = open((domainPath(dirs) + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lockFd, 0);
    ASSERT_EQ(flock(lockFd, LOCK_EX), 0);

    const pid_t writer = forkWorker([] { return saveDomain(sampleDomain("after")); });
    ASSERT_GT(writer, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(writer, &status, WNOHANG), 0) << "the writer did not wait for the lock";
    EXPECT_EQ(loadDomain(), sampleDomain("before"));

    flock(lockFd, LOCK_UN);
    close(lockFd);
    EXPECT_EQ(waitExitCode(writer), 0);
    EXPECT_EQ(loadDomain(), sampleDomain("after"));
}

TEST(UserDefaults, TwoProcessesSavingAtOnceLeaveOneWholeDomain)
{
    ScopedUserDirs dirs;
    const PropertyDictionary first = sampleDomain("first", 40000);
    const PropertyDictionary second = sampleDomain("second", 3000);
    auto saveManyTimes = [](const PropertyDictionary& domain) {
        return [domain] {
            for (int i = 0; i < 200; ++i)
                if (!saveDomain(domain))
                    return false;
            return true;
        };
    };
    const pid_t a = forkWorker(saveManyTimes(first));
    const pid_t b = forkWorker(saveManyTimes(second));
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(waitExitCode(a), 0);
    EXPECT_EQ(waitExitCode(b), 0);

    auto stored = loadDomain();
    ASSERT_TRUE(stored) << "the file does not parse";
    EXPECT_TRUE(*stored == first || *stored == second);
    EXPECT_FALSE(fs::exists(domainPath(dirs) + ".tmp"));
    EXPECT_FALSE(fs::exists(domainPath(dirs) + ".corrupt"));
}

TEST(UserDefaults, ProcessKilledWhileSavingLeavesTheOldOrTheNewDomain)
{
    ScopedUserDirs dirs;
    const PropertyDictionary odd = sampleDomain("odd", 200000);
    const PropertyDictionary even = sampleDomain("even", 100000);
    ASSERT_TRUE(saveDomain(even));
    for (int round = 0; round < 20; ++round) {
        const pid_t saver = forkWorker([&]() -> bool {
            for (int i = 0;; ++i)
                saveDomain(i % 2 ? odd : even);
        });
        ASSERT_GT(saver, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + 5 * round));
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);

        auto stored = loadDomain();
        ASSERT_TRUE(stored) << "round " << round << ": the file does not parse";
        EXPECT_TRUE(*stored == odd || *stored == even) << "round " << round;
        EXPECT_FALSE(fs::exists(domainPath(dirs) + ".corrupt")) << "round " << round;
    }
    ASSERT_TRUE(saveDomain(sampleDomain("after the crashes")));
    EXPECT_EQ(loadDomain(), sampleDomain("after the crashes"));
}

}  // namespace
