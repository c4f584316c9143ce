// The operator panel over plain HTTP: what a job's own texts do to the page, and who may delete
// a held job.
#include "harness_host.h"
#include "job_streams.h"

#include <QFile>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

constexpr char kAdminPassword[] = "adm1n pa$$ word";

// A job held behind a PIN, with its names.
TestJob heldJob(const QByteArray& name)
{
    TestJob job;
    job.document = samplePdf(1);
    job.retention = "HOLD";
    job.pin = "4711";
    job.userName = "Alice";
    job.jobName = name;
    job.account = "42";
    return job;
}

// The operator panel's page, as a browser gets it.
QByteArray panelPage(const Printer& printer)
{
    return roundTrip(printer.sim.port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n").body;
}

// A printer with an administrator password, given in a file as a careful administrator does.
bool startWithAdministrator(Printer& printer)
{
    QFile secret(printer.state.filePath("admin-password"));
    if (!secret.open(QIODevice::WriteOnly) || secret.write(QByteArray(kAdminPassword) + "\n") < 0)
        return false;
    secret.close();
    return printer.start({"--admin-password-file", secret.fileName()});
}

}  // namespace

TEST(MfpSimOperatorPanel, JobTextsThatLookLikePlaceholdersStayInTheirCells)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    TestJob job = heldJob("x %1 %2 y");
    job.userName = "u %3 %9";
    ASSERT_TRUE(printer.print(jobStream(job), 1));
    const QByteArray page = panelPage(printer);
    EXPECT_TRUE(
        page.contains("<td class=\"number\">1</td><td>x %1 %2 y</td>"
                      "<td><span class=\"badge held\">held</span></td><td>HOLD</td>"
                      "<td class=\"number\">1</td><td>00042</td>"))
        << page.toStdString();
    EXPECT_TRUE(page.contains("scope=\"rowgroup\">u %3 %9</th>")) << page.toStdString();
    for (const char* placeholder : {"%4", "%5", "%6", "%7", "%8"})
        EXPECT_FALSE(page.contains(placeholder)) << placeholder;
}

TEST(MfpSimOperatorPanel, HeldJobIsDeletedOnlyWithItsPinOrTheAdministratorPassword)
{
    Printer printer;
    ASSERT_TRUE(startWithAdministrator(printer));
    ASSERT_TRUE(printer.print(jobStream(heldJob("Budget")), 1));
    ASSERT_TRUE(printer.print(jobStream(heldJob("Payroll")), 2));

    for (const QByteArray& stranger : {QByteArray(), QByteArray("1234"), QByteArray("adm1n")})
        EXPECT_EQ(printer.remove(1, stranger).status, 403) << stranger.constData();
    EXPECT_EQ(printer.job(1).value("state").toString(), "held");
    EXPECT_EQ(printer.heldFiles(), QStringList({"1.pdf", "2.pdf"}));

    EXPECT_EQ(printer.remove(1, "4711").status, 200);
    EXPECT_EQ(printer.remove(2, kAdminPassword).status, 200);
    EXPECT_EQ(printer.job(1).value("state").toString(), "deleted");
    EXPECT_EQ(printer.job(2).value("state").toString(), "deleted");
    EXPECT_TRUE(printer.heldFiles().isEmpty());
    EXPECT_EQ(printer.remove(2, kAdminPassword).status, 404);
}

TEST(MfpSimOperatorPanel, WrongPinsAtDeleteLockTheJobAsAtRelease)
{
    Printer printer;
    ASSERT_TRUE(startWithAdministrator(printer));
    ASSERT_TRUE(printer.print(jobStream(heldJob("Budget")), 1));
    EXPECT_EQ(printer.release(1, "1111").status, 403);
    for (int attempt = 2; attempt <= 4; ++attempt)
        EXPECT_EQ(printer.remove(1, "1111").status, 403) << attempt;
    EXPECT_EQ(printer.remove(1, "1111").status, 423);
    // Locked: the PIN opens nothing any more; the administrator still may.
    EXPECT_EQ(printer.remove(1, "4711").status, 423);
    EXPECT_EQ(printer.job(1).value("state").toString(), "locked");
    EXPECT_EQ(printer.remove(1, kAdminPassword).status, 200);
    EXPECT_EQ(printer.job(1).value("state").toString(), "deleted");
}

TEST(MfpSimOperatorPanel, DeleteFormAsksForThePinOrTheAdministratorPassword)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    ASSERT_TRUE(printer.print(jobStream(heldJob("Budget")), 1));
    const QByteArray page = panelPage(printer);
    const qsizetype form = page.indexOf("<form method=\"post\" action=\"/jobs/1/delete\">");
    ASSERT_GE(form, 0) << page.toStdString();
    const QByteArray deleteForm = page.mid(form, page.indexOf("</form>", form) - form);
    EXPECT_TRUE(deleteForm.contains("<label for=\"secret-1\">PIN or admin password</label>"))
        << deleteForm.toStdString();
    EXPECT_TRUE(deleteForm.contains("<input id=\"secret-1\" name=\"pin\" type=\"password\""))
        << deleteForm.toStdString();
}

TEST(MfpSimOperatorPanel, AdministratorPasswordComesFromTheEnvironmentOrAFileNeverTwoWays)
{
    QTemporaryDir dir;
    QFile secret(dir.filePath("password"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("from-file\n");
    secret.close();
    QByteArray err;
    EXPECT_EQ(harness::runStandInToEnd({"--admin-password", "x", "--admin-password-file", secret.fileName()}, &err), 2);
    EXPECT_TRUE(err.contains("give the administrator password one way only")) << err.constData();
    EXPECT_EQ(harness::runStandInToEnd({"--admin-password-file", dir.filePath("missing")}, &err), 2);
    EXPECT_TRUE(err.contains("cannot read")) << err.constData();

    qputenv("KORVANE_MFP_ADMIN_PASSWORD", "from-environment");
    Printer printer;
    const bool started = printer.start();
    qunsetenv("KORVANE_MFP_ADMIN_PASSWORD");
    ASSERT_TRUE(started);
    ASSERT_TRUE(printer.print(jobStream(heldJob("Budget")), 1));
    EXPECT_EQ(printer.remove(1, "from-file").status, 403);
    EXPECT_EQ(printer.remove(1, "from-environment").status, 200);
}

TEST(MfpSimOperatorPanel, PinAndAdministratorPasswordReachNothingAnotherUserReads)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "reading as another user needs root";
    Printer printer;
    ASSERT_TRUE(startWithAdministrator(printer));
    TestJob job = heldJob("Budget");
    job.pin = "86420";
    ASSERT_TRUE(printer.print(jobStream(job), 1));
    ASSERT_TRUE(printer.print(jobStream(job), 2));
    EXPECT_EQ(printer.release(1, "97531").status, 403);
    EXPECT_EQ(printer.remove(1, "86420").status, 200);
    EXPECT_EQ(printer.remove(2, kAdminPassword).status, 200);

    const auto asNobody = [](const std::vector<std::string>& command) {
        std::vector<std::string> arguments{"-u", "nobody", "--"};
        arguments.insert(arguments.end(), command.begin(), command.end());
        return harness::runProgram("/usr/sbin/runuser", arguments);
    };
    const std::string pid = std::to_string(printer.sim.process().processId());
    const harness::ProcessResult commandLine = asNobody({"cat", "/proc/" + pid + "/cmdline"});
    ASSERT_EQ(commandLine.exitCode, 0) << commandLine.err;
    EXPECT_EQ(commandLine.out.find(kAdminPassword), std::string::npos);
    EXPECT_NE(asNobody({"ls", printer.state.path().toStdString()}).exitCode, 0) << "the state folder is open to all";
    // Nor does the store keep either, where its own user could hand them on.
    const QByteArray store = fileContents(printer.state.filePath("jobs.json"));
    ASSERT_FALSE(store.isEmpty());
    for (const char* secret : {kAdminPassword, "86420", "97531"})
        EXPECT_FALSE(store.contains(secret)) << secret;
}
