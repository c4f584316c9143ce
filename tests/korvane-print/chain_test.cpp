// The whole chain as an office uses it: the dialog's job or an lp job goes through a real
// cupsd and the project's filter into the printer stand-in, which holds it until its PIN is
// typed at the printer, refuses a sender it cannot authenticate, and prints the document
// byte for byte.
#include "korvane-print/host_harness.h"
#include "korvane-print/printer_jobs.h"
#include "stand_in.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace host_testing;

namespace {

class Chain : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        cupsd = std::make_unique<ScratchCupsd>();
        state = std::make_unique<QTemporaryDir>();
        // The printer stand-in with a print port, its job store in a folder of the test's.
        printer = std::make_unique<harness::StandIn>();
        if (!printer->start(
                {"--port", "0", "--print-port", "0", "--state", state->path(), "--user", "mia.jensen:sesame"}))
            setUpError = "the printer stand-in did not start";
        else if (!cupsd->isRunning())
            setUpError = "the chain needs a real cupsd and it could not start: " + cupsd->error();
        else if (auto problem = cupsd->addFilterQueue("office", printer->deviceURI()))
            setUpError = *problem;
    }
    static void TearDownTestSuite()
    {
        printer.reset();
        cupsd.reset();
        state.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(setUpError.empty()) << setUpError;
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
                          {{"CUPS_SERVER", cupsd->server()},
                           {"HOME", home},
                           {"XDG_CONFIG_HOME", home + "/config"},
                           {"XDG_RUNTIME_DIR", home + "/runtime"}});
    }

    static QJsonArray jobs() { return printer->jobs(); }

    static QJsonObject waitForNewJob(qsizetype jobsBefore) { return printer->waitForNewJob(jobsBefore); }

    void expectReleasedOnlyByItsPin(const QJsonObject& job, const std::string& pin)
    {
        host_testing::expectReleasedOnlyByItsPin(*printer, state->path().toStdString(), job, pin, document);
    }

    static inline std::unique_ptr<ScratchCupsd> cupsd;
    static inline std::unique_ptr<QTemporaryDir> state;
    static inline std::unique_ptr<harness::StandIn> printer;
    static inline std::string setUpError;
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
    EXPECT_FALSE(
        QFile::exists(QString::fromStdString(printedFile(state->path().toStdString(), job.value("id").toInt()))));
}

TEST_F(Chain, AnLpJobWithOnlyThePpdsOptionsIsHeldAlike)
{
    const qsizetype before = jobs().size();
    const ProcessResult lp =
        runProgram("lp", {"-h", cupsd->server(), "-d", "office", "-o", "ARHoldKey=Custom.2580", "-o",
                          "ARAccountLogin=Custom.mia.jensen", "-o", "ARAccountPassword=Custom.sesame", documentPath()});
    ASSERT_EQ(lp.exitCode, 0) << lp.err;
    expectReleasedOnlyByItsPin(waitForNewJob(before), "2580");
}

}  // namespace
