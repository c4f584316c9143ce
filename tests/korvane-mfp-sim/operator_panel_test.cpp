// The operator panel over plain HTTP: what a job's own texts do to the page.
#include "job_streams.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

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
