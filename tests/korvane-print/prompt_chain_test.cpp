// Jobs from other applications on a queue with the prompt on, through a real cupsd with
// Debian's stock policy, the project's filter and the printer stand-in: a Qt program printing
// through QPrinter, a GTK program and lp send no job control option, and cupsd holds each
// until its owner answers with korvane-print --job. Each then reaches the printer held behind
// the chosen PIN and prints, byte for byte, the document cupsd held. Another user can neither
// answer a job nor read its secrets, and the dialog's own jobs never wait.
#include "korvane-print/host_harness.h"
#include "korvane-print/printer_jobs.h"
#include "stand_in.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <unistd.h>

using namespace host_testing;

namespace {

// The user the tests act as another user with, as the fresh test root has it.
constexpr uid_t kNobody = 65534;

class PromptChain : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        office = std::make_unique<OfficeChain>(CupsdPolicy::DebianDefault,
                                               std::vector<std::string>{"--user", "mia.jensen:sesame"});
        if (!office->error.empty())
            return;
        if (auto problem = office->cupsd.holdNewJobs("office"))
            office->error = *problem;
        else if (auto problem = office->cupsd.addFilterQueue("open-office", office->printer.deviceURI()))
            office->error = *problem;
    }
    static void TearDownTestSuite() { office.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(office->error.empty()) << office->error;
        ASSERT_TRUE(home.isValid());
        document = minimalPdf() + std::string("\0\r\n\x7f binary tail\n", 17);
        ASSERT_TRUE(writeFile(path("report.pdf"), document));
    }

    std::string path(const std::string& name) const { return home.path().toStdString() + "/" + name; }

    // The environment of the test's user (root): this cupsd, and folders of its own. With the
    // stock policy cupsd asks a job's owner to prove who they are before it changes the job;
    // root's libcups does it with the certificate the server keeps in its state folder.
    std::map<std::string, std::string> userEnvironment() const
    {
        auto environment = office->cupsd.adminEnvironment();
        environment.insert({{"HOME", path("")},
                            {"XDG_CONFIG_HOME", path("config")},
                            {"XDG_RUNTIME_DIR", path("runtime")},
                            {"QT_QPA_PLATFORM", "offscreen"}});
        return environment;
    }

    // Runs send (which prints something) and answers the id of the one job it left in cupsd.
    int newJobOf(const std::function<ProcessResult()>& send)
    {
        const std::vector<int> before = office->cupsd.jobIds();
        const ProcessResult sent = send();
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        const int job = office->cupsd.newJobSince(before);
        EXPECT_GT(job, 0) << "no new job in cupsd: " << sent.err;
        return job;
    }

    // korvane-print --batch --job answering the job with the operations.
    ProcessResult answer(int job, const std::vector<std::string>& operations)
    {
        std::vector<std::string> arguments{"--batch", "--job", std::to_string(job)};
        for (const std::string& operation : operations)
            arguments.insert(arguments.end(), {"--set", operation});
        return runProgram(hostProgram(), arguments, userEnvironment());
    }

    // A PIN in a file, as a script passes it (never on the command line).
    std::string pinFile(const std::string& pin)
    {
        const std::string file = path("pin-" + pin);
        EXPECT_TRUE(writeFile(file, pin + "\n"));
        return file;
    }

    // The operations that hold the job behind the PIN and sign in as the printer's user, as an
    // office that authenticates every job needs.
    std::vector<std::string> heldBehind(const std::string& pin)
    {
        const std::string password = path("password");
        EXPECT_TRUE(writeFile(password, "sesame"));
        return {"retentionCheckBox=1",
                "suspendMatrix=0",
                "suspendKeyEditText=@" + pinFile(pin),
                "authenticationMatrix=0",
                "loginNameEditText=mia.jensen",
                "passwordEditText=@" + password};
    }

    ProcessResult asNobody(const std::string& program, std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program});
        return runProgram("setpriv", arguments, {{"CUPS_SERVER", office->cupsd.server()}, {"HOME", "/"}});
    }

    // Expects the printer to hold the job behind the PIN and print the document when it is typed.
    static void expectReleasedOnlyByItsPin(const QJsonObject& job, const std::string& pin, const std::string& held)
    {
        office->expectReleasedOnlyByItsPin(job, pin, held);
    }

    static inline std::unique_ptr<OfficeChain> office;
    QTemporaryDir home;
    std::string document;
};

TEST_F(PromptChain, JobsFromQtGtkAndLpWaitAndPrintHeldBehindThePinTheirOwnerChose)
{
    const auto environment = userEnvironment();
    const std::vector<std::pair<std::string, std::function<ProcessResult()>>> senders{
        {"lp",
         [&] {
             return runProgram("lp", {"-d", "office", "-t", "From lp", path("report.pdf")}, environment);
         }},
        {"Qt",
         [&] {
             return runProgram(KORVANE_TEST_BIN_DIR "/qt-print-client", {"office", "From Qt"}, environment);
         }},
        {"GTK",
         [&] {
             return runProgram("xvfb-run",
                               {"-a", "/usr/bin/python3", KORVANE_TEST_SOURCE_DIR "/tests/programs/gtk_print_client.py",
                                "office", "From GTK"},
                               environment);
         }},
    };
    int pin = 24680;
    for (const auto& [application, send] : senders) {
        SCOPED_TRACE(application);
        const int job = newJobOf(send);
        ASSERT_GT(job, 0);
        ASSERT_TRUE(office->cupsd.waitForJobState(job, IPP_JSTATE_HELD));
        QTest::qWait(300);
        EXPECT_EQ(office->cupsd.jobState(job), IPP_JSTATE_HELD) << "the job did not wait for its owner";
        const std::string held = office->cupsd.spooledDocument(job);
        ASSERT_FALSE(held.empty());
        if (application == "lp") {
            EXPECT_TRUE(held == document);
        }

        const qsizetype before = office->printer.jobs().size();
        const std::string chosen = std::to_string(++pin);
        const ProcessResult answered = answer(job, heldBehind(chosen));
        ASSERT_EQ(answered.exitCode, 0) << answered.err;
        EXPECT_NE(answered.err.find("released job " + std::to_string(job) + " on office"), std::string::npos)
            << answered.err;
        expectReleasedOnlyByItsPin(office->printer.waitForNewJob(before), chosen, held);
    }
}

TEST_F(PromptChain, AnotherUserCanNeitherAnswerTheJobNorReadItsSecrets)
{
    const int job = newJobOf([&] {
        return runProgram("lp",
                          {"-d", "office", "-o", "ARHoldKey=Custom.2580", "-o", "ARAccountLogin=Custom.mia.jensen",
                           "-o", "ARAccountPassword=Custom.sesame", path("report.pdf")},
                          userEnvironment());
    });
    ASSERT_TRUE(office->cupsd.waitForJobState(job, IPP_JSTATE_HELD));
    const std::string id = std::to_string(job);

    QTemporaryDir nobodysHome;
    ASSERT_EQ(::chown(nobodysHome.path().toLocal8Bit().constData(), kNobody, 65534), 0);
    const std::string theirs = nobodysHome.path().toStdString();
    const ProcessResult refused = runProgram("setpriv",
                                             {"--reuid=nobody", "--regid=nogroup", "--clear-groups", hostProgram(),
                                              "--batch", "--job", id, "--set", "retentionCheckBox=0"},
                                             {{"CUPS_SERVER", office->cupsd.server()},
                                              {"HOME", theirs},
                                              {"XDG_CONFIG_HOME", theirs},
                                              {"XDG_RUNTIME_DIR", theirs},
                                              {"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("not one of your jobs"), std::string::npos) << refused.err;
    // cupsd itself refuses them too, whatever client they use.
    EXPECT_NE(asNobody("lp", {"-i", id, "-H", "resume"}).exitCode, 0);
    EXPECT_NE(asNobody("lp", {"-i", id, "-o", "ARHoldKey=None"}).exitCode, 0);
    QTest::qWait(300);
    EXPECT_EQ(office->cupsd.jobState(job), IPP_JSTATE_HELD);

    // The owner answers without typing: the tab took the values lp gave.
    const qsizetype before = office->printer.jobs().size();
    const ProcessResult answered = answer(job, {});
    ASSERT_EQ(answered.exitCode, 0) << answered.err;
    const QJsonObject atThePrinter = office->printer.waitForNewJob(before);
    ASSERT_TRUE(office->cupsd.waitForJobState(job, IPP_JSTATE_COMPLETED));

    const ProcessResult seen =
        asNobody("ipptool", {"-tv", "ipp://" + office->cupsd.server() + "/jobs/" + id, "get-job-attributes.test"});
    ASSERT_NE(seen.out.find("ARHoldKey"), std::string::npos)
        << "ipptool showed nobody nothing: " << seen.out << seen.err;
    for (const char* secret : {"2580", "sesame", "mia.jensen"})
        EXPECT_EQ(seen.out.find(secret), std::string::npos) << secret << " is readable by another user";
    expectReleasedOnlyByItsPin(atThePrinter, "2580", document);
}

TEST_F(PromptChain, TheDialogsOwnJobCarriesItsSettingsAndNeverWaits)
{
    const qsizetype before = office->printer.jobs().size();
    const int job = newJobOf([&] {
        std::vector<std::string> arguments{"--batch", "--printer", "office"};
        for (const std::string& operation : heldBehind("1357"))
            arguments.insert(arguments.end(), {"--set", operation});
        arguments.push_back(path("report.pdf"));
        return runProgram(hostProgram(), arguments, userEnvironment());
    });
    ASSERT_TRUE(office->cupsd.waitForJobState(job, IPP_JSTATE_COMPLETED)) << "the dialog's job waited in cupsd";
    expectReleasedOnlyByItsPin(office->printer.waitForNewJob(before), "1357", document);
}

TEST_F(PromptChain, AQtJobTheFilterStoppedForWantOfAPinIsAnsweredAndRestarted)
{
    // Qt's dialog offers the PIN's "Custom" without a field to type it in.
    const int job = newJobOf([&] {
        return runProgram(KORVANE_TEST_BIN_DIR "/qt-print-client", {"open-office", "Custom PIN", "ARHoldKey=Custom"},
                          userEnvironment());
    });
    ASSERT_TRUE(office->cupsd.waitForJobState(job, IPP_JSTATE_STOPPED));
    const std::string held = office->cupsd.spooledDocument(job);
    const qsizetype before = office->printer.jobs().size();
    const ProcessResult answered = answer(job, heldBehind("8642"));
    ASSERT_EQ(answered.exitCode, 0) << answered.err;
    EXPECT_NE(answered.err.find("restarted job " + std::to_string(job)), std::string::npos) << answered.err;
    expectReleasedOnlyByItsPin(office->printer.waitForNewJob(before), "8642", held);
}

}  // namespace
