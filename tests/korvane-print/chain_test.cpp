// The whole chain as an office uses it: the dialog's job or an lp job goes through a real
// cupsd and the project's filter into the printer stand-in, which holds it until its PIN is
// typed at the printer, refuses a sender it cannot authenticate, and prints the document
// byte for byte.
#include "korvane-print/host_harness.h"
#include "korvane-print/printer_jobs.h"
#include "stand_in.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace host_testing;

namespace {

class Chain : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        office =
            std::make_unique<OfficeChain>(CupsdPolicy::Open, std::vector<std::string>{"--user", "mia.jensen:sesame"});
    }
    static void TearDownTestSuite() { office.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(office->error.empty()) << office->error;
        ASSERT_TRUE(scratch.isValid());
        document = minimalPdf();
        for (int i = 0; i < 4096; ++i)
            document += static_cast<char>(i * 7);  // binary bytes, zeros and line ends among them
        document += "\n%%EOF\n";
        ASSERT_TRUE(writeFile(documentPath(), document));
    }

    std::string documentPath() const { return scratch.path().toStdString() + "/report.pdf"; }

    // The dialog's batch host printing the document on the queue with these operations.
    ProcessResult printFromTheDialog(const std::vector<std::string>& operations)
    {
        std::vector<std::string> arguments{"--batch", "--printer", "office", "--title", "Chain report"};
        for (const std::string& operation : operations)
            arguments.insert(arguments.end(), {"--set", operation});
        arguments.push_back(documentPath());
        const std::string home = scratch.path().toStdString();
        return runProgram(hostProgram(), arguments,
                          {{"CUPS_SERVER", office->cupsd.server()},
                           {"HOME", home},
                           {"XDG_CONFIG_HOME", home + "/config"},
                           {"XDG_RUNTIME_DIR", home + "/runtime"}});
    }

    static QJsonArray jobs() { return office->printer.jobs(); }

    static QJsonObject waitForNewJob(qsizetype jobsBefore) { return office->printer.waitForNewJob(jobsBefore); }

    void expectReleasedOnlyByItsPin(const QJsonObject& job, const std::string& pin)
    {
        office->expectReleasedOnlyByItsPin(job, pin, document);
    }

    static inline std::unique_ptr<OfficeChain> office;
    QTemporaryDir scratch;
    std::string document;
};

TEST_F(Chain, TheDialogsHeldJobPrintsOnlyWithItsPinAndCountsItsAccount)
{
    const qsizetype before = jobs().size();
    const ProcessResult run = printFromTheDialog({"retentionCheckBox=1", "suspendMatrix=0", "suspendKeyEditText=4711",
                                                  "authenticationMatrix=0", "loginNameEditText=mia.jensen",
                                                  "passwordEditText=sesame", "accountNumberEditText=31"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject job = waitForNewJob(before);
    EXPECT_EQ(job.value("account").toString(), "00031");
    EXPECT_EQ(job.value("name").toString(), "Chain report");
    expectReleasedOnlyByItsPin(job, "4711");
}

TEST_F(Chain, ASenderWhosePasswordDoesNotMatchIsRefusedAndNeverPrinted)
{
    const qsizetype before = jobs().size();
    const ProcessResult run =
        printFromTheDialog({"authenticationMatrix=0", "loginNameEditText=mia.jensen", "passwordEditText=open-sesame"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject job = waitForNewJob(before);
    EXPECT_EQ(job.value("state").toString(), "refused");
    EXPECT_TRUE(job.value("reason").toString().contains("authentication failed"))
        << job.value("reason").toString().toStdString();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(printedFile(office->printerFolder(), job.value("id").toInt()))));
}

TEST_F(Chain, AnLpJobWithOnlyThePpdsOptionsIsHeldAlike)
{
    const qsizetype before = jobs().size();
    const ProcessResult lp =
        runProgram("lp", {"-h", office->cupsd.server(), "-d", "office", "-o", "ARHoldKey=Custom.2580", "-o",
                          "ARAccountLogin=Custom.mia.jensen", "-o", "ARAccountPassword=Custom.sesame", documentPath()});
    ASSERT_EQ(lp.exitCode, 0) << lp.err;
    expectReleasedOnlyByItsPin(waitForNewJob(before), "2580");
}

}  // namespace
