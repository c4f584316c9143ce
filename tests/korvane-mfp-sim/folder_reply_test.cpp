// The folder list the stand-in serves, and the options that shape it.
#include "sim_harness.h"

#include <QDomDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

// Asks a running stand-in for the folder list with the bundle's request body.
Listing fetchListing(const harness::StandIn& sim)
{
    const Response response = roundTrip(sim.port(), postRequest(listingRequestBody()));
    return response.status == 200 ? readListing(response.body) : Listing{};
}

// Writes bytes to a file in dir and returns its path.
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& contents)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        return {};
    return file.fileName();
}

}  // namespace

TEST(MfpSimFolders, CommandLineFoldersArriveInOrderWithTheirFlags)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", "Sales", "--folder", "Legal:protected", "--folder", "Archive:dir", "--folder",
                           "Board:dir,protected", "--folder", "Q1:Q2", "--folder", "X:protected:"}));
    const Listing listing = fetchListing(sim);
    ASSERT_TRUE(listing.isXml);
    EXPECT_EQ(listing.resultCode, "ok");
    ASSERT_TRUE(listing.hasFiles);
    ASSERT_EQ(listing.folders.size(), 6);
    const struct {
        const char* name;
        bool password;
        bool dir;
    } expected[] = {{"Sales", false, false}, {"Legal", true, false},  {"Archive", false, true},
                    {"Board", true, true},   {"Q1:Q2", false, false}, {"X:protected", false, false}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(listing.folders[i].name, QString::fromUtf8(expected[i].name)) << i;
        EXPECT_EQ(listing.folders[i].password, expected[i].password) << i;
        EXPECT_EQ(listing.folders[i].dir, expected[i].dir) << i;
    }
}

TEST(MfpSimFolders, NamesWithMarkupAndNonAsciiSurviveTheTrip)
{
    const QString tricky = QString::fromUtf8("R&D <\"Prüfung\"> 'ß' 文書 ]]>");
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", tricky + ":protected", "--folder", ""}));
    const Listing listing = fetchListing(sim);
    ASSERT_EQ(listing.folders.size(), 2);
    EXPECT_EQ(listing.folders[0].name, tricky);
    EXPECT_TRUE(listing.folders[0].password);
    EXPECT_EQ(listing.folders[1].name, QString());
}

TEST(MfpSimFolders, FolderFileComesFirstAndSkipsBlankLines)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "folders.txt",
                                   "Alpha\r\n\n   \nBeta:protected\r\n\xc3\x9c"
                                   "ber:dir\n");
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", "Last", "--folders", path}));
    const Listing listing = fetchListing(sim);
    ASSERT_EQ(listing.folders.size(), 4);
    EXPECT_EQ(listing.folders[0].name, "Alpha");
    EXPECT_EQ(listing.folders[1].name, "Beta");
    EXPECT_TRUE(listing.folders[1].password);
    EXPECT_EQ(listing.folders[2].name, QString::fromUtf8("Über"));
    EXPECT_TRUE(listing.folders[2].dir);
    EXPECT_EQ(listing.folders[3].name, "Last");
}

TEST(MfpSimFolders, WithoutFoldersTheListIsEmptyButPresent)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({}));
    const Listing listing = fetchListing(sim);
    EXPECT_EQ(listing.resultCode, "ok");
    EXPECT_TRUE(listing.hasFiles);
    EXPECT_TRUE(listing.folders.isEmpty());
}

TEST(MfpSimFolders, ReplyIsASoapEnvelopeWithUnprefixedListing)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--folder", "Sales"}));
    const Response response = roundTrip(sim.port(), postRequest(listingRequestBody()));
    ASSERT_EQ(response.status, 200);
    QDomDocument dom;
    ASSERT_TRUE(dom.setContent(response.body, true));
    const QDomElement envelope = dom.documentElement();
    const QString soapNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
    EXPECT_EQ(envelope.localName(), "Envelope");
    EXPECT_EQ(envelope.namespaceURI(), soapNs);
    const QDomElement body = envelope.lastChildElement();
    EXPECT_EQ(body.localName(), "Body");
    EXPECT_EQ(body.namespaceURI(), soapNs);
    // Without namespace processing the prefix is part of the name; the panel needs none below the body.
    QDomDocument plain;
    ASSERT_TRUE(plain.setContent(response.body));
    const QDomElement result = plain.documentElement().lastChild().lastChild().toElement();
    EXPECT_FALSE(result.tagName().contains(u':'));
    const QDomElement file = result.firstChildElement("files").firstChildElement();
    ASSERT_FALSE(file.isNull());
    EXPECT_EQ(file.firstChildElement("name").text(), "Sales");
    EXPECT_EQ(file.firstChildElement("password").text(), "false");
    EXPECT_EQ(file.firstChildElement("dir").text(), "false");
}

TEST(MfpSimFolders, StrictServiceKnowsTheBundledRequestAndNothingElse)
{
    harness::StandIn sim;
    ASSERT_TRUE(sim.start({"--strict", "--folder", "Sales"}));
    const QByteArray bundled = listingRequestBody();
    ASSERT_FALSE(bundled.isEmpty());
    const Listing listing = readListing(roundTrip(sim.port(), postRequest(bundled)).body);
    EXPECT_EQ(listing.resultCode, "ok");
    ASSERT_EQ(listing.folders.size(), 1);

    QByteArray otherListing = bundled;
    otherListing.replace("custom-folders", "all-boxes");
    const Response other = roundTrip(sim.port(), postRequest(otherListing));
    EXPECT_EQ(other.status, 200);
    EXPECT_EQ(readListing(other.body).resultCode, "unsupported-operation");
    EXPECT_FALSE(readListing(other.body).hasFiles);

    const Response garbage = roundTrip(sim.port(), postRequest("<soap:Envelope"));
    EXPECT_EQ(garbage.status, 500);
    EXPECT_TRUE(garbage.body.contains("<faultcode>soap:Client</faultcode>"));
}

TEST(MfpSimFolders, BadOptionsStopTheProgramWithAMessage)
{
    QTemporaryDir dir;
    const QString badUtf8 = writeFile(dir, "bad.txt", "Sales\n\xff\xfe\n");
    const QString controlChar = writeFile(dir, "ctl.txt",
                                          "Sal\x01"
                                          "es\n");
    const QList<QStringList> cases = {
        {"--mode", "sideways"},
        {"--mode", "late=-1"},
        {"--mode", "late=soon"},
        {"--port", "65536"},
        {"--piece-bytes", "0"},
        {"--folders", badUtf8},
        {"--folders", controlChar},
        {"--folder", "Tab\there"},
        {"--reply", dir.filePath("missing")},
        {"--folders", dir.filePath("missing")},
        {"stray"},
    };
    for (const QStringList& arguments : cases) {
        QByteArray error;
        EXPECT_EQ(harness::runStandInToEnd(arguments, &error), 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(error.startsWith("korvane-mfp-sim: ")) << error.toStdString();
    }
    EXPECT_EQ(harness::runStandInToEnd({"--help"}), 0);
}
