// The dialog's own pages and their rules: page ranges as typed, the printer's options under
// its constraints (the same verdict for the dialog, the batch mode and the panel), the
// preview, and a job whose pages, paper, two-sided and Job Control choices reach a real
// cupsd exactly as dumped.
#include "document_preview.h"
#include "general_page.h"
#include "host_callback.h"
#include "job_choices.h"
#include "korvane-print/host_harness.h"
#include "page_ranges.h"
#include "paper_page.h"
#include "paper_sizes.h"
#include "platform/ppd.h"
#include "ppd_option_list.h"
#include "preview_page.h"
#include "printer_status.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace host_testing;

namespace {

std::string rangesOf(const std::string& text, std::string* error)
{
    auto ranges = parsePageRanges(text, error);
    return ranges ? formatPageRanges(*ranges) : "refused";
}

TEST(PageRanges, TheUsualFormsAreTakenAndTheWrongOnesSayWhy)
{
    std::string error;
    EXPECT_EQ(rangesOf("1-3,7", &error), "1-3,7");
    EXPECT_EQ(rangesOf(" 2 - 4 , 9- ", &error), "2-4,9-");
    EXPECT_EQ(rangesOf("", &error), "") << "an empty text is all pages";
    // A range without its first page starts at page 1, as CUPS reads it.
    EXPECT_EQ(rangesOf("-5", &error), "1-5") << error;
    EXPECT_EQ(rangesOf(" - 3 ,6-", &error), "1-3,6-") << error;

    const std::pair<const char*, const char*> refused[] = {
        {"3-1", "the range 3-1 runs backwards: write 1-3"},
        {"0", "there is no page 0 in \"0\": pages are counted from 1"},
        {"2,0-4", "there is no page 0"},
        {"1-3,2", "must go up without overlapping: 2 comes after 1-3"},
        {"7,1-3", "1-3 comes after 7"},
        {"1,,2", "empty range between commas"},
        {"one", "\"one\" is not a page range"},
        {"1-2-3", "not a page range"},
        {"2,-5", "must go up without overlapping: 1-5 comes after 2"},
        {"-0", "there is no page 0"},
        {"99999999", "beyond the last page"},
    };
    for (const auto& [text, message] : refused) {
        error.clear();
        EXPECT_EQ(rangesOf(text, &error), "refused") << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << ": " << error;
    }
}

class DuplexPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ppd = platform::PPDFile::open(duplexPpd());
        ASSERT_TRUE(ppd) << duplexPpd();
    }
    std::string marked(const char* keyword) const
    {
        const ppd_choice_t* choice = ppdFindMarkedChoice(ppd->get(), keyword);
        return choice ? choice->choice : "";
    }
    std::optional<platform::PPDFile> ppd;
};

TEST_F(DuplexPrinter, TheOtherOptionsAreGroupedWithoutThePanelsAndTheDialogsOwn)
{
    const auto groups = otherPPDOptions(ppd->get(), {"ARPrintRelease", "ARJobName"});
    std::vector<std::string> seen;
    for (const PPDOptionGroup& group : groups)
        for (const PPDOptionEntry& option : group.options)
            seen.push_back(group.name + "/" + option.keyword);
    EXPECT_EQ(seen, (std::vector<std::string>{"General/MediaType", "Finishing/TonerSaver", "Finishing/Stamp"}))
        << "the Job Control group holds only the panel's keys and goes; PageSize and Duplex have their own rows";
    const PPDOptionEntry& toner = groups.at(1).options.at(0);
    EXPECT_EQ(toner.kind, PPDOptionEntry::Kind::Boolean);
    const PPDOptionEntry& stamp = groups.at(1).options.at(1);
    ASSERT_EQ(stamp.customParameters.size(), 1u);
    EXPECT_EQ(stamp.customParameters[0].name, "Text");
    EXPECT_EQ(stamp.customParameters[0].maximum, 32);
    EXPECT_EQ(stamp.choices.size(), 3u) << "the custom choice is offered through its parameters";
    std::string problem;
    EXPECT_TRUE(customValueFits(stamp.customParameters[0], "Internal", &problem)) << problem;
    EXPECT_FALSE(customValueFits(stamp.customParameters[0], std::string(33, 'x'), &problem));
    EXPECT_EQ(problem, "Stamp Text takes 1 to 32 characters, not \"" + std::string(33, 'x') + "\"");
    JobChoices choices(ppd->get());
    EXPECT_TRUE(choices.choosePPDOption("Stamp", customChoiceValue(stamp, {"Internal"})).accepted);
    EXPECT_EQ(marked("Stamp"), "Custom");
}

TEST_F(DuplexPrinter, TwoSidedOnTransparenciesIsResolvedAndOnA5Refused)
{
    JobChoices choices(ppd->get());
    ASSERT_TRUE(choices.choosePPDOption("MediaType", "Transparency").accepted);

    // The panel asking about the same choice hears the dialog's verdict.
    HostCallback panelsHost(platform::PPDFile::open(duplexPpd()), platform::PrintSession(platform::Printer("d", {})),
                            true, {});
    ppdMarkOption(panelsHost.ppdFile(), "MediaType", "Transparency");
    EXPECT_TRUE(panelsHost.willChangePPDOptionKeyValue("Duplex", "DuplexNoTumble"));

    const ConstraintVerdict resolved = choices.choosePPDOption("Duplex", "DuplexNoTumble");
    ASSERT_TRUE(resolved.accepted) << resolved.reason;
    ASSERT_EQ(resolved.changes.size(), 1u);
    EXPECT_EQ(resolved.changes[0].keyword, "MediaType");
    EXPECT_EQ(resolved.changes[0].choice, "Plain");
    EXPECT_NE(resolved.note.find("changed from Media Type \u201cTransparency\u201d"), std::string::npos)
        << resolved.note;
    EXPECT_EQ(marked("Duplex"), "DuplexNoTumble");
    EXPECT_EQ(marked("MediaType"), "Plain");
    EXPECT_EQ(choices.ppdOptions(),
              (std::map<std::string, std::string>{{"Duplex", "DuplexNoTumble"}, {"MediaType", "Plain"}}));

    // The paper size is never changed to make room: two-sided on A5 is refused.
    ASSERT_TRUE(choices.choosePPDOption("Duplex", "None").accepted);
    ASSERT_TRUE(choices.choosePPDOption("PageSize", "A5").accepted);
    const ConstraintVerdict refused = choices.choosePPDOption("Duplex", "DuplexTumble");
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.reason,
              "Two-Sided Printing \u201cShort Edge\u201d cannot be used with Media Size \u201cA5\u201d");
    EXPECT_EQ(marked("Duplex"), "None") << "a refused choice leaves the marks as they were";
    ppdMarkOption(panelsHost.ppdFile(), "PageSize", "A5");
    EXPECT_FALSE(panelsHost.willChangePPDOptionKeyValue("Duplex", "DuplexTumble"));

    // A choice the user made as well is not changed behind their back: refused.
    ASSERT_TRUE(choices.choosePPDOption("PageSize", "A4").accepted);
    ASSERT_TRUE(choices.choosePPDOption("MediaType", "Transparency").accepted);
    const ConstraintVerdict fixed = choices.choosePPDOption("Duplex", "DuplexNoTumble", {"MediaType", "Duplex"});
    EXPECT_FALSE(fixed.accepted);
    EXPECT_NE(fixed.reason.find("Media Type \u201cTransparency\u201d, which was asked for as well"), std::string::npos)
        << fixed.reason;
}

class FinisherPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ppd = platform::PPDFile::open(finisherPpd());
        ASSERT_TRUE(ppd) << finisherPpd();
    }
    std::optional<platform::PPDFile> ppd;
};

TEST_F(FinisherPrinter, AConflictStatedOnlyAsCupsUIConstraintsIsExplainedByItsOptions)
{
    JobChoices choices(ppd->get());
    ASSERT_TRUE(choices.choosePPDOption("PageSize", "A5").accepted);
    const ConstraintVerdict onA5 = choices.choosePPDOption("Staple", "TopLeft");
    EXPECT_FALSE(onA5.accepted);
    EXPECT_EQ(onA5.reason, "Staple \u201cTop Left\u201d cannot be used with Media Size \u201cA5\u201d");

    ASSERT_TRUE(choices.choosePPDOption("PageSize", "A4").accepted);
    ASSERT_TRUE(choices.choosePPDOption("MediaType", "Transparency").accepted);
    const ConstraintVerdict fixed = choices.choosePPDOption("Staple", "TopLeft", {"MediaType", "Staple"});
    EXPECT_FALSE(fixed.accepted);
    EXPECT_EQ(fixed.reason,
              "Staple \u201cTop Left\u201d cannot be used with Media Type \u201cTransparency\u201d, which was asked "
              "for as well");

    // Given way to as the printer's resolver says.
    const ConstraintVerdict resolved = choices.choosePPDOption("Staple", "TopLeft");
    ASSERT_TRUE(resolved.accepted) << resolved.reason;
    EXPECT_EQ(choices.markedChoice("MediaType"), "Plain");
}

TEST_F(FinisherPrinter, ACustomValueOfSeveralParametersKeepsATextWithBlanksWhole)
{
    const PPDOptionEntry watermark = describePPDOption(ppd->get(), "Watermark");
    ASSERT_EQ(watermark.customParameters.size(), 2u);
    const std::string text = "Not for \"sale\" \\ {draft}";
    JobChoices choices(ppd->get());
    const std::string value = customChoiceValue(watermark, {text, "24"});
    ASSERT_TRUE(choices.choosePPDOption("Watermark", value).accepted) << value;
    ppd_coption_t* custom = ppdFindCustomOption(ppd->get(), "Watermark");
    ASSERT_NE(custom, nullptr);
    EXPECT_STREQ(ppdFindCustomParam(custom, "Text")->current.custom_string, text.c_str()) << value;
    EXPECT_EQ(ppdFindCustomParam(custom, "Size")->current.custom_int, 24) << value;
}

TEST(GeneralPage, ThePagesTypedGoWithTheJobToAnotherPrinterAndOnlyWhenRight)
{
    GeneralPage page;
    JobChoices first(nullptr);
    page.attach(&first);
    page.findChild<QRadioButton*>("pageRangeRadio")->setChecked(true);
    auto* field = page.findChild<QLineEdit*>("pageRangesEdit");
    QTest::keyClicks(field, "1-3,7");
    EXPECT_EQ(first.option("page-ranges"), "1-3,7");

    JobChoices second(nullptr);  // the user chose another printer
    page.attach(&second);
    EXPECT_EQ(second.option("page-ranges"), "1-3,7") << "the field shows pages the job would not get";

    QTest::keyClicks(field, "-1");  // "1-3,7-1"
    EXPECT_FALSE(page.pagesAreValid());
    EXPECT_EQ(second.option("page-ranges"), std::nullopt) << "wrong ranges must not reach the job";
}

TEST_F(DuplexPrinter, ThePaperPageChoosesThroughTheConstraintsAndSaysWhatHappened)
{
    JobChoices choices(ppd->get());
    PaperPage page;
    QSignalSpy notes(&page, &PaperPage::noteChanged);
    page.attach(&choices, {"ARPrintRelease", "ARJobName"}, {});
    auto* paper = page.findChild<QComboBox*>("ppdPageSize");
    auto* duplex = page.findChild<QComboBox*>("ppdDuplex");
    auto* toner = page.findChild<QCheckBox*>("ppdTonerSaver");
    auto* stamp = page.findChild<QComboBox*>("ppdStamp");
    auto* stampText = page.findChild<QLineEdit*>("ppdStamp.Text");
    ASSERT_TRUE(paper && duplex && toner && stamp && stampText);
    EXPECT_EQ(page.findChild<QWidget*>("ppdARJobName"), nullptr);

    paper->setCurrentIndex(paper->findData("A5"));
    duplex->setCurrentIndex(duplex->findData("DuplexTumble"));
    EXPECT_EQ(duplex->currentData().toString(), "None") << "the refused choice stayed in the pop-up";
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes.last().at(0).toString().startsWith("Not changed: Two-Sided Printing"));
    EXPECT_EQ(choices.ppdOptions().count("Duplex"), 0u);

    toner->setChecked(true);
    EXPECT_EQ(choices.ppdOptions().at("TonerSaver"), "True");
    stamp->setCurrentIndex(stamp->findData("Custom"));
    EXPECT_TRUE(stampText->isEnabled());
    stampText->setText(QString(40, 'x'));
    emit stampText->editingFinished();
    EXPECT_TRUE(notes.last().at(0).toString().contains("takes 1 to 32 characters")) << "a long stamp was taken";
    stampText->setText("Internal");
    emit stampText->editingFinished();
    EXPECT_EQ(choices.ppdOptions().at("Stamp"), "Custom.Internal");
}

TEST(PaperPage, WithoutAPpdTheQueuesSidesAndPaperSizesAreOffered)
{
    JobChoices choices(nullptr);
    PaperPage page;
    PrinterStatus queue;
    queue.sidesSupported = {"one-sided", "two-sided-long-edge", "two-sided-short-edge"};
    queue.media = {{"iso_a4_210x297mm", "A4"}, {"na_letter_8.5x11in", "Letter"}};
    queue.defaultMedia = "iso_a4_210x297mm";
    page.attach(&choices, {}, queue);
    auto* sides = page.findChild<QComboBox*>("sidesPopup");
    auto* media = page.findChild<QComboBox*>("mediaPopup");
    ASSERT_TRUE(sides && media);
    EXPECT_EQ(sides->count(), 3);
    sides->setCurrentIndex(1);
    EXPECT_EQ(choices.option("sides"), "two-sided-long-edge");
    media->setCurrentIndex(media->findData("na_letter_8.5x11in"));
    EXPECT_EQ(choices.paperName(), "na_letter_8.5x11in");

    // A paper the job names that the queue does not list is shown, not replaced.
    choices.setOption("media", "iso_a5_148x210mm");
    page.attach(&choices, {}, queue);
    media = page.findChild<QComboBox*>("mediaPopup");
    EXPECT_EQ(media->count(), 3);
    EXPECT_EQ(media->currentText(), "A5");

    choices.removeOption("media");
    page.attach(&choices, {}, PrinterStatus{});
    EXPECT_EQ(page.findChild<QComboBox*>("sidesPopup"), nullptr) << "a queue that prints one side offers no choice";
    media = page.findChild<QComboBox*>("mediaPopup");
    EXPECT_EQ(media->count(), 1);
    EXPECT_FALSE(media->isEnabled()) << "a queue that names no paper size offers no made-up choice";
}

// A PDF of two A4 pages, each with a black block where the page is.
std::string twoPagePdf(const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.fillRect(QRect(50, 50, 300, 200), Qt::black);
    writer.newPage();
    painter.fillRect(QRect(50, 400, 300, 200), Qt::black);
    painter.end();
    return path.toStdString();
}

// The share of the picture's pixels darker than the grey level.
double darkShare(const QImage& image, int below = 160)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < below;
    return static_cast<double>(dark) / (image.width() * image.height());
}

TEST(DocumentPreview, APdfOfTwoPagesGivesTwoSheetsWithThePagesOnThemInTheJobsOrientation)
{
    QTemporaryDir folder;
    PreviewRequest request;
    request.path = twoPagePdf(folder.filePath("two.pdf"));
    request.paperPoints = paperSizeInPoints("A4").value();
    // The PDF module is searched where the bundles are: this test program is not beside it.
    testing_support::ScopedEnv modules{"KORVANE_PLUGIN_PATH", std::string(KORVANE_TEST_BIN_DIR)};
    std::string error;
    const std::optional<DocumentPreview> drawn = renderPreview(request, &error);
    ASSERT_TRUE(drawn) << error;
    const DocumentPreview& portrait = *drawn;
    EXPECT_EQ(portrait.pageCount, 2);
    ASSERT_EQ(portrait.sheets.size(), 2u);
    for (const QImage& sheet : portrait.sheets) {
        EXPECT_GT(sheet.height(), sheet.width());
        EXPECT_GT(darkShare(sheet), 0.05) << "the page's block is not on the sheet";
        EXPECT_LT(darkShare(sheet), 0.5);
    }
    // The first page's block is at the top, the second's lower down.
    const QImage& first = portrait.sheets[0];
    EXPECT_LT(qGray(first.pixel(first.width() / 3, first.height() / 5)), 80);
    EXPECT_GT(qGray(portrait.sheets[1].pixel(first.width() / 3, first.height() / 5)), 200);

    request.landscape = true;
    request.maxPages = 1;
    const DocumentPreview landscape = renderPreview(request, &error).value_or(DocumentPreview{});
    EXPECT_EQ(landscape.pageCount, 2) << error;
    ASSERT_EQ(landscape.sheets.size(), 1u);
    EXPECT_GT(landscape.sheets[0].width(), landscape.sheets[0].height());

    ASSERT_TRUE(writeFile(folder.filePath("notes.txt").toStdString(), "Agenda\n1. Budget\n2. Rooms\n"));
    request.path = folder.filePath("notes.txt").toStdString();
    const DocumentPreview text = renderPreview(request, &error).value_or(DocumentPreview{});
    EXPECT_EQ(text.pageCount, 1) << error;
    ASSERT_EQ(text.sheets.size(), 1u);
    EXPECT_GT(darkShare(text.sheets[0], 220), 0.0005) << "the text is not on the sheet";

    ASSERT_TRUE(writeFile(folder.filePath("broken.pdf").toStdString(), "%PDF-1.4 not really"));
    request.path = folder.filePath("broken.pdf").toStdString();
    EXPECT_FALSE(renderPreview(request, &error));
    EXPECT_EQ(error, "the file is not a readable PDF document");
}

TEST_F(FinisherPrinter, ThePreviewsSheetHasThePapersRealSizeWhateverItsName)
{
    const std::vector<std::tuple<std::string, ppd_file_t*, QSizeF>> sizes{
        {"na_legal_8.5x14in", nullptr, {612, 1008}},
        {"Legal", nullptr, {612, 1008}},
        {"iso_a5_148x210mm", nullptr, {419.5, 595.3}},
        {"na_ledger_11x17in", nullptr, {792, 1224}},
        {"Tabloid", nullptr, {792, 1224}},
        {"jis_b5_182x257mm", nullptr, {515.9, 728.5}},
        {"om_small-photo_100x150mm", nullptr, {283.5, 425.2}},
        {"Custom.100x150mm", nullptr, {283.5, 425.2}},
        {"Banner", ppd->get(), {576, 2160}},  // a size only the PPD knows
        {"Custom.300x700", ppd->get(), {300, 700}},
    };
    for (const auto& [name, from, points] : sizes) {
        const std::optional<QSizeF> size = paperSizeInPoints(name, from);
        ASSERT_TRUE(size) << name;
        EXPECT_NEAR(size->width(), points.width(), 0.1) << name;
        EXPECT_NEAR(size->height(), points.height(), 0.1) << name;
    }
    EXPECT_FALSE(paperSizeInPoints("Banner"));
    EXPECT_FALSE(paperSizeInPoints("Elephant", ppd->get()));

    // The sheet takes the paper's shape; a paper of unknown size is drawn on A4 and said so.
    QTemporaryDir folder;
    ASSERT_TRUE(writeFile(folder.filePath("notes.txt").toStdString(), "Agenda\n"));
    PreviewPage page;
    page.resize(400, 600);
    page.setDocument(folder.filePath("notes.txt").toStdString());
    const auto shapeAfter = [&](const std::string& paper) {
        page.setPaper(paper, ppd->get(), false);
        page.refresh();
        const QImage& sheet = page.preview().sheets.at(0);
        return static_cast<double>(sheet.height()) / sheet.width();
    };
    EXPECT_NEAR(shapeAfter("na_ledger_11x17in"), 17.0 / 11, 0.02);
    EXPECT_NEAR(shapeAfter("Banner"), 30.0 / 8, 0.02);
    auto* caption = page.findChild<QLabel*>("previewCaption");
    EXPECT_FALSE(caption->text().contains("not known")) << caption->text().toStdString();
    EXPECT_NEAR(shapeAfter("Elephant"), 842.0 / 595, 0.02);
    EXPECT_TRUE(caption->text().endsWith("The size of the paper \u201cElephant\u201d is not known; shown on A4."))
        << caption->text().toStdString();
}

TEST(DocumentPreview, WithoutThePdfModuleAPdfHasNoPreviewAndTheCaptionSaysWhy)
{
    QTemporaryDir folder;
    PreviewRequest request;
    request.path = twoPagePdf(folder.filePath("two.pdf"));
    testing_support::ScopedEnv modules{"KORVANE_PLUGIN_PATH", folder.path().toStdString()};
    std::string error;
    EXPECT_FALSE(renderPreview(request, &error));
    EXPECT_EQ(error, "the PDF preview is not installed (korvane-pdf-pages.so is in no plug-in folder)");

    // A file by the module's name that is no module is refused, not run.
    ASSERT_TRUE(writeFile(folder.filePath("korvane-pdf-pages.so").toStdString(), "not a library"));
    EXPECT_FALSE(renderPreview(request, &error));
    EXPECT_EQ(error.rfind("the PDF preview cannot be loaded: ", 0), 0u) << error;
}

}  // namespace
