// Inputs the fuzz targets found, kept as regular tests: the printer's folder-list reply.
#include "platform/xml_document.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

platform::ByteBuffer bytesOf(const std::string& text)
{
    return platform::ByteBuffer(text.begin(), text.end());
}

// A printer that forgets to declare the prefix of its envelope still sends well-formed XML,
// which the XML parser with its default options reads.
const char* const kUndeclaredPrefixReply =
    "<soap:Envelope><soap:Body><R><result-code>ok</result-code>"
    "<files><f><name>Accounts</name><password>true</password></f></files>"
    "</R></soap:Body></soap:Envelope>";

// fuzz_folder_reply: the check before parsing processed namespaces, which the parse itself
// does not, and refused documents with an undeclared prefix that the parse reads.
TEST(ReplyFinding, AnUndeclaredPrefixDoesNotMakeTheDocumentUnreadable)
{
    const auto document = platform::XmlDocument::read(bytesOf(kUndeclaredPrefixReply));
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->root().name(), "soap:Envelope");
}

TEST(ReplyFinding, TheFoldersOfSuchAReplyAreListed)
{
    testing_support::ScopedUserDirs dirs;
    testing_support::TestHost host;
    auto panel = host.makePanel();
    panel->folderList = FolderList{{"Old", false, false, false}};
    const std::string path = dirs.path() + "/runtime/reply.xml";
    std::ofstream(path) << kUndeclaredPrefixReply;

    EXPECT_TRUE(panel->parseXML(path));
    ASSERT_TRUE(panel->folderList.has_value());
    EXPECT_EQ(*panel->folderList, (FolderList{{"Accounts", true, false, false}}));
}

TEST(ReplyFinding, TheGuardsAgainstHostileDocumentsStillHold)
{
    EXPECT_FALSE(platform::XmlDocument::read(bytesOf("<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>")));
    EXPECT_FALSE(platform::XmlDocument::read(bytesOf("<a><b></a>")));
    EXPECT_FALSE(platform::XmlDocument::read(bytesOf(std::string(300, '<') + "")));
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<e>";
    for (int i = 0; i < 300; ++i)
        deep += "</e>";
    EXPECT_FALSE(platform::XmlDocument::read(bytesOf(deep)));
    EXPECT_TRUE(platform::XmlDocument::read(bytesOf("<a xmlns:k=\"urn:k\"><k:b/></a>")));
}

}  // namespace
