// Jobs sent to a real cupsd: every value reaches the queue's filter byte for byte, errors reach
// the user, and nothing is ever submitted half.
#include "korvane-print/host_harness.h"
#include "settings/keys.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

using namespace host_testing;
namespace keys = korvane::keys;

namespace {

class HostCupsJob : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        cupsd = std::make_unique<ScratchCupsd>();
        if (cupsd->isRunning()) {
            if (auto problem = cupsd->addRecordingQueue("korvane-test"))
                queueError = *problem;
            else if (auto keyless = cupsd->addRecordingQueue("keyless", samplePpd(), ScratchCupsd::SealKey::Missing))
                queueError = *keyless;
        }
    }
    static void TearDownTestSuite() { cupsd.reset(); }

    void SetUp() override
    {
        // Loud on purpose: a machine without a working cupsd must not pass these tests.
        ASSERT_TRUE(cupsd->isRunning()) << "the end-to-end tests need a real cupsd and it could not start: "
                                        << cupsd->error();
        ASSERT_TRUE(queueError.empty()) << queueError;
        ASSERT_TRUE(scratch.isValid());
        document = path("report.pdf");
        ASSERT_TRUE(writeFile(document, minimalPdf()));
    }

    std::string path(const std::string& name) const { return scratch.path().toStdString() + "/" + name; }

    // The host with the test server and private preferences; the files come last.
    ProcessResult runHost(std::vector<std::string> arguments, std::map<std::string, std::string> environment = {})
    {
        environment.insert({"CUPS_SERVER", cupsd->server()});
        environment.insert({"HOME", scratch.path().toStdString()});
        environment.insert({"XDG_CONFIG_HOME", path("config")});
        environment.insert({"XDG_RUNTIME_DIR", path("runtime")});
        return runProgram(hostProgram(), arguments, environment);
    }

    // A print-settings file of these values.
    std::string settingsFile(const std::map<std::string, std::string>& values)
    {
        QJsonObject object;
        for (const auto& [key, value] : values)
            object.insert(QString::fromStdString(key), QString::fromStdString(value));
        const std::string file = path("settings.json");
        EXPECT_TRUE(writeFile(file, QJsonDocument(object).toJson().toStdString()));
        return file;
    }

    static std::map<std::string, std::string> dumpedSettings(const std::string& dump)
    {
        std::map<std::string, std::string> settings;
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(dump)).object();
        const QJsonObject values = object.value("printSettings").toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            settings[it.key().toStdString()] = it.value().toString().toStdString();
        return settings;
    }

    static inline std::unique_ptr<ScratchCupsd> cupsd;
    static inline std::string queueError;
    QTemporaryDir scratch;
    std::string document;
};

// Values of every key that a type-guessing path would change: leading zeros, "0", booleans in
// several spellings, Base64 with "+/=", quotes, backslashes, blanks, non-ASCII text, a value
// longer than an IPP name can hold.
std::map<std::string, std::string> everyKeyWithAwkwardValues()
{
    return {
        {keys::kSpoolTime, "5475652C20303820446563203230323620313835353A3332202B30303030"},
        {keys::kFiling, "0"},
        {keys::kFolderPath, "2A7374616E64617264"},
        {keys::kFolderPath2, "2A7374616E64617264"},
        {keys::kJobSuspend, "2"},
        {keys::kJobSuspendKey, "0f1e2d3c4b5a69788796a5b4c3d2e1f0Tue, 08 Dec 2026 18:55:32 +0000"},
        {keys::kJobSuspend2Key, "8E1F5A9C0B7D3E2A4F6C8B0D1E3A5C7F"},
        {keys::kAuthentication, "true"},
        {keys::kLoginName11, "ab+/cd+/ef=="},
        {keys::kLoginName12, "False"},
        {std::string(keys::kLoginName1Prefix) + "3", "false"},
        {std::string(keys::kLoginName0Prefix) + "1", "TRUE"},
        {keys::kPassword, "Zm9v+YmFy/YmF6=="},
        {keys::kPassword2, "no"},
        {keys::kUserNumber, "00042"},
        {keys::kUserNumber2, "00000"},
        {keys::kAccountNumber, "0"},
        {keys::kAccountNumber2, "1-5"},
        {keys::kUserName, "Jos\u00e9 M\u00fcller \u5c71\u7530 \"the 'boss'\" C:\\Temp"},
        {keys::kUserName2, "  leading and trailing blanks  "},
        {keys::kJobName, "Quarterly report, draft #2; 100% done"},
        {keys::kJobName2, std::string(600, 'Q') + "=+/"},
        {keys::kFolderPassword, "off"},
        {keys::kFolderPassword2, "yes"},
        {keys::kHoldButton, "1"},
    };
}

TEST_F(HostCupsJob, EveryKeyReachesTheFilterByteForByte)
{
    const auto values = everyKeyWithAwkwardValues();
    const ProcessResult run =
        runHost({"--batch", "--printer", "korvane-test", "--settings", settingsFile(values), "--calls",
                 "panelView,willShow", "--title", "Q3 \"final\" report", "--copies", "2", "--dump", document});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto jobId = sentJobId(run.err);
    ASSERT_TRUE(jobId) << run.err;
    const auto dumped = dumpedSettings(run.out);
    ASSERT_EQ(dumped, values) << "the dump must show the settings the job was sent with";

    const auto record = cupsd->waitForRecord(*jobId);
    ASSERT_TRUE(record) << "the queue's filter never ran for job " << *jobId;
    EXPECT_EQ(productOptions(cupsd->opened(*record), dumped), dumped);
    EXPECT_EQ(record->title, "Q3 \"final\" report");
    EXPECT_EQ(record->copies, "2");
}

TEST_F(HostCupsJob, TypicalJobFromTheTabReachesTheFilterAsDumped)
{
    // The tab's own writer makes the values here: hold only with a PIN, login authentication.
    const ProcessResult run = runHost({"--batch",
                                       "--printer",
                                       "korvane-test",
                                       "--set",
                                       "retentionCheckBox=1",
                                       "--set",
                                       "folderSelectionPopup=1",
                                       "--set",
                                       "suspendMatrix=0",
                                       "--set",
                                       "suspendKeyEditText=4711",
                                       "--set",
                                       "authenticationMatrix=0",
                                       "--set",
                                       "loginNameEditText=mia.jensen",
                                       "--set",
                                       "passwordEditText=sesame",
                                       "--set",
                                       "userNameEditText=Mia",
                                       "--set",
                                       "jobNameEditText=Budget",
                                       "--dump",
                                       document});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto jobId = sentJobId(run.err);
    ASSERT_TRUE(jobId) << run.err;
    const auto dumped = dumpedSettings(run.out);
    for (const char* key : {keys::kSpoolTime, keys::kJobSuspend, keys::kJobSuspendKey, keys::kJobSuspend2Key,
                            keys::kLoginName11, keys::kPassword, keys::kPassword2, keys::kUserName, keys::kJobName})
        EXPECT_EQ(dumped.count(key), 1u) << "the tab did not write " << key << ": " << run.out;
    EXPECT_EQ(dumped.count(keys::kJobSuspend) ? dumped.at(keys::kJobSuspend) : "", "2");
    const auto record = cupsd->waitForRecord(*jobId);
    ASSERT_TRUE(record) << "the queue's filter never ran for job " << *jobId;
    EXPECT_EQ(productOptions(cupsd->opened(*record), dumped), dumped);
    EXPECT_EQ(record->title, "report.pdf") << "the job's name defaults to the file's name";
}

TEST_F(HostCupsJob, LpTurnsBooleanLookingValuesIntoFlagsWhereTheHostKeepsThem)
{
    const std::map<std::string, std::string> values{
        {"korvane.print.PrintSettings.flagTrue", "true"},
        {"korvane.print.PrintSettings.flagFalse", "false"},
        {"korvane.print.PrintSettings.flagCapital", "False"},
    };
    std::vector<std::string> lpArguments{"-h", cupsd->server(), "-d", "korvane-test"};
    for (const auto& [name, value] : values) {
        lpArguments.push_back("-o");
        lpArguments.push_back(name + "=" + value);
    }
    lpArguments.push_back(document);
    const ProcessResult lp = runProgram("lp", lpArguments);
    ASSERT_EQ(lp.exitCode, 0) << lp.err;
    const QRegularExpression requestId("korvane-test-(\\d+)");
    const auto match = requestId.match(QString::fromStdString(lp.out));
    ASSERT_TRUE(match.hasMatch()) << lp.out;
    const auto lpRecord = cupsd->waitForRecord(match.captured(1).toInt());
    ASSERT_TRUE(lpRecord);
    // cupsAddOption's guess: flags set ("name") or cleared ("noname"); the spelling is lost.
    const std::string lpRaw = " " + lpRecord->rawOptions + " ";
    EXPECT_NE(lpRaw.find(" korvane.print.PrintSettings.flagTrue "), std::string::npos) << lpRaw;
    EXPECT_NE(lpRaw.find(" nokorvane.print.PrintSettings.flagFalse "), std::string::npos) << lpRaw;
    EXPECT_NE(lpRaw.find(" nokorvane.print.PrintSettings.flagCapital "), std::string::npos) << lpRaw;
    EXPECT_EQ(lpRecord->options.at("korvane.print.PrintSettings.flagCapital"), "false")
        << "\"False\" came back changed";

    const ProcessResult run = runHost(
        {"--batch", "--printer", "korvane-test", "--settings", settingsFile(values), "--calls", "panelView", document});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto record = cupsd->waitForRecord(sentJobId(run.err).value_or(-1));
    ASSERT_TRUE(record) << run.err;
    EXPECT_EQ(productOptions(*record, values), values);
    EXPECT_NE(record->rawOptions.find("korvane.print.PrintSettings.flagCapital=False"), std::string::npos)
        << record->rawOptions;
}

TEST_F(HostCupsJob, SeveralFilesAreOneJobOfSeveralDocuments)
{
    const std::string second = path("appendix.pdf");
    ASSERT_TRUE(writeFile(second, minimalPdf()));
    const ProcessResult run =
        runHost({"--batch", "--printer", "korvane-test", "--calls", "panelView", document, second});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto record = cupsd->waitForRecord(sentJobId(run.err).value_or(-1), 2);
    ASSERT_TRUE(record) << run.err;
    EXPECT_EQ(record->documents, 2);
    EXPECT_EQ(record->title, "report.pdf");
}

TEST_F(HostCupsJob, ErrorsReachTheUserAndNothingIsSubmittedHalf)
{
    const auto jobsBefore = cupsd->jobIds();

    // No such queue.
    ProcessResult run =
        runHost({"--batch", "--printer", "no-such-queue", "--ppd", testing_support::TestHost::samplePPD(),
                 "--device-uri", "socket://127.0.0.1:9100", document});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("no-such-queue"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("no such print queue"), std::string::npos) << run.err;

    // An unreadable file among readable ones: refused before any job exists.
    run = runHost({"--batch", "--printer", "korvane-test", document, path("missing.pdf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("missing.pdf"), std::string::npos) << run.err;

    // A value IPP cannot carry: refused before any job exists.
    run = runHost({"--batch", "--printer", "korvane-test", "--calls", "panelView", "--settings",
                   settingsFile({{"korvane.print.PrintSettings.jobName", std::string(2000, 'x')}}), document});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("nothing was sent"), std::string::npos) << run.err;
    EXPECT_EQ(cupsd->jobIds(), jobsBefore) << "a refused job left a job behind";

    // A document the server refuses (larger than it takes), after one it took: the job is
    // cancelled, never printed.
    const std::string large = path("scan.pdf");
    ASSERT_TRUE(writeFile(large, minimalPdf() + std::string(1536 * 1024, '%')));
    run = runHost({"--batch", "--printer", "korvane-test", "--calls", "panelView", document, large});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("scan.pdf"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("was cancelled"), std::string::npos) << run.err;
    const auto jobsAfter = cupsd->jobIds();
    ASSERT_EQ(jobsAfter.size(), jobsBefore.size() + 1) << run.err;
    const int refused = *std::max_element(jobsAfter.begin(), jobsAfter.end());
    EXPECT_EQ(cupsd->jobState(refused), IPP_JSTATE_CANCELED);
    // cupsd runs a queue's jobs in turn: once a later job has reached the filter, the cancelled
    // one has reached it before or never will, however slow the filter.
    const ProcessResult later = runHost({"--batch", "--printer", "korvane-test", "--calls", "panelView", document});
    ASSERT_EQ(later.exitCode, 0) << later.err;
    ASSERT_TRUE(cupsd->waitForRecord(sentJobId(later.err).value_or(-1))) << later.err;
    EXPECT_FALSE(cupsd->hasRecord(refused)) << "a cancelled job reached the filter";

    // The server down.
    run = runProgram(hostProgram(),
                     {"--batch", "--printer", "korvane-test", "--ppd", testing_support::TestHost::samplePPD(),
                      "--device-uri", "socket://127.0.0.1:9100", "--calls", "panelView", document},
                     {{"CUPS_SERVER", "127.0.0.1:1"}, {"XDG_CONFIG_HOME", path("config")}});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("cannot reach the CUPS server at 127.0.0.1:1"), std::string::npos) << run.err;
}

TEST_F(HostCupsJob, AJobWithSecretsIsNeverSentToAQueueWhosePPDCannotSealThem)
{
    const auto jobsBefore = cupsd->jobIds();
    const std::vector<std::string> pin{"--set", "retentionCheckBox=1",    "--set", "suspendMatrix=0",
                                       "--set", "suspendKeyEditText=4711"};
    std::vector<std::string> arguments{"--batch", "--printer", "keyless"};
    arguments.insert(arguments.end(), pin.begin(), pin.end());
    arguments.push_back(document);
    const ProcessResult refused = runHost(arguments);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("carries no key to seal the job's PIN"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("lpinfo -m"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("nothing was sent"), std::string::npos) << refused.err;
    EXPECT_EQ(cupsd->jobIds(), jobsBefore) << "a job with readable secrets reached cupsd";

    // A dry run says the same; a job without secrets goes as before.
    arguments.insert(arguments.begin() + 3, "--dry-run");
    const ProcessResult dry = runHost(arguments);
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.err.find("note: this job could not be printed"), std::string::npos) << dry.err;
    const ProcessResult plain = runHost({"--batch", "--printer", "keyless", "--calls", "panelView", document});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_TRUE(sentJobId(plain.err)) << plain.err;
}

TEST_F(HostCupsJob, TheBuiltInSamplePrinterSubmitsNothing)
{
    const ProcessResult run = runHost({"--batch", "--printer", "sample", document});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--dry-run"), std::string::npos) << run.err;
    const ProcessResult dry = runHost({"--batch", "--printer", "sample", "--dry-run", document});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_FALSE(sentJobId(dry.err));
}

}  // namespace
