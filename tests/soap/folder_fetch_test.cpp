// The button that fetches the printer's folders, driven as a user would, against the
// printer stand-in on loopback.
#include "exchange_files.h"
#include "platform/automation.h"
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "soap/reply.h"
#include "stand_in.h"
#include "support/test_host.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace std::chrono_literals;

namespace {

const std::string kAlert = "Could not retrieve Folder Names.|OK";

FolderEntry folder(std::string name, bool password = false, bool dir = false)
{
    return FolderEntry{std::move(name), password, dir, false};
}

// A host that runs a function when it is asked to show an alert, after noting the alert.
class AlertingHost : public testing_support::TestHost {
public:
    void presentInformationalAlert(const std::string& message, const std::string& button) override
    {
        TestHost::presentInformationalAlert(message, button);
        if (onAlert)
            onAlert();
    }
    std::function<void()> onAlert;
};

class FolderFetchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel = host.makePanel();
        ASSERT_TRUE(panel->panelView());
        ASSERT_TRUE(panel->getFolderNameButton);
        ASSERT_TRUE(replyFilePath().has_value());
    }

    // Types the address into its field.
    void setAddress(const std::string& address) { panel->printersAddressEditText.setStringValue(address); }

    // Presses the button as the user does.
    void press()
    {
        std::string refusal;
        EXPECT_TRUE(platform::operateControl(panel->panelView(), "getFolderNameButton", "1", &refusal)) << refusal;
    }

    // Fetches from a stand-in that lists the three usual folders.
    void fetchThreeFolders(harness::StandIn& printer)
    {
        ASSERT_TRUE(printer.start({"--folder", "Accounts:protected", "--folder", "Design", "--folder", "Shared:dir"}));
        setAddress(printer.address());
        press();
        ASSERT_EQ(panel->folderList, threeFolders);
    }

    void expectSpinnerAtRest()
    {
        EXPECT_FALSE(panel->chasingArrow.isAnimating());
        EXPECT_TRUE(panel->chasingArrow.isHidden());
    }

    const FolderList threeFolders{folder("Accounts", true), folder("Design"), folder("Shared", false, true)};
    testing_support::ScopedUserDirs dirs;
    AlertingHost host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
};

TEST_F(FolderFetchTest, PressListsThePrintersFoldersWithoutAMessage)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    fetchThreeFolders(printer);
    EXPECT_TRUE(host.alerts.empty());
    expectSpinnerAtRest();
    EXPECT_EQ(printer.requestCount(), 1);
}

TEST_F(FolderFetchTest, UnreachablePrinterAlertsOnceThenRereadsTheLastReply)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    fetchThreeFolders(printer);
    // The spinner must already be at rest when the alert is up.
    bool spinnerAtRestDuringAlert = false;
    host.onAlert = [&] {
        spinnerAtRestDuringAlert = !panel->chasingArrow.isAnimating() && panel->chasingArrow.isHidden();
    };
    setAddress("127.0.0.1:" + std::to_string(soaptest::closedPort()));
    press();
    EXPECT_EQ(host.alerts, std::vector<std::string>{kAlert});
    EXPECT_TRUE(spinnerAtRestDuringAlert);
    EXPECT_EQ(panel->folderList, threeFolders);
    expectSpinnerAtRest();
}

TEST_F(FolderFetchTest, SilentPrinterAlertsWhenTheWatchdogFires)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "silent"}));
    panel->folderFetchGuard.watchdogInterval = 300ms;
    panel->folderList = FolderList{folder("Kept")};
    setAddress(printer.address());
    press();
    EXPECT_EQ(host.alerts, std::vector<std::string>{kAlert});
    EXPECT_EQ(panel->folderList, FolderList{folder("Kept")});  // no reply file yet
    expectSpinnerAtRest();
}

TEST_F(FolderFetchTest, EmptyAddressRereadsTheLastReplyOfAnyPrinter)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    fetchThreeFolders(printer);
    // Another print queue's panel of the same user.
    testing_support::TestHost otherHost("other-queue");
    auto other = otherHost.makePanel();
    ASSERT_TRUE(other->panelView());
    other->printersAddressEditText.setStringValue("");
    ASSERT_FALSE(other->folderList && !other->folderList->empty());
    platform::operateControl(other->panelView(), "getFolderNameButton", "1");
    EXPECT_EQ(other->folderList, threeFolders);
    EXPECT_TRUE(otherHost.alerts.empty());
    EXPECT_EQ(printer.requestCount(), 1);
}

TEST_F(FolderFetchTest, AddressThatFormsNoURLSendsNothingAndSaysNothing)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    fetchThreeFolders(printer);
    panel->folderList.reset();
    setAddress("printer name with spaces");
    press();
    EXPECT_TRUE(host.alerts.empty());
    EXPECT_EQ(panel->folderList, threeFolders);  // the last reply again
    expectSpinnerAtRest();
    EXPECT_EQ(printer.requestCount(), 1);
}

TEST_F(FolderFetchTest, RefusingOrFaultingPrinterEmptiesTheListSilently)
{
    for (const char* mode : {"unsupported", "http500"}) {
        harness::StandIn printer{harness::StandInMessages::CountRequests};
        ASSERT_TRUE(printer.start({"--mode", mode, "--folder", "Hidden"}));
        panel->folderList = FolderList{folder("Earlier")};
        setAddress(printer.address());
        press();
        EXPECT_EQ(panel->folderList, FolderList{}) << mode;
        EXPECT_TRUE(host.alerts.empty()) << mode;
    }
}

TEST_F(FolderFetchTest, ReplyThatIsNoXMLLeavesTheListAsItWas)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "not-xml"}));
    panel->folderList = FolderList{folder("Earlier")};
    setAddress(printer.address());
    press();
    EXPECT_EQ(panel->folderList, FolderList{folder("Earlier")});
    EXPECT_TRUE(host.alerts.empty());
}

TEST_F(FolderFetchTest, PressAndHostCallsDuringTheWaitStartNoSecondExchange)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start(
        {"--mode", "late=1", "--folder", "Accounts:protected", "--folder", "Design", "--folder", "Shared:dir"}));
    setAddress(printer.address());
    bool busyDuringWait = false;
    QTimer::singleShot(300ms, [&] {
        busyDuringWait = panel->folderFetchGuard.isBusy();
        press();
        panel->saveValuesAndReturnError(nullptr);
        panel->summaryInfo();
        panel->restoreValuesAndReturnError(nullptr);
    });
    press();
    EXPECT_TRUE(busyDuringWait);
    EXPECT_FALSE(panel->folderFetchGuard.isBusy());
    EXPECT_EQ(panel->folderList, threeFolders);
    EXPECT_TRUE(host.alerts.empty());
    EXPECT_EQ(printer.requestCount(), 1);

    // Once the exchange is over the button works again.
    press();
    EXPECT_EQ(printer.requestCount(), 2);
}

TEST_F(FolderFetchTest, PanelDestroyedDuringTheWaitEndsTheExchangeQuietly)
{
    harness::StandIn printer{harness::StandInMessages::CountRequests};
    ASSERT_TRUE(printer.start({"--mode", "silent"}));
    panel->folderFetchGuard.watchdogInterval = 60s;
    setAddress(printer.address());
    QWidget* view = panel->panelView();
    QTimer::singleShot(300ms, [&] { panel.reset(); });
    QElapsedTimer clock;
    clock.start();
    platform::operateControl(view, "getFolderNameButton", "1");
    EXPECT_FALSE(panel);
    // Far below the watchdog: the wait ended with the panel, not by itself.
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_TRUE(host.alerts.empty());
}

TEST_F(FolderFetchTest, PanelDestroyedDuringTheAlertIsNotTouchedAgain)
{
    host.onAlert = [&] { panel.reset(); };
    setAddress("127.0.0.1:" + std::to_string(soaptest::closedPort()));
    platform::operateControl(panel->panelView(), "getFolderNameButton", "1");
    EXPECT_FALSE(panel);
    EXPECT_EQ(host.alerts, std::vector<std::string>{kAlert});
}

}  // namespace
