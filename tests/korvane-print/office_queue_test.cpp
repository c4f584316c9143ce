// The PIN of IPP clients and the administrator's "hold every job" as an office meets them: a
// real cupsd with Debian's stock policy, the project's filter and the printer stand-in. The
// job's owner is root; the colleague who looks is the user nobody.
#include "korvane-print/host_harness.h"
#include "settings/job_messages.h"
#include "stand_in.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace host_testing;

namespace {

// Get-Job-Attributes for every attribute of a job, as a colleague would send it with ipptool.
const char* kGetJobAttributes = R"({
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR integer job-id $job_id
  ATTR name requesting-user-name $user
  ATTR keyword requested-attributes all
}
)";

// One office for the whole suite: its cupsd, its printer, two queues and a document.
struct Office {
    Office()
    {
        document = minimalPdf();
        for (int i = 0; i < 4096; ++i)
            document += static_cast<char>(i * 11);  // binary bytes, zeros and line ends among them
        document += "\n%%EOF\n";
        documentPath = cupsd.folder() + "/minutes.pdf";
        if (!printer.start({"--port", "0", "--print-port", "0", "--state", printerState.path()}))
            error = "the printer stand-in did not start";
        else if (!cupsd.isRunning())
            error = "these tests need a real cupsd and it could not start: " + cupsd.error();
        else if (!writeFile(documentPath, document))
            error = "cannot write " + documentPath;
        else if (auto problem = cupsd.addFilterQueue("office", printer.deviceURI()))
            error = *problem;
        else if (auto held = cupsd.addFilterQueue("confidential", printer.deviceURI()))
            error = *held;
        else if (const ProcessResult policy = runProgram("lpadmin", {"-p", "confidential", "-o", "ARPrintRelease=True"},
                                                         cupsd.adminEnvironment());
                 policy.exitCode != 0)
            error = "lpadmin could not make the queue hold every job: " + policy.err;
    }

    ScratchCupsd cupsd{CupsdPolicy::DebianDefault};
    QTemporaryDir printerState;
    harness::StandIn printer;
    std::string document;
    std::string documentPath;
    std::string error;
};

class OfficeQueue : public ::testing::Test {
protected:
    static void SetUpTestSuite() { office = std::make_unique<Office>(); }
    static void TearDownTestSuite() { office.reset(); }
    void SetUp() override { ASSERT_TRUE(office->error.empty()) << office->error; }

    // Prints the document with lp on the queue; cupsd's job id, or 0 when lp failed.
    int printWithLp(const std::string& queue, const std::vector<std::string>& options)
    {
        std::vector<std::string> arguments{"-d", queue};
        for (const std::string& option : options)
            arguments.insert(arguments.end(), {"-o", option});
        arguments.push_back(office->documentPath);
        const ProcessResult lp = runProgram("lp", arguments, office->cupsd.clientEnvironment());
        EXPECT_EQ(lp.exitCode, 0) << lp.err;
        const auto id = QRegularExpression("request id is \\S+-(\\d+) ").match(QString::fromStdString(lp.out));
        return id.hasMatch() ? id.captured(1).toInt() : 0;
    }

    // What the user nobody gets from cupsd for every attribute of the job, one attribute a line.
    static std::string attributesAsNobody(int jobId)
    {
        const std::string testFile = office->cupsd.folder() + "/get-job-attributes.test";
        if (!writeFile(testFile, kGetJobAttributes))
            return "cannot write " + testFile;
        const ProcessResult asked =
            runProgram("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "ipptool", "-tv", "-d",
                                   "job_id=" + std::to_string(jobId),
                                   "ipp://" + office->cupsd.server() + "/printers/office", testFile});
        EXPECT_EQ(asked.exitCode, 0) << asked.out << asked.err;
        return asked.out;
    }

    // Waits until cupsd says the job has left the processing state; its state then.
    static std::optional<ipp_jstate_t> waitForJobToSettle(int jobId)
    {
        QElapsedTimer clock;
        clock.start();
        std::optional<ipp_jstate_t> now;
        while (clock.elapsed() < 30000) {
            now = office->cupsd.jobState(jobId);
            if (now && *now != IPP_JSTATE_PENDING && *now != IPP_JSTATE_PROCESSING)
                return now;
            QTest::qWait(100);
        }
        return now;
    }

    static inline std::unique_ptr<Office> office;
};

TEST_F(OfficeQueue, AdvertisesThePINFieldOfIPPClients)
{
    const std::string uri = "ipp://" + office->cupsd.server() + "/printers/office";
    const ProcessResult asked =
        runProgram("ipptool", {"-tv", uri, "get-printer-attributes.test"}, office->cupsd.clientEnvironment());
    ASSERT_EQ(asked.exitCode, 0) << asked.out << asked.err;
    EXPECT_NE(asked.out.find("job-password-supported (integer) = 5"), std::string::npos) << asked.out;
    EXPECT_NE(asked.out.find("job-password-encryption-supported (keyword) = none"), std::string::npos) << asked.out;
}

TEST_F(OfficeQueue, AnIPPClientsPINHoldsTheJobAndNoColleagueCanReadIt)
{
    const qsizetype before = office->printer.jobs().size();
    const int jobId = printWithLp("office", {"job-password=007319", "job-account-id=42"});
    ASSERT_GT(jobId, 0);
    const QJsonObject job = office->printer.waitForNewJob(before);
    ASSERT_EQ(job.value("state").toString(), "held") << QJsonDocument(job).toJson().toStdString();
    EXPECT_EQ(job.value("account").toString(), "00042");
    const int id = job.value("id").toInt();
    EXPECT_EQ(office->printer.typePin(id, "7319"), 403) << "the PIN lost its leading zeros";
    EXPECT_FALSE(office->printer.printedDocument(id));
    EXPECT_EQ(office->printer.typePin(id, "007319"), 200);
    EXPECT_TRUE(office->printer.printedDocument(id) == office->document) << "the printed document is not the one sent";

    // The job has printed; cupsd keeps it in its history. A colleague asks for all of it.
    ASSERT_EQ(waitForJobToSettle(jobId), IPP_JSTATE_COMPLETED);
    const std::string seen = attributesAsNobody(jobId);
    EXPECT_NE(seen.find("job-state (enum) = completed"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("job-password"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("= 007319"), std::string::npos) << seen;
    char controlFile[32];
    std::snprintf(controlFile, sizeof controlFile, "/spool/c%05d", jobId);
    const ProcessResult read = runProgram("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "cat",
                                                      office->cupsd.folder() + controlFile});
    EXPECT_NE(read.exitCode, 0) << "nobody could read cupsd's record of the job";
    EXPECT_EQ(read.out.find("007319"), std::string::npos);
}

TEST_F(OfficeQueue, AQueueThatHoldsEveryJobHoldsAnLpJobWithAPINAndStopsOneWithNothingToCheck)
{
    const qsizetype before = office->printer.jobs().size();
    ASSERT_GT(printWithLp("confidential", {"ARHoldKey=Custom.2580"}), 0);
    const QJsonObject held = office->printer.waitForNewJob(before);
    EXPECT_EQ(held.value("state").toString(), "held") << QJsonDocument(held).toJson().toStdString();

    // No options at all, and one that asks to print at once: neither is ever printed.
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"ARPrintRelease=False"}}) {
        const int jobId = printWithLp("confidential", options);
        ASSERT_GT(jobId, 0);
        EXPECT_EQ(waitForJobToSettle(jobId), IPP_JSTATE_STOPPED);
        const ProcessResult listed =
            runProgram("lpstat", {"-W", "all", "-l", "-o", "confidential"}, office->cupsd.clientEnvironment());
        EXPECT_NE(listed.out.find(std::string("Status: ") + korvane::messages::kNeedsSettings), std::string::npos)
            << listed.out;
        EXPECT_NE(listed.out.find("lp -o job-password=NNNN"), std::string::npos) << listed.out;
    }
    EXPECT_EQ(office->printer.jobs().size(), before + 1) << "a job without anything to check reached the printer";
}

}  // namespace
