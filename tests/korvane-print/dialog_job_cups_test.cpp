// Jobs of the dialog's pages sent to a real cupsd: pages, paper size, two-sided and the Job
// Control tab's choices reach the queue's filter exactly as dumped; a choice the printer's
// constraints refuse sends nothing; the defaults a user keeps in lpoptions are where the
// dialog starts.
#include "job_choices.h"
#include "korvane-print/host_harness.h"
#include "lpoptions_store.h"
#include "paper_page.h"
#include "paper_sizes.h"
#include "printer_status.h"
#include "settings/keys.h"
#include "settings/sealed_options.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdlib>
#include <thread>

using namespace host_testing;
namespace keys = korvane::keys;

namespace {

class DialogJob : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        cupsd = std::make_unique<ScratchCupsd>();
        if (cupsd->isRunning())
            if (auto problem = cupsd->addRecordingQueue("duplex-test", duplexPpd()))
                queueError = *problem;
    }
    static void TearDownTestSuite() { cupsd.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(cupsd->isRunning()) << "these tests need a real cupsd and it could not start: " << cupsd->error();
        ASSERT_TRUE(queueError.empty()) << queueError;
        document = path("report.pdf");
        ASSERT_TRUE(writeFile(document, minimalPdf()));
    }

    std::string path(const std::string& name) const { return scratch.path().toStdString() + "/" + name; }

    // The user's folders and the CUPS client's, all private to the test (CUPS_SERVERROOT is
    // where root's lpoptions live).
    std::map<std::string, std::string> environment() const
    {
        return {{"CUPS_SERVER", cupsd->server()},
                {"HOME", scratch.path().toStdString()},
                {"CUPS_SERVERROOT", path("cups-client")},
                {"XDG_CONFIG_HOME", path("config")},
                {"XDG_RUNTIME_DIR", path("runtime")}};
    }

    ProcessResult runHost(const std::vector<std::string>& arguments)
    {
        return runProgram(hostProgram(), arguments, environment());
    }

    static std::map<std::string, std::string> dumpedJobOptions(const std::string& dump)
    {
        std::map<std::string, std::string> options;
        const QJsonObject values =
            QJsonDocument::fromJson(QByteArray::fromStdString(dump)).object().value("jobOptions").toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            options[it.key().toStdString()] = it.value().toString().toStdString();
        return options;
    }

    static inline std::unique_ptr<ScratchCupsd> cupsd;
    static inline std::string queueError;
    QTemporaryDir scratch;
    std::string document;
};

TEST_F(DialogJob, PagesPaperTwoSidedAndTheTabsChoicesArriveExactlyAsDumped)
{
    const ProcessResult run = runHost({"--batch",
                                       "-P",
                                       "duplex-test",
                                       "--pages",
                                       "1-3,7",
                                       "-o",
                                       "PageSize=A4",
                                       "-o",
                                       "Duplex=DuplexNoTumble",
                                       "--option",
                                       "number-up=2",
                                       "--set",
                                       "retentionCheckBox=1",
                                       "--set",
                                       "suspendMatrix=0",
                                       "--set",
                                       "suspendKeyEditText=4711",
                                       "--set",
                                       "jobNameEditText=Budget",
                                       "--dump",
                                       document});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto jobId = sentJobId(run.err);
    ASSERT_TRUE(jobId) << run.err;
    const auto dumped = dumpedJobOptions(run.out);
    EXPECT_EQ(dumped.at("page-ranges"), "1-3,7");
    EXPECT_EQ(dumped.at("PageSize"), "A4");
    EXPECT_EQ(dumped.at("Duplex"), "DuplexNoTumble");
    EXPECT_EQ(dumped.at("number-up"), "2");
    EXPECT_EQ(dumped.count(keys::kJobSuspend), 1u) << "the tab's print settings are job options too";
    EXPECT_EQ(dumped.count(keys::kJobSuspendKey), 0u) << "the PIN's forms travel sealed";
    EXPECT_EQ(dumped.count(std::string(korvane::settings::kSealedPrefix) + "1"), 1u);

    const auto record = cupsd->waitForRecord(*jobId);
    ASSERT_TRUE(record) << "the queue's filter never ran for job " << *jobId;
    std::map<std::string, std::string> arrived;
    for (const auto& [name, value] : dumped)
        if (record->options.count(name))
            arrived[name] = record->options.at(name);
    EXPECT_EQ(arrived, dumped) << "raw options: " << record->rawOptions;
    // Nothing of the dialog's kinds arrived that the dump did not show.
    for (const char* name : {"MediaType", "TonerSaver", "Stamp", "sides", "orientation-requested", "media"})
        EXPECT_EQ(record->options.count(name), 0u) << name << " arrived: " << record->rawOptions;
}

TEST_F(DialogJob, OptionsWrittenAsForLpArriveEachAsIfGivenAlone)
{
    const ProcessResult run = runHost({"--batch", "-P", "duplex-test", "-o", "PageSize=A4 number-up=2", "-o",
                                       "landscape", "--pages", "-2", "--dump", document});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto jobId = sentJobId(run.err);
    ASSERT_TRUE(jobId) << run.err;
    const auto dumped = dumpedJobOptions(run.out);
    EXPECT_EQ(dumped.at("PageSize"), "A4");
    EXPECT_EQ(dumped.at("number-up"), "2");
    EXPECT_EQ(dumped.at("orientation-requested"), "4") << "-o landscape is lp's landscape";
    EXPECT_EQ(dumped.at("page-ranges"), "1-2");

    const auto record = cupsd->waitForRecord(*jobId);
    ASSERT_TRUE(record) << "the queue's filter never ran for job " << *jobId;
    for (const char* name : {"PageSize", "number-up", "orientation-requested", "page-ranges"})
        EXPECT_EQ(record->options.count(name) ? record->options.at(name) : "(none)", dumped.at(name))
            << name << " in " << record->rawOptions;
}

TEST_F(DialogJob, TwoSidedOnTransparenciesAskedForBothIsRefusedAndSendsNothing)
{
    const std::vector<int> before = cupsd->jobIds();
    const ProcessResult run = runHost(
        {"--batch", "-P", "duplex-test", "-o", "MediaType=Transparency", "-o", "Duplex=DuplexNoTumble", document});
    EXPECT_EQ(run.exitCode, 3) << "a refused operation: " << run.err;
    EXPECT_NE(run.err.find("korvane-print: -o Duplex=DuplexNoTumble refused: Two-Sided Printing \u201cLong Edge\u201d "
                           "cannot be used with Media Type \u201cTransparency\u201d, which was asked for as well"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(cupsd->jobIds(), before);

    const ProcessResult unknown = runHost({"--batch", "-P", "duplex-test", "-o", "MediaType=Cardboard", document});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("the printer's MediaType takes Plain, Transparency, Labels"), std::string::npos)
        << unknown.err;
    // The copies have an option of their own; two ways to say them would send two numbers.
    const ProcessResult copies = runHost({"--batch", "-P", "duplex-test", "-n", "2", "-o", "copies=3", document});
    EXPECT_EQ(copies.exitCode, 2);
    EXPECT_NE(copies.err.find("-o copies=3: give the number of copies with -n or --copies"), std::string::npos)
        << copies.err;
    const ProcessResult pages = runHost({"--batch", "-P", "duplex-test", "--pages", "0", document});
    EXPECT_EQ(pages.exitCode, 2);
    EXPECT_NE(pages.err.find("--pages 0: there is no page 0"), std::string::npos) << pages.err;
    EXPECT_EQ(cupsd->jobIds(), before);
}

// Runs f on a thread of its own, whose libcups reads the environment afresh.
template <typename F>
void onFreshCupsThread(F f)
{
    std::thread thread(f);
    thread.join();
}

TEST_F(DialogJob, SetAsDefaultKeepsThePrinterAndItsOptionsAndTheNextDialogStartsThere)
{
    for (const auto& [name, value] : environment())
        ::setenv(name.c_str(), value.c_str(), 1);
    bool kept = false;
    std::string problem;
    const std::set<std::string> ppdNames{"MediaType", "Duplex", "PageSize"};
    onFreshCupsThread([&] {
        kept = saveAsDefault("duplex-test", {{"MediaType", "Transparency"}, {"number-up", "4"}}, ppdNames, &problem);
    });
    ASSERT_TRUE(kept) << problem;
    // libcups keeps a user's defaults in ~/.cups/lpoptions (root's in CUPS_SERVERROOT's).
    const std::string saved = readFile(path(".cups/lpoptions")) + readFile(path("cups-client/lpoptions"));
    EXPECT_NE(saved.find("Default duplex-test"), std::string::npos) << saved;
    EXPECT_NE(saved.find("MediaType=Transparency"), std::string::npos) << saved;
    std::map<std::string, std::string> read;
    onFreshCupsThread([&] { read = savedPrinterOptions("duplex-test", ppdNames); });
    EXPECT_EQ(read, (std::map<std::string, std::string>{{"MediaType", "Transparency"}, {"number-up", "4"}}));
    for (const auto& [name, value] : environment())
        if (name != "CUPS_SERVER")
            ::unsetenv(name.c_str());

    // The default printer and its options, then the command line's two-sided, which the
    // kept transparencies give way to, with a note.
    const ProcessResult run = runHost({"--batch", "--dry-run", "-o", "Duplex=DuplexNoTumble", "--dump", document});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("changed from Media Type \u201cTransparency\u201d"), std::string::npos) << run.err;
    const auto dumped = dumpedJobOptions(run.out);
    EXPECT_EQ(dumped.at("number-up"), "4");
    EXPECT_EQ(dumped.at("Duplex"), "DuplexNoTumble");
    EXPECT_EQ(dumped.at("MediaType"), "Plain");
}

TEST_F(DialogJob, WithoutItsPpdAQueueOffersThePaperSizesCupsdListsForIt)
{
    ::setenv("CUPS_SERVER", cupsd->server().c_str(), 1);
    PrinterStatus queue;
    onFreshCupsThread([&] { queue = queryPrinterStatus("duplex-test"); });
    std::map<std::string, std::string> listed;
    for (const MediaSize& size : queue.media)
        listed[size.name] = size.text;
    EXPECT_EQ(listed, (std::map<std::string, std::string>{
                          {"iso_a4_210x297mm", "A4"}, {"iso_a5_148x210mm", "A5"}, {"na_letter_8.5x11in", "Letter"}}));
    EXPECT_EQ(queue.defaultMedia, "na_letter_8.5x11in");

    // The dialog without the PPD (--no-ppd): the queue's sizes, its default shown and printed on.
    JobChoices choices(nullptr);
    choices.setDefaultPaper(queue.defaultMedia);
    PaperPage page;
    page.attach(&choices, {}, queue);
    auto* media = page.findChild<QComboBox*>("mediaPopup");
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(media->count(), 3);
    EXPECT_EQ(media->currentData().toString(), "na_letter_8.5x11in");
    EXPECT_EQ(choices.paperName(), "na_letter_8.5x11in");
    media->setCurrentIndex(media->findData("iso_a5_148x210mm"));
    EXPECT_EQ(choices.option("media"), "iso_a5_148x210mm");
    const std::optional<QSizeF> sheet = paperSizeInPoints(choices.paperName());
    ASSERT_TRUE(sheet);
    EXPECT_NEAR(sheet->width(), 419.5, 0.1);
}

}  // namespace
