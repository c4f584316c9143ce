#include "korvane-print/printer_jobs.h"

#include "korvane-print/host_harness.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include <cstdlib>

namespace host_testing {

QJsonArray PrinterJobs::jobs() const
{
    const ProcessResult got = runProgram("curl", {"-fsS", printer_.url("/jobs")});
    return QJsonDocument::fromJson(QByteArray::fromStdString(got.out)).array();
}

QJsonObject PrinterJobs::waitForNewJob(qsizetype jobsBefore) const
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000) {
        const QJsonArray now = jobs();
        if (now.size() > jobsBefore)
            return now.last().toObject();
        QTest::qWait(100);
    }
    return {};
}

int PrinterJobs::typePin(int job, const std::string& pin) const
{
    const ProcessResult posted = runProgram("curl", {"-sS", "-o", "/dev/null", "-w", "%{http_code}", "-d", "pin=" + pin,
                                                     printer_.url("/jobs/" + std::to_string(job) + "/release")});
    return std::atoi(posted.out.c_str());
}

std::string PrinterJobs::printedFile(int job) const
{
    return stateFolder_ + "/printed/" + std::to_string(job) + ".pdf";
}

void PrinterJobs::expectReleasedOnlyByItsPin(const QJsonObject& job, const std::string& pin,
                                             const std::string& document) const
{
    ASSERT_EQ(job.value("state").toString(), "held") << QJsonDocument(job).toJson().toStdString();
    const int id = job.value("id").toInt();
    EXPECT_EQ(typePin(id, pin == "1234" ? "4321" : "1234"), 403);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(printedFile(id))));
    EXPECT_EQ(typePin(id, pin), 200);
    EXPECT_TRUE(readFile(printedFile(id)) == document) << "the printed file is not the document";
}

}  // namespace host_testing
