#include "korvane-print/printer_jobs.h"

#include "korvane-print/host_harness.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>

namespace host_testing {

std::string printedFile(const std::string& stateFolder, int job)
{
    return stateFolder + "/printed/" + std::to_string(job) + ".pdf";
}

void expectReleasedOnlyByItsPin(const harness::StandIn& printer, const std::string& stateFolder, const QJsonObject& job,
                                const std::string& pin, const std::string& document)
{
    ASSERT_EQ(job.value("state").toString(), "held") << QJsonDocument(job).toJson().toStdString();
    const int id = job.value("id").toInt();
    const std::string printed = printedFile(stateFolder, id);
    EXPECT_EQ(printer.typePin(id, pin == "1234" ? "4321" : "1234"), 403);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(printed)));
    EXPECT_EQ(printer.typePin(id, pin), 200);
    EXPECT_TRUE(readFile(printed) == document) << "the printed file is not the document";
}

OfficeChain::OfficeChain(CupsdPolicy policy, const std::vector<std::string>& printerOptions) : cupsd(policy)
{
    QStringList options{"--port", "0", "--print-port", "0", "--state", printerState.path()};
    for (const std::string& option : printerOptions)
        options.append(QString::fromStdString(option));
    if (!printer.start(options))
        error = "the printer stand-in did not start";
    else if (!cupsd.isRunning())
        error = "the chain needs a real cupsd and it could not start: " + cupsd.error();
    else if (auto problem = cupsd.addFilterQueue("office", printer.deviceURI()))
        error = *problem;
}

}  // namespace host_testing
