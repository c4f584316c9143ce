// The agent on a real X display (CTest runs ...OnDisplay suites under xvfb-run), hearing a real
// cupsd's D-Bus notifier on a system bus of the test's own: it opens one window for each job of
// its user that waits on a queue with the prompt on, none for another user's job or a job that
// carries the tab's settings, and Print in that window lets the job go with the tab's settings.
// It leaves pictures of the window and its notice in the build folder.
#include "job_agent.h"
#include "korvane-print/host_harness.h"
#include "korvane-print/system_bus.h"
#include "korvane-print/window_suite.h"
#include "platform/automation.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace host_testing;
using testing_support::ScopedEnv;

namespace {

class AgentOnDisplay : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bus = std::make_unique<PrivateSystemBus>();
        if (!bus->error().empty()) {
            setUpError = bus->error();
            return;
        }
        // The process's system bus connection is made once, at the agent's first start.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", QByteArray::fromStdString(bus->address()));
        // The open policy: with the stock one cupsd asks root to prove who it is with a certificate
        // that libcups looks for only where this process's first request said (tests before
        // this one may have made it). The stock policy's refusals are the chain's tests'.
        cupsd = std::make_unique<ScratchCupsd>(CupsdPolicy::Open, bus->address());
        if (!cupsd->isRunning())
            setUpError = "the agent needs a real cupsd and it could not start: " + cupsd->error();
        else if (auto problem = cupsd->addRecordingQueue("office"))
            setUpError = *problem;
        else if (auto problem = cupsd->holdNewJobs("office"))
            setUpError = *problem;
    }
    static void TearDownTestSuite()
    {
        cupsd.reset();
        bus.reset();
    }

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "this suite needs an X display (run it under xvfb-run)";
        ASSERT_TRUE(setUpError.empty()) << setUpError;
        cupsSetServer(cupsd->server().c_str());
        ASSERT_TRUE(writeFile(userDirs.path() + "/report.pdf", minimalPdf()));
    }
    void TearDown() override
    {
        // The next test's agent would offer what this one left waiting.
        runProgram("cancel", {"-h", cupsd->server(), "-a", "office"});
        cupsSetServer(nullptr);
    }

    // lp sends the document to the queue as user (root or nobody); the job's id.
    int lpJob(const std::string& title, bool asNobody = false)
    {
        std::vector<std::string> arguments{"-h", cupsd->server(), "-d", "office", "-t", title, document()};
        const ProcessResult sent =
            asNobody ? runProgram("setpriv",
                                  [&] {
                                      arguments.insert(arguments.begin(),
                                                       {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "lp"});
                                      return arguments;
                                  }())
                     : runProgram("lp", arguments);
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        const std::size_t dash = sent.out.find("office-");
        return dash == std::string::npos ? 0 : std::atoi(sent.out.c_str() + dash + 7);
    }

    // A Qt application prints through QPrinter; the job's id.
    int qtJob(const std::string& title)
    {
        const std::vector<int> before = cupsd->jobIds();
        auto environment = cupsd->clientEnvironment();
        environment["QT_QPA_PLATFORM"] = "offscreen";
        const ProcessResult sent = runProgram(KORVANE_TEST_BIN_DIR "/qt-print-client", {"office", title}, environment);
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        return cupsd->newJobSince(before);
    }

    // nobody may read the document too.
    std::string document() const { return userDirs.path() + "/report.pdf"; }

    // Waits until the agent opens a window for the job; the window, or nullptr.
    static HeldJobDialog* waitForWindow(JobAgent& agent, QSignalSpy& opened, int jobId)
    {
        for (int round = 0; round < 100 && !agent.windowFor(jobId); ++round)
            opened.wait(100);
        return agent.windowFor(jobId);
    }

    static int windowsOpenedFor(const QSignalSpy& opened, int jobId)
    {
        return static_cast<int>(std::count_if(opened.begin(), opened.end(), [jobId](const QList<QVariant>& signal) {
            return signal.at(0).toInt() == jobId;
        }));
    }

    static inline std::unique_ptr<PrivateSystemBus> bus;
    static inline std::unique_ptr<ScratchCupsd> cupsd;
    static inline std::string setUpError;
    testing_support::ScopedUserDirs userDirs;
    ScopedEnv plugins{"KORVANE_PLUGIN_PATH", std::string(KORVANE_TEST_BIN_DIR)};
};

TEST_F(AgentOnDisplay, OneWindowForEachOfTheUsersWaitingJobsAndNoneForOthers)
{
    ASSERT_EQ(::chmod(userDirs.path().c_str(), 0755), 0);
    const int waitingBefore = lpJob("Waiting before");
    JobAgent agent(HostOptions{});
    QSignalSpy opened(&agent, &JobAgent::windowOpened);
    std::string error;
    ASSERT_TRUE(agent.start(&error)) << error;
    EXPECT_TRUE(agent.windowFor(waitingBefore)) << "a job that waited before the agent started was not offered";

    const int someoneElses = lpJob("Not yours", true);
    const ProcessResult answeredAlready =
        runProgram(hostProgram(),
                   {"--batch", "--printer", "office", "-o", "job-hold-until=indefinite", "--set", "retentionCheckBox=1",
                    document()},
                   cupsd->clientEnvironment());
    ASSERT_EQ(answeredAlready.exitCode, 0) << answeredAlready.err;
    const std::optional<int> carriesSettings = sentJobId(answeredAlready.err);
    ASSERT_TRUE(carriesSettings);
    ASSERT_TRUE(cupsd->waitForJobState(*carriesSettings, IPP_JSTATE_HELD));
    const int budget = qtJob("Budget 2027");
    HeldJobDialog* window = waitForWindow(agent, opened, budget);
    ASSERT_TRUE(window) << "no window for a new job the user printed from a Qt application";
    // cupsd sends its events in order: the earlier jobs' came before.
    EXPECT_FALSE(agent.windowFor(someoneElses)) << "a window for another user's job";
    EXPECT_FALSE(agent.windowFor(*carriesSettings)) << "a window for a job that carries the tab's settings";
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(window->windowTitle().indexOf("Budget 2027"), -1) << window->windowTitle().toStdString();
    ASSERT_TRUE(window->session());
    EXPECT_TRUE(window->session()->panel().panelView()->isVisible());

    // Another event of the same job brings the same window forward.
    ASSERT_EQ(runProgram("lp", {"-h", cupsd->server(), "-i", std::to_string(budget), "-H", "indefinite"}).exitCode, 0);
    const int fence = lpJob("After the second event");
    ASSERT_TRUE(waitForWindow(agent, opened, fence));
    EXPECT_EQ(windowsOpenedFor(opened, budget), 1);
    EXPECT_EQ(agent.windowFor(budget), window);

    ASSERT_TRUE(agent.notice().window()) << "no notice without a desktop notification service";
    EXPECT_TRUE(agent.notice().window()->hasJob(budget));

    // A job cancelled elsewhere leaves the notice, and its window no longer offers Print.
    ASSERT_EQ(runProgram("cancel", {"-h", cupsd->server(), std::to_string(waitingBefore)}).exitCode, 0);
    for (int round = 0; round < 50 && agent.notice().window()->hasJob(waitingBefore); ++round)
        QTest::qWait(100);
    EXPECT_FALSE(agent.notice().window()->hasJob(waitingBefore));
    ASSERT_TRUE(agent.windowFor(waitingBefore));
    EXPECT_FALSE(agent.windowFor(waitingBefore)->findChild<QPushButton*>("printButton")->isEnabled());
    window->raise();
    window->activateWindow();
    EXPECT_TRUE(savePicture(*window, "agent-job-window.png",
                            {window->findChild<QWidget*>("stateLabel"), window->session()->panel().panelView()}));
    NoticeWindow& notice = *agent.notice().window();
    EXPECT_TRUE(
        savePicture(notice, "agent-notice.png", {notice.findChild<QWidget*>(QString("openJob%1").arg(budget))}));
}

TEST_F(AgentOnDisplay, PrintInTheWindowLetsTheJobGoWithTheTabsSettings)
{
    JobAgent agent(HostOptions{});
    QSignalSpy opened(&agent, &JobAgent::windowOpened);
    std::string error;
    ASSERT_TRUE(agent.start(&error)) << error;
    const int job = lpJob("Held report");
    HeldJobDialog* window = waitForWindow(agent, opened, job);
    ASSERT_TRUE(window);
    QWidget* view = window->session()->panel().panelView();
    for (const char* operation : {"retentionCheckBox=1", "suspendMatrix=0", "suspendKeyEditText=4711"}) {
        const std::string text = operation;
        const std::size_t equals = text.find('=');
        std::string error;
        ASSERT_TRUE(platform::operateControl(view, text.substr(0, equals), text.substr(equals + 1), &error)) << error;
    }
    QPushButton* print = window->findChild<QPushButton*>("printButton");
    ASSERT_TRUE(print);
    QSignalSpy settled(window, &HeldJobDialog::jobSettled);
    print->click();
    ASSERT_EQ(settled.count(), 1) << window->findChild<QLabel*>("noteLabel")->text().toStdString();

    const std::optional<FilterRecord> record = cupsd->waitForRecord(job);
    ASSERT_TRUE(record) << "the job was not let go";
    EXPECT_EQ(record->options.at("korvane.print.PrintSettings.jobSuspend"), "2");
    EXPECT_EQ(record->options.count("korvane.print.PrintSettings.jobSuspend2Key"), 0u) << "a secret in plain";
    ASSERT_GT(record->options.count("korvane.print.PrintSettings.sealed1"), 0u) << record->rawOptions;
    const FilterRecord atTheFilter = cupsd->opened(*record);
    EXPECT_EQ(atTheFilter.options.at("korvane.print.PrintSettings.jobSuspendKey").size(), 32u);
    QTest::qWait(100);
    EXPECT_FALSE(agent.windowFor(job));
    EXPECT_FALSE(agent.notice().window() && agent.notice().window()->hasJob(job));
}

}  // namespace
