// The host's exit statuses: one table that --help, the manual and the code share.
#include "host_report.h"
#include "korvane-print/host_harness.h"
#include "options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

using namespace host_testing;

namespace {

// The numbers the manual's EXIT STATUS section lists, in its order.
std::vector<int> manualExitStatuses()
{
    std::ifstream file(KORVANE_TEST_SOURCE_DIR "/docs/korvane-print.1");
    std::stringstream text;
    text << file.rdbuf();
    const std::string manual = text.str();
    const std::size_t start = manual.find(".SH EXIT STATUS");
    const std::size_t end = manual.find(".SH", start + 1);
    const std::string section = manual.substr(start, end - start);
    std::vector<int> numbers;
    const std::regex entry(R"(\.TP\n\.B (\d+)\n)");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), entry); it != std::sregex_iterator(); ++it)
        numbers.push_back(std::stoi((*it)[1]));
    return numbers;
}

TEST(ExitStatus, HelpAndManualListEveryStatusOfTheTable)
{
    std::vector<int> table;
    for (const ExitStatusMeaning& each : exitStatusMeanings())
        table.push_back(exitCode(each.status));
    EXPECT_EQ(manualExitStatuses(), table);

    std::string error;
    const auto help = parseHostOptions({"korvane-print", "--help"}, &error);
    ASSERT_TRUE(help && help->printOnly) << error;
    for (const ExitStatusMeaning& each : exitStatusMeanings()) {
        const std::string line = "  " + std::to_string(exitCode(each.status)) + "  " + each.meaning + "\n";
        EXPECT_NE(help->printOnly->find(line), std::string::npos) << line;
    }
}

TEST(ExitStatus, HelpAndVersionAreAnsweredWithoutLeavingTheParser)
{
    std::string error;
    const auto version = parseHostOptions({"korvane-print", "--version"}, &error);
    ASSERT_TRUE(version && version->printOnly) << error;
    EXPECT_FALSE(version->batch);

    const ProcessResult bad =
        runProgram(hostProgram(), {"--no-such-option"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(bad.exitCode, exitCode(ExitStatus::BadOption)) << bad.err;
    const ProcessResult shown = runProgram(hostProgram(), {"--version"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(shown.exitCode, exitCode(ExitStatus::Done)) << shown.err;
    EXPECT_EQ(shown.out, "korvane-print 1.0.0\n");
}

}  // namespace
