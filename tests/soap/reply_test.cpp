// Reading the printer's reply document into the folder list.
#include "soap/reply.h"
#include "exchange_files.h"
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "support/test_host.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// A SOAP reply around the given children of the result element, pretty-printed.
QByteArray replyWith(const QByteArray& resultChildren)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
           "  <soap:Body>\n"
           "    <ListFoldersResponse xmlns=\"urn:korvane:mfp:filing:1\">\n" +
           resultChildren +
           "\n    </ListFoldersResponse>\n"
           "  </soap:Body>\n"
           "</soap:Envelope>\n";
}

FolderEntry folder(std::optional<std::string> name, bool password = false, bool dir = false)
{
    return FolderEntry{std::move(name), password, dir, false};
}

class ReplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel = host.makePanel();
        ASSERT_TRUE(replyFilePath().has_value());
        path = *replyFilePath();
    }

    // Writes the reply file and reads it into the panel.
    bool parse(const QByteArray& document)
    {
        EXPECT_TRUE(soaptest::writeFile(path, document));
        return panel->parseXML(path);
    }

    // Gives the panel a folder list from an earlier reply.
    void haveEarlierList() { panel->folderList = FolderList{folder("Earlier")}; }

    testing_support::ScopedUserDirs dirs;
    testing_support::TestHost host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
    std::string path;
};

TEST_F(ReplyTest, ThreeEntriesKeepTheirOrderAndFlags)
{
    EXPECT_TRUE(
        parse(replyWith("<result-code>ok</result-code><files>"
                        "<file><name>Accounts</name><password>true</password><dir>false</dir></file>"
                        "<file><name>Design</name><password>false</password></file>"
                        "<folder><dir>true</dir><name>Shared</name></folder>"
                        "</files>")));
    EXPECT_EQ(panel->folderList,
              (FolderList{folder("Accounts", true), folder("Design"), folder("Shared", false, true)}));
}

TEST_F(ReplyTest, RefusedRepliesLeaveAnEmptyList)
{
    const QByteArray refusals[] = {
        replyWith("<result-code>unsupported-operation</result-code><files><file><name>X</name></file></files>"),
        replyWith("<result-code>ok</result-code><result-code>busy</result-code><files><f><name>X</name></f></files>"),
        replyWith("<result-code>ok</result-code>"),                                                    // no "files"
        replyWith("<k:result-code xmlns:k=\"urn:k\">ok</k:result-code><k:files xmlns:k=\"urn:k\"/>"),  // prefixed
        "<Envelope><Body><Response/></Body></Envelope>",  // result element without children
        "<Envelope/>",                                    // no result element at all
        "<soap:Envelope xmlns:soap=\"urn:s\"><soap:Body><soap:Fault><faultcode>soap:Server</faultcode>"
        "<faultstring>broken</faultstring></soap:Fault></soap:Body></soap:Envelope>",
    };
    for (const QByteArray& document : refusals) {
        haveEarlierList();
        EXPECT_FALSE(parse(document)) << document.toStdString();
        EXPECT_EQ(panel->folderList, FolderList{}) << document.toStdString();
    }
}

TEST_F(ReplyTest, TheLastResultCodeAndTheLastFilesElementDecide)
{
    EXPECT_TRUE(
        parse(replyWith("<result-code>busy</result-code><files><f><name>First</name></f></files>"
                        "<result-code>ok</result-code><files><f><name>Second</name></f></files>")));
    EXPECT_EQ(panel->folderList, FolderList{folder("Second")});

    EXPECT_TRUE(parse(replyWith("<files><f><name>NoCode</name></f></files>")));
    EXPECT_EQ(panel->folderList, FolderList{folder("NoCode")});

    EXPECT_TRUE(parse(replyWith("<result-code>ok</result-code><files/>")));
    EXPECT_EQ(panel->folderList, FolderList{});
}

TEST_F(ReplyTest, FlagsNeedExactlyTrueAndStickOnceSet)
{
    EXPECT_TRUE(
        parse(replyWith("<result-code>ok</result-code><files>"
                        "<f><name>a</name><password>True</password><dir>TRUE</dir></f>"
                        "<f><name>b</name><password> true</password><dir>true </dir></f>"
                        "<f><name>c</name><password>true</password><password>false</password></f>"
                        "</files>")));
    EXPECT_EQ(panel->folderList, (FolderList{folder("a"), folder("b"), folder("c", true)}));
}

TEST_F(ReplyTest, TheLastNameCountsAndAMissingNameStaysAbsent)
{
    EXPECT_TRUE(
        parse(replyWith("<result-code>ok</result-code><files>"
                        "<f><name>first</name><name> second </name></f>"
                        "<f><password>true</password></f>"
                        "<f><name></name></f>"
                        "</files>")));
    EXPECT_EQ(panel->folderList, (FolderList{folder(" second "), folder(std::nullopt, true), folder("")}));
}

TEST_F(ReplyTest, UnreadableReplyLeavesTheListAsItWas)
{
    haveEarlierList();
    EXPECT_FALSE(panel->parseXML(path));  // no file yet
    EXPECT_FALSE(parse("this is not XML"));
    EXPECT_FALSE(parse(""));
    EXPECT_FALSE(parse(replyWith("<files><f><name>unclosed</name></files>")));
    EXPECT_EQ(panel->folderList, FolderList{folder("Earlier")});
}

TEST_F(ReplyTest, HostileDocumentsAreRefusedUnread)
{
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY l0 \"ha\">\n";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                  QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
    laughs += "]>\n<r><b><x><result-code>ok</result-code><files><f><name>&l9;</name></f></files></x></b></r>";
    const QByteArray external =
        "<!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
        "<r><b><x><files><f><name>&e;</name></f></files></x></b></r>";
    const QByteArray deep = QByteArray("<a>").repeated(200000) + QByteArray("</a>").repeated(200000);
    for (const QByteArray& document : {laughs, external, deep}) {
        haveEarlierList();
        EXPECT_FALSE(parse(document)) << document.left(80).toStdString();
        EXPECT_EQ(panel->folderList, FolderList{folder("Earlier")});
    }
}

TEST_F(ReplyTest, AReplyWithMoreFoldersThanTheCapIsNotRead)
{
    auto replyOf = [](std::size_t count) {
        QByteArray files = "<result-code>ok</result-code><files>";
        for (std::size_t i = 0; i < count; ++i)
            files += "<f><name>F" + QByteArray::number(qulonglong(i)) + "</name></f>";
        return replyWith(files + "</files>");
    };
    haveEarlierList();
    EXPECT_FALSE(parse(replyOf(kMaxReplyFolders + 1)));
    EXPECT_EQ(panel->folderList, FolderList{folder("Earlier")});

    EXPECT_TRUE(parse(replyOf(kMaxReplyFolders)));
    ASSERT_TRUE(panel->folderList);
    ASSERT_EQ(panel->folderList->size(), kMaxReplyFolders);
    EXPECT_EQ(panel->folderList->back(), folder("F" + std::to_string(kMaxReplyFolders - 1)));
}

TEST_F(ReplyTest, ALinkOrAnotherUsersFileIsNeverRead)
{
    const QByteArray good = replyWith("<result-code>ok</result-code><files><f><name>Planted</name></f></files>");
    QTemporaryDir elsewhere;
    const std::string target = elsewhere.filePath("reply.xml").toStdString();
    ASSERT_TRUE(soaptest::writeFile(target, good));
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    haveEarlierList();
    EXPECT_FALSE(panel->parseXML(path));
    EXPECT_EQ(panel->folderList, FolderList{folder("Earlier")});

    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_TRUE(soaptest::writeFile(path, good));
    if (geteuid() != 0)
        GTEST_SKIP() << "handing a file to another user needs root";
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(panel->parseXML(path));
    EXPECT_EQ(panel->folderList, FolderList{folder("Earlier")});
}

TEST(MyGetChild, GivesTheLastChildNodeOrNone)
{
    const QByteArray text = "<r><a/>text<!--note--><b>x</b></r>";
    const auto document = platform::XmlDocument::read(platform::ByteBuffer(text.begin(), text.end()));
    ASSERT_TRUE(document);
    EXPECT_EQ(MyGetChild(document->root()).name(), "b");
    EXPECT_TRUE(MyGetChild(MyGetChild(MyGetChild(document->root()))).isNull());
    EXPECT_TRUE(MyGetChild(platform::XmlNode{}).isNull());
}

}  // namespace
