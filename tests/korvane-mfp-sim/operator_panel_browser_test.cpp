// The operator panel as a browser shows it: Debian's chromium, headless, builds the page's DOM;
// the release form is then sent with the action and field names that DOM gives.
#include "job_streams.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

// The DOM chromium builds from the page at url; empty when it could not run.
QString dumpDom(const QString& chromium, const QString& url, const QTemporaryDir& home)
{
    QProcess browser;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    browser.setProcessEnvironment(environment);
    browser.setStandardErrorFile(QProcess::nullDevice());
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--user-data-dir=" + home.filePath("profile"), "--dump-dom", url});
    if (!browser.waitForFinished(60000)) {
        browser.kill();
        browser.waitForFinished();
        return {};
    }
    return QString::fromUtf8(browser.readAllStandardOutput());
}

// The first capture of pattern in text, or an empty text.
QString captured(const QString& text, const QString& pattern, int group = 1)
{
    return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(text).captured(group);
}

}  // namespace

TEST(MfpSimOperatorPanel, BrowserListsTheHeldJobAndItsReleaseFormPrintsIt)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    ASSERT_FALSE(chromium.isEmpty()) << "chromium is not installed; scripts/setup-debian.sh installs it";
    QTemporaryDir state;
    QTemporaryDir home;
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--print-port", "0", "--state", state.path()}));
    TestJob job;
    job.document = samplePdf(2);
    job.retention = "HOLD";
    job.pin = "4711";
    job.userName = "Alice Martin";
    job.jobName = "Budget <draft> & notes";
    ASSERT_TRUE(sendToPrintPort(sim.printPort(), jobStream(job)));
    ASSERT_TRUE(waitForJobs(sim.port(), 1));
    const QString page = QStringLiteral("http://127.0.0.1:%1/").arg(sim.port());

    const QString dom = dumpDom(chromium, page, home);
    ASSERT_TRUE(dom.contains("Held jobs (1)")) << dom.left(2000).toStdString();
    EXPECT_TRUE(dom.contains("Alice Martin"));
    // The job's name is text, never markup.
    EXPECT_TRUE(dom.contains("Budget &lt;draft&gt; &amp; notes"));
    EXPECT_FALSE(dom.contains("<draft>"));

    const QString form = captured(dom, R"re(<form[^>]*action="(/jobs/1/release)"[^>]*>(.*?)</form>)re", 0);
    const QString action = captured(form, R"re(action="([^"]+)")re");
    const QString inputId = captured(form, R"re(<input[^>]*id="([^"]+)")re");
    const QString field = captured(form, R"re(<input[^>]*name="([^"]+)")re");
    ASSERT_FALSE(action.isEmpty()) << form.toStdString();
    ASSERT_FALSE(field.isEmpty()) << form.toStdString();
    EXPECT_TRUE(form.contains(QStringLiteral("<label for=\"%1\">").arg(inputId))) << "the PIN field has no label";
    EXPECT_TRUE(captured(form, R"re(<form[^>]*method="([^"]+)")re").compare("post", Qt::CaseInsensitive) == 0);

    const Response wrong = postForm(sim.port(), action.toLatin1(), field.toLatin1() + "=1111", "text/html");
    EXPECT_EQ(wrong.status, 403);
    EXPECT_TRUE(wrong.body.contains("Wrong PIN for job 1; it stays held."));
    const Response right = postForm(sim.port(), action.toLatin1(), field.toLatin1() + "=4711", "text/html");
    EXPECT_EQ(right.status, 200);
    EXPECT_TRUE(right.body.contains("role=\"status\">Job 1 printed.</p>"));
    EXPECT_EQ(fileContents(state.filePath("printed/1.pdf")), job.document);

    const QString after = dumpDom(chromium, page, home);
    EXPECT_TRUE(after.contains("Held jobs (0)"));
    EXPECT_TRUE(after.contains("Printed jobs (1)"));
}
