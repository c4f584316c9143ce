// The host's command line and the checks a job passes before anything is sent.
#include "cups_submit.h"
#include "dialog_session.h"
#include "korvane-print/host_harness.h"
#include "options.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

using namespace host_testing;

namespace {

std::optional<HostOptions> parse(const QStringList& arguments, std::string* error)
{
    return parseHostOptions(QStringList{"korvane-print"} + arguments, error);
}

TEST(HostOptions, BadOptionsAreRefusedWithAReason)
{
    const std::vector<std::pair<QStringList, std::string>> cases{
        {{"--copies", "0"}, "--copies takes a number from 1 to 999"},
        {{"--copies", "three"}, "--copies takes a number from 1 to 999"},
        {{"--copies", "1000"}, "--copies takes a number from 1 to 999"},
        {{"--calls", "panelView"}, "--calls needs --batch"},
        {{"--batch", "--calls", "panelView,print"}, "unknown host call \"print\""},
        {{"--batch", "--set", "retentionCheckBox"}, "--set and --paste take OUTLET=VALUE"},
        {{"--batch", "--paste", "=4711"}, "--set and --paste take OUTLET=VALUE"},
        {{"--bogus"}, "Unknown option 'bogus'"},
        {{"--printer"}, "Missing value after '--printer'"},
        {{"--job", "office-42"}, "--job takes the number of a job"},
        {{"--job", "42", "report.pdf"}, "it takes no files"},
        {{"--batch", "--job", "42", "-P", "office"}, "leave out --printer"},
        {{"--agent", "--batch"}, "--agent runs on its own"},
    };
    for (const auto& [arguments, message] : cases) {
        std::string error;
        EXPECT_FALSE(parse(arguments, &error)) << arguments.join(' ').toStdString();
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

TEST(HostOptions, OperationsKeepTheirOrderAndValuesKeepTheirEqualsSigns)
{
    std::string error;
    auto options = parse({"--batch", "--set", "retentionCheckBox=1", "--paste=loginNameEditText=a=b", "--set",
                          "suspendKeyEditText=4711", "-n", "3", "report.pdf"},
                         &error);
    ASSERT_TRUE(options) << error;
    ASSERT_EQ(options->operations.size(), 3u);
    EXPECT_EQ(options->operations[1].kind, ControlOperation::Kind::Paste);
    EXPECT_EQ(options->operations[1].outlet, "loginNameEditText");
    EXPECT_EQ(options->operations[1].value, "a=b");
    EXPECT_EQ(options->operations[2].outlet, "suspendKeyEditText");
    EXPECT_EQ(options->copies, 3);
    EXPECT_EQ(options->files, std::vector<std::string>{"report.pdf"});
    EXPECT_EQ(options->calls, kDefaultCalls);
}

TEST(HostOptions, JobOptionsAreReadAsLpReadsThem)
{
    std::string error;
    auto options = parse({"-o", "landscape", "-o", "media=A4 sides=two-sided-long-edge", "--option",
                          "nocollate Stamp=\"Custom.Not for sale\"", "-o", "ARHoldKey=Custom.a=b", "--pages", "-5"},
                         &error);
    ASSERT_TRUE(options) << error;
    using Options = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(options->jobOptions, (Options{{"landscape", "true"},
                                            {"media", "A4"},
                                            {"sides", "two-sided-long-edge"},
                                            {"collate", "false"},
                                            {"Stamp", "Custom.Not for sale"},
                                            {"ARHoldKey", "Custom.a=b"}}));
    EXPECT_EQ(options->pages, "-5");

    for (const char* empty : {"", "  ", "=A4"}) {
        EXPECT_FALSE(parse({"-o", empty}, &error)) << empty;
        EXPECT_NE(error.find("-o and --option take NAME=VALUE or NAME"), std::string::npos) << error;
    }
}

TEST(HostOptions, ValuesCanComeFromAFileOrStandardInputInsteadOfTheCommandLine)
{
    QTemporaryDir scratch;
    const std::string secretFile = scratch.filePath("secret").toStdString();
    ASSERT_TRUE(writeFile(secretFile, "s3cr=t\n"));
    std::string error;
    auto options = parse({"--batch", "--set", "passwordEditText=@" + QString::fromStdString(secretFile), "--set",
                          "jobNameEditText=@@home", "--paste", "userNameEditText=a@b"},
                         &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->operations[0].value, "s3cr=t");
    EXPECT_EQ(options->operations[1].value, "@home");
    EXPECT_EQ(options->operations[2].value, "a@b");

    const ProcessResult missing = runProgram(hostProgram(), {"--batch", "--set", "passwordEditText=@/nonexistent/pw"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("/nonexistent/pw"), std::string::npos) << missing.err;
    EXPECT_FALSE(parse({"--batch", "--set", "passwordEditText=@-", "--set", "suspendKeyEditText=@-"}, &error));
    EXPECT_NE(error.find("only one"), std::string::npos) << error;

    // Standard input, end to end: the value reaches the field, and --help says how.
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", scratch.filePath("config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    host.setProcessEnvironment(env);
    host.start(QString::fromStdString(hostProgram()),
               {"--batch", "--printer", "sample", "--dry-run", "--calls", "panelView,willShow,restore,ops", "--set",
                "jobNameEditText=@-", "--dump"});
    ASSERT_TRUE(host.waitForStarted());
    host.write("from standard input\n");
    host.closeWriteChannel();
    ASSERT_TRUE(host.waitForFinished(60000));
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
    EXPECT_TRUE(host.readAllStandardOutput().contains("\"text\": \"from standard input\""));
    const ProcessResult help = runProgram(hostProgram(), {"--help"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_NE(help.out.find("OUTLET=@FILE"), std::string::npos) << help.out;
}

TEST(HostOptions, ASettingsFileLargerThanTheDocumentedLimitIsRefused)
{
    QTemporaryDir scratch;
    const std::string path = scratch.filePath("settings.json").toStdString();
    const std::string value(static_cast<std::size_t>(kMaxSettingsFileBytes), 'x');
    ASSERT_TRUE(writeFile(path, "{\"korvane.print.PrintSettings.jobName\": \"" + value + "\"}"));
    std::string error;
    EXPECT_FALSE(readSettingsFile(path, &error));
    EXPECT_NE(error.find("is larger than 1 MiB"), std::string::npos) << error;
    ASSERT_TRUE(writeFile(path, "{\"korvane.print.PrintSettings.jobName\": \"" + value.substr(1000) + "\"}"));
    EXPECT_TRUE(readSettingsFile(path, &error)) << error;
}

TEST(HostOptions, TheProgramExplainsItselfAndItsFailures)
{
    const ProcessResult help = runProgram(hostProgram(), {"--help"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* part : {"--printer", "--dry-run", "Examples:", "Exit status:", "KORVANE_PLUGIN_PATH"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;

    const ProcessResult bad = runProgram(hostProgram(), {"--batch", "--copies", "-2"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("Try 'korvane-print --help'"), std::string::npos) << bad.err;

    // No display and no --batch: a sentence, not a toolkit's abort.
    const ProcessResult window = runProgram(hostProgram(), {"--printer", "sample"},
                                            {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_NE(window.err.find("add --batch"), std::string::npos) << window.err;

    QTemporaryDir scratch;
    const ProcessResult missing = runProgram(
        hostProgram(), {"--batch", "--printer", "sample", "--dry-run", scratch.path().toStdString() + "/none.pdf"},
        {{"XDG_CONFIG_HOME", scratch.path().toStdString()}});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.pdf"), std::string::npos) << missing.err;
    const ProcessResult folder =
        runProgram(hostProgram(), {"--batch", "--printer", "sample", "--dry-run", scratch.path().toStdString()},
                   {{"XDG_CONFIG_HOME", scratch.path().toStdString()}});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("not a regular file"), std::string::npos) << folder.err;
}

TEST(HostJobRequest, EveryOptionTravelsAsTextWhateverItLooksLike)
{
    JobRequest job;
    job.queue = "office";
    job.title = "Budget";
    job.copies = 2;
    job.options = {{"korvane.print.PrintSettings.flag", "false"},
                   {"korvane.print.PrintSettings.userNumber", "00042"},
                   {"korvane.print.PrintSettings.accountNumber", "0"},
                   {"korvane.print.PrintSettings.range", "1-5"},
                   {"korvane.print.PrintSettings.jobName2", std::string(300, 'j')}};
    IppMessage request = makeCreateJobRequest(job);
    ASSERT_TRUE(request);
    EXPECT_EQ(ippGetOperation(request.get()), IPP_OP_CREATE_JOB);
    for (const auto& [name, value] : job.options) {
        ipp_attribute_t* attribute = ippFindAttribute(request.get(), name.c_str(), IPP_TAG_ZERO);
        ASSERT_NE(attribute, nullptr) << name;
        EXPECT_EQ(ippGetGroupTag(attribute), IPP_TAG_JOB) << name;
        EXPECT_EQ(ippGetCount(attribute), 1) << name;
        EXPECT_EQ(ippGetValueTag(attribute), value.size() > 255 ? IPP_TAG_TEXT : IPP_TAG_NAME) << name;
        EXPECT_EQ(ippGetString(attribute, 0, nullptr), value) << name;
    }
    ipp_attribute_t* title = ippFindAttribute(request.get(), "job-name", IPP_TAG_NAME);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(ippGetString(title, 0, nullptr), "Budget");
    ipp_attribute_t* copies = ippFindAttribute(request.get(), "copies", IPP_TAG_INTEGER);
    ASSERT_NE(copies, nullptr);
    EXPECT_EQ(ippGetInteger(copies, 0), 2);
    ipp_attribute_t* uri = ippFindAttribute(request.get(), "printer-uri", IPP_TAG_URI);
    ASSERT_NE(uri, nullptr);
    EXPECT_NE(std::string(ippGetString(uri, 0, nullptr)).find("/printers/office"), std::string::npos);
}

TEST(HostJobRequest, ALongTitleIsCutAtACharacterBoundary)
{
    JobRequest job;
    job.queue = "office";
    job.title = std::string(254, 'a') + "\u00e9\u00e9";  // the first é straddles byte 255
    IppMessage request = makeCreateJobRequest(job);
    ipp_attribute_t* title = ippFindAttribute(request.get(), "job-name", IPP_TAG_NAME);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(std::string(ippGetString(title, 0, nullptr)), std::string(254, 'a'));
}

TEST(HostJobRequest, OptionsIppCannotCarryAreNamed)
{
    std::string error;
    EXPECT_TRUE(optionCanTravel("korvane.print.PrintSettings.jobName", "Budget \"Q3\" \u5c71\u7530\n", &error))
        << error;
    EXPECT_TRUE(optionCanTravel("korvane.print.PrintSettings.jobName", std::string(1023, 'x'), &error)) << error;
    EXPECT_FALSE(optionCanTravel("korvane.print.PrintSettings.jobName", std::string(1024, 'x'), &error));
    EXPECT_FALSE(optionCanTravel("", "x", &error));
    EXPECT_FALSE(optionCanTravel("two words", "x", &error));
    EXPECT_FALSE(optionCanTravel("a=b", "x", &error));
    EXPECT_FALSE(optionCanTravel("na\u00efve", "x", &error));
    EXPECT_FALSE(optionCanTravel("korvane.x", std::string("bad \xff byte"), &error));
    EXPECT_FALSE(optionCanTravel("korvane.x", std::string("bell \x07"), &error));
    EXPECT_EQ(error, "the value of korvane.x is not UTF-8 text without control characters");
    EXPECT_TRUE(optionIsHiddenFromFilters("job-hold-until"));
    EXPECT_FALSE(optionIsHiddenFromFilters("job-password")) << "cupsd hands the PIN of IPP clients to the filter";
    EXPECT_FALSE(optionIsHiddenFromFilters("korvane.print.PrintSettings.jobName"));
}

}  // namespace
