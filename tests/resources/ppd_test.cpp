// Checks the sample printer description as libcups reads it: the identity the panel reads, the
// plug-in it names, the job control options it hands to the panel, and the paper sizes.
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

// The PPD interface is the one the host and panel use; libcups marks it deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kPpdPath = KORVANE_TEST_SOURCE_DIR "/src/resources/ppd/korvane-rk880.ppd";

// Closes a PPD record when its owner goes.
struct PpdCloser {
    void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using PpdPtr = std::unique_ptr<ppd_file_t, PpdCloser>;

class SamplePpdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ppd.reset(ppdOpenFile(kPpdPath));
        int line = 0;
        ASSERT_NE(ppd, nullptr) << ppdErrorString(ppdLastError(&line)) << " at line " << line;
    }

    // The value of an attribute, or an empty string when it is absent.
    std::string attribute(const char* name) const
    {
        const ppd_attr_t* attr = ppdFindAttr(ppd.get(), name, nullptr);
        return attr && attr->value ? attr->value : "";
    }

    // The keywords of an option's choices, in file order.
    std::vector<std::string> choices(const char* keyword) const
    {
        std::vector<std::string> keywords;
        if (const ppd_option_t* option = ppdFindOption(ppd.get(), keyword))
            for (int i = 0; i < option->num_choices; ++i)
                keywords.emplace_back(option->choices[i].choice);
        return keywords;
    }

    PpdPtr ppd;
};

TEST_F(SamplePpdTest, NamesTheModelAndItsEncoding)
{
    EXPECT_EQ(attribute("LanguageEncoding"), "ISOLatin1");
    // libcups converts every string to UTF-8 while reading and reports that encoding.
    EXPECT_STREQ(ppd->lang_encoding, "UTF-8");
    EXPECT_STREQ(ppd->manufacturer, "Korvane");
    EXPECT_STREQ(ppd->modelname, "Korvane RK-880 MFP");
    EXPECT_STREQ(ppd->nickname, "Korvane RK-880 MFP");
    EXPECT_EQ(ppd->language_level, 3);
}

TEST_F(SamplePpdTest, NamesThePlugInBundleAndTheSystemFlag)
{
    // The host matches the bundle by the last path component.
    EXPECT_EQ(QFileInfo(QString::fromStdString(attribute("APDialogExtension"))).fileName(), "KorvaneJobControl.plugin");
    EXPECT_EQ(attribute("ARKorvanePrintSystem"), "False");
}

TEST_F(SamplePpdTest, GroupsTheJobControlOptions)
{
    const ppd_group_t* group = nullptr;
    for (int i = 0; i < ppd->num_groups; ++i)
        if (std::string(ppd->groups[i].name) == "JobControl")
            group = &ppd->groups[i];
    ASSERT_NE(group, nullptr);
    std::vector<std::string> inGroup;
    for (int i = 0; i < group->num_options; ++i)
        inGroup.emplace_back(group->options[i].keyword);
    const std::vector<std::string> expected = {"ARPrintRelease",   "ARDocFiling",        "ARHoldKey",
                                               "ARDocumentFiling", "ARCustomFolderName", "ARCustomFolderPIN",
                                               "ARAccountLogin",   "ARAccountPassword",  "ARUserNumber",
                                               "ARUserName",       "ARJobName"};
    EXPECT_EQ(inGroup, expected);

    EXPECT_EQ(choices("ARPrintRelease"), (std::vector<std::string>{"False", "True"}));
    EXPECT_EQ(choices("ARDocumentFiling"),
              (std::vector<std::string>{"None", "QuickFile", "MainFolder", "CustomFolder"}));
    EXPECT_STREQ(ppdFindOption(ppd.get(), "ARPrintRelease")->defchoice, "False");
    // Free text travels through a custom value; the secret number ones accept at most five digits.
    for (const char* keyword : {"ARCustomFolderPIN", "ARUserNumber"}) {
        const ppd_coption_t* custom = ppdFindCustomOption(ppd.get(), keyword);
        ASSERT_NE(custom, nullptr) << keyword;
        const ppd_cparam_t* param = ppdFirstCustomParam(const_cast<ppd_coption_t*>(custom));
        ASSERT_NE(param, nullptr) << keyword;
        EXPECT_EQ(param->type, PPD_CUSTOM_PASSCODE) << keyword;
        EXPECT_EQ(param->maximum.custom_passcode, 5) << keyword;
    }
}

TEST_F(SamplePpdTest, ThePINIsTextThatDialogsShowAndThatKeepsItsLeadingZeros)
{
    // A passcode or password parameter makes desktop dialogs mask the whole field, "No PIN"
    // included; an int parameter would lose the zeros in front when libcups marks it.
    ppd_coption_t* custom = ppdFindCustomOption(ppd.get(), "ARHoldKey");
    ASSERT_NE(custom, nullptr);
    ppd_cparam_t* param = ppdFirstCustomParam(custom);
    ASSERT_NE(param, nullptr);
    EXPECT_EQ(param->type, PPD_CUSTOM_STRING);
    ppdMarkOption(ppd.get(), "ARHoldKey", "Custom.00471");
    EXPECT_STREQ(ppdFindMarkedChoice(ppd.get(), "ARHoldKey")->choice, "Custom");
    EXPECT_STREQ(param->current.custom_string, "00471");
    EXPECT_STREQ(ppdFindChoice(ppdFindOption(ppd.get(), "ARHoldKey"), "None")->text, "No PIN");
}

TEST_F(SamplePpdTest, DescribesLetterAndA4)
{
    ppdMarkDefaults(ppd.get());
    const ppd_size_t* letter = ppdPageSize(ppd.get(), "Letter");
    const ppd_size_t* a4 = ppdPageSize(ppd.get(), "A4");
    ASSERT_NE(letter, nullptr);
    ASSERT_NE(a4, nullptr);
    EXPECT_FLOAT_EQ(letter->width, 612);
    EXPECT_FLOAT_EQ(letter->length, 792);
    EXPECT_FLOAT_EQ(a4->width, 595);
    EXPECT_FLOAT_EQ(a4->length, 842);
    for (const ppd_size_t* size : {letter, a4}) {
        EXPECT_GT(size->left, 0) << size->name;
        EXPECT_LT(size->right, size->width) << size->name;
        EXPECT_LT(size->top, size->length) << size->name;
    }
    EXPECT_STREQ(ppdFindMarkedChoice(ppd.get(), "PageSize")->choice, "Letter");
}

TEST(SamplePpdFile, IsPlainAsciiWithLineEndsOnly)
{
    QFile file(kPpdPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const char byte : bytes)
        ASSERT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7f)) << "byte " << int(byte);
}

}  // namespace

#pragma GCC diagnostic pop
