// The printer stand-in as a printer: jobs on its print port, held behind their PIN, authenticated,
// refused when their stream breaks the format, kept across a restart.
#include "job_streams.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

TestJob heldJob(const QByteArray& pin)
{
    TestJob job;
    job.document = samplePdf(3);
    job.retention = "HOLD";
    job.pin = pin;
    job.account = "42";
    job.userName = "Alice Martin";
    job.jobName = "Quarterly report";
    return job;
}

}  // namespace

TEST(MfpSimPrinter, HeldJobPrintsOnlyWithItsPinAndByteForByte)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    const TestJob job = heldJob("4711");
    ASSERT_TRUE(printer.print(jobStream(job), 1));
    QJsonObject listed = printer.job(1);
    EXPECT_EQ(listed.value("state").toString(), "held");
    EXPECT_EQ(listed.value("user").toString(), "Alice Martin");
    EXPECT_EQ(listed.value("name").toString(), "Quarterly report");
    EXPECT_EQ(listed.value("retention").toString(), "HOLD");
    EXPECT_EQ(listed.value("account").toString(), "00042");
    EXPECT_TRUE(printer.printedFiles().isEmpty());

    EXPECT_EQ(printer.release(1, "4712").status, 403);
    EXPECT_EQ(printer.release(1, "").status, 403);
    EXPECT_EQ(printer.job(1).value("state").toString(), "held");
    EXPECT_TRUE(printer.printedFiles().isEmpty());

    EXPECT_EQ(printer.release(1, "4711").status, 200);
    EXPECT_EQ(printer.job(1).value("state").toString(), "printed");
    EXPECT_EQ(fileContents(printer.printed(1)), job.document);
    EXPECT_TRUE(printer.heldFiles().isEmpty());
    // Released once, a job is no longer held.
    EXPECT_EQ(printer.release(1, "4711").status, 409);
    EXPECT_EQ(printer.release(9, "4711").status, 404);
    EXPECT_EQ(roundTrip(printer.sim.port(), "GET /accounts HTTP/1.1\r\nHost: x\r\n\r\n").body, "{\"00042\":3}");
}

TEST(MfpSimPrinter, FiveWrongPinsLockTheJob)
{
    Printer printer;
    ASSERT_TRUE(printer.start({"--admin-password", "root"}));
    ASSERT_TRUE(printer.print(jobStream(heldJob("123")), 1));
    for (int attempt = 1; attempt <= 4; ++attempt)
        EXPECT_EQ(printer.release(1, "124").status, 403) << attempt;
    EXPECT_EQ(printer.release(1, "124").status, 423);
    EXPECT_EQ(printer.release(1, "123").status, 423);
    EXPECT_EQ(printer.job(1).value("state").toString(), "locked");
    EXPECT_TRUE(printer.printedFiles().isEmpty());
    EXPECT_EQ(printer.remove(1, "root").status, 200);
    EXPECT_EQ(printer.job(1).value("state").toString(), "deleted");
    EXPECT_TRUE(printer.heldFiles().isEmpty());
}

TEST(MfpSimPrinter, RetentionModesPrintAndHoldAsTheyName)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    TestJob job = heldJob("55555");
    job.filing = "CUSTOM";
    job.folder = "Sales";
    for (const QByteArray retention : {"HOLDAFTERPRINT", "SAMPLE", "NONE"}) {
        job.retention = retention;
        ASSERT_TRUE(printer.print(jobStream(job), printer.printedFiles().size() + 1));
    }
    // Hold after print and sample print both print at once and stay held.
    EXPECT_EQ(printer.printedFiles(), QStringList({"1.pdf", "2.pdf", "3.pdf"}));
    EXPECT_EQ(printer.heldFiles(), QStringList({"1.pdf", "2.pdf"}));
    EXPECT_EQ(printer.job(3).value("state").toString(), "printed");
    EXPECT_EQ(printer.job(1).value("folder").toString(), "Sales");
    // The sample's release prints the rest and ends the hold; hold after print stays for another print.
    EXPECT_EQ(printer.release(2, "55555").status, 200);
    EXPECT_EQ(printer.job(2).value("state").toString(), "printed");
    EXPECT_EQ(printer.release(1, "55555").status, 200);
    EXPECT_EQ(printer.job(1).value("state").toString(), "held");
    EXPECT_EQ(printer.job(1).value("prints").toInt(), 2);
    EXPECT_EQ(fileContents(printer.printed(1)), job.document);
}

TEST(MfpSimPrinter, AuthenticationRefusesWhatDoesNotMatchAndNeverPrintsIt)
{
    Printer printer;
    ASSERT_TRUE(printer.start({"--user", "j\xC3\xBCrgen:s3cret pass", "--user-number", "4711"}));
    TestJob job;
    job.document = samplePdf(1);
    job.login = "j\xFCrgen";  // the login name travels in Windows Latin 1
    job.password = "s3cret pass";
    ASSERT_TRUE(printer.print(jobStream(job), 1));
    job.password = "s3cret pasS";
    ASSERT_TRUE(printer.print(jobStream(job), 2));
    job.login = "jurgen";
    ASSERT_TRUE(printer.print(jobStream(job), 3));
    TestJob byNumber;
    byNumber.document = samplePdf(1);
    byNumber.userNumber = "4711";
    ASSERT_TRUE(printer.print(jobStream(byNumber), 4));
    byNumber.userNumber = "4712";
    ASSERT_TRUE(printer.print(jobStream(byNumber), 5));
    TestJob anonymous;
    anonymous.document = samplePdf(1);
    ASSERT_TRUE(printer.print(jobStream(anonymous), 6));

    EXPECT_EQ(printer.job(1).value("state").toString(), "printed");
    EXPECT_EQ(printer.job(2).value("reason").toString(), "authentication failed: wrong password");
    EXPECT_EQ(printer.job(3).value("reason").toString(), "authentication failed: unknown login name");
    EXPECT_EQ(printer.job(4).value("state").toString(), "printed");
    EXPECT_EQ(printer.job(5).value("reason").toString(), "authentication failed: unknown user number");
    EXPECT_EQ(printer.job(6).value("reason").toString(), "authentication failed: the job carries no credentials");
    for (int id : {2, 3, 5, 6})
        EXPECT_EQ(printer.job(id).value("state").toString(), "refused") << id;
    EXPECT_EQ(printer.printedFiles(), QStringList({"1.pdf", "4.pdf"}));
    EXPECT_TRUE(printer.heldFiles().isEmpty());
}

TEST(MfpSimPrinter, StoreSurvivesARestart)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    const TestJob job = heldJob("2468");
    ASSERT_TRUE(printer.print(jobStream(job), 1));
    EXPECT_EQ(printer.release(1, "1111").status, 403);
    ASSERT_TRUE(printer.sim.stop());

    harness::StandIn again;
    ASSERT_TRUE(again.start({"--print-port", "0", "--state", printer.state.path()}));
    const QJsonObject listed = jobWithId(again.port(), 1);
    EXPECT_EQ(listed.value("state").toString(), "held");
    EXPECT_EQ(listed.value("wrongPins").toInt(), 1);
    EXPECT_EQ(postForm(again.port(), "/jobs/1/release", "pin=2468").status, 200);
    EXPECT_EQ(fileContents(printer.printed(1)), job.document);
    // A new job after the restart gets a new number.
    ASSERT_TRUE(sendToPrintPort(again.printPort(), jobStream(job)));
    ASSERT_TRUE(waitForJobs(again.port(), 2));
    EXPECT_EQ(jobWithId(again.port(), 2).value("state").toString(), "held");
}

TEST(MfpSimPrinter, StreamThatBreaksTheFormatIsRefusedWithItsReason)
{
    Printer printer;
    ASSERT_TRUE(printer.start({"--max-job-bytes", "100000"}));
    const TestJob job = heldJob("1234");
    const QByteArray good = jobStream(job);
    const qsizetype documentAt = good.indexOf("%PDF");
    QList<std::pair<QByteArray, QByteArray>> broken = {
        {good.left(documentAt + 10), "incomplete job: 10 of"},
        {good.chopped(1), "incomplete job: no end of job"},
        {good + "@KJC JOB\n", "data after the end of the job"},
        {QByteArray(good).replace("@KJC SET TITLE", "@KJC SET TITLE\r"), "bad header line 3"},
        {QByteArray(good).replace("RETENTION=\"HOLD\"", "RETENTION=\"HOLD\n\""), "bad header line 5"},
        {QByteArray(good).replace("RETENTION=", "RETENTON="), "bad header line 5: RETENTON is unknown"},
        {QByteArray(good).replace("@KJC SET RETENTION=\"HOLD\"\n",
                                  "@KJC SET RETENTION=\"HOLD\"\n@KJC SET RETENTION=\"NONE\"\n"),
         "bad header line 6: RETENTION given twice"},
        {jobStream({{"RETENTION", "HOLD"}, {"PINDIGEST", QByteArray(32, 'a')}}, job.document),
         "bad header: no SPOOLTIME"},
        {jobStream(headerSettings(job), QByteArray(100001, 'x')), "too large"},
        {"@KJC JOB\n" + QByteArray(2000, 'A'), "bad header line 2: longer than 1024 bytes"},
    };
    int jobs = 0;
    for (const auto& [stream, reason] : broken) {
        ASSERT_TRUE(printer.print(stream, ++jobs)) << reason.constData();
        const QJsonObject listed = printer.job(jobs);
        EXPECT_EQ(listed.value("state").toString(), "refused") << reason.constData();
        EXPECT_TRUE(listed.value("reason").toString().startsWith(QString::fromLatin1(reason)))
            << listed.value("reason").toString().toStdString() << " for " << reason.constData();
    }
    EXPECT_TRUE(printer.printedFiles().isEmpty());
    EXPECT_TRUE(printer.heldFiles().isEmpty());
    EXPECT_TRUE(QDir(printer.state.filePath("incoming")).isEmpty());
}

TEST(MfpSimPrinter, JobThatTricklesIsCutAtItsDeadline)
{
    Printer printer;
    ASSERT_TRUE(printer.start({"--job-deadline", "1"}));
    Client sender;
    ASSERT_TRUE(sender.connectTo(printer.sim.printPort()));
    // A byte every 100 ms would keep an idle timer alive for ever.
    const QByteArray stream = jobStream(heldJob("1234"));
    for (int at = 0; at < 30 && !sender.closedByPeer; ++at) {
        sender.send(stream.mid(at, 1));
        sender.readFor(100);
    }
    EXPECT_TRUE(sender.closedByPeer);
    ASSERT_TRUE(waitForJobs(printer.sim.port(), 1));
    EXPECT_EQ(printer.job(1).value("reason").toString(), "incomplete job: not received within 1 s");
}

TEST(MfpSimPrinter, PagesAreThePagesAReaderSeesAndAreChargedToTheAccount)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    TestJob job;
    job.account = "7";
    // Page objects packed into a compressed object stream; a page rewritten by an update.
    for (const QByteArray& document : {objectStreamPdf(3), updatedPdf(3), samplePdf(2)}) {
        job.document = document;
        ASSERT_TRUE(printer.print(jobStream(job), printer.printedFiles().size() + 1));
    }
    EXPECT_EQ(printer.job(1).value("pages").toInteger(), 3);
    EXPECT_EQ(printer.job(2).value("pages").toInteger(), 3);
    EXPECT_EQ(printer.job(3).value("pages").toInteger(), 2);
    EXPECT_EQ(roundTrip(printer.sim.port(), "GET /accounts HTTP/1.1\r\nHost: x\r\n\r\n").body, "{\"00007\":8}");
    EXPECT_EQ(fileContents(printer.printed(1)), objectStreamPdf(3));
}

TEST(MfpSimPrinter, DocumentWhosePagesCannotBeCountedPrintsAsOnePageAndTheLogSaysSo)
{
    Printer printer;
    ASSERT_TRUE(printer.start());
    TestJob job;
    job.account = "7";
    job.document = "%!PS-Adobe-3.0\nshowpage\n";
    ASSERT_TRUE(printer.print(jobStream(job), 1));
    EXPECT_EQ(printer.job(1).value("state").toString(), "printed");
    EXPECT_EQ(printer.job(1).value("pages").toInteger(), 1);
    EXPECT_EQ(fileContents(printer.printed(1)), job.document);
    const QByteArray page = roundTrip(printer.sim.port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n").body;
    EXPECT_TRUE(page.contains("its pages cannot be counted; 1 page is charged")) << page.toStdString();
}
