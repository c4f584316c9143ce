// The one-pass reply reader against the reader it replaces (a streaming guard, then a whole
// QDomDocument walked node by node), on the fuzz seeds and on generated documents that mix
// every kind of node at every level the reader looks at.
#include "soap/reply.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <ostream>
#include <random>

// Folders in failure messages.
void PrintTo(const FolderEntry& folder, std::ostream* out)
{
    *out << "{" << (folder.name ? "\"" + *folder.name + "\"" : "no name") << (folder.password ? " password" : "")
         << (folder.dir ? " dir" : "") << "}";
}

namespace {

// The replaced reader's guard: well-formed, no document type, at most 256 elements deep.
bool passesOldGuard(const QByteArray& bytes)
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return false;
        case QXmlStreamReader::StartElement:
            if (++depth > 256)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

std::string oldText(const QDomNode& node)
{
    return (node.isElement() ? node.toElement().text() : node.nodeValue()).toStdString();
}

QDomNode oldLastChild(const QDomNode& node)
{
    QDomNode last;
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        last = child;
    return last;
}

// The replaced reader, step by step as it was.
std::optional<FolderReply> oldReadFolderReply(const QByteArray& bytes)
{
    if (bytes.size() > 16 * 1024 * 1024 || !passesOldGuard(bytes))
        return std::nullopt;
    QDomDocument document;
    if (!document.setContent(bytes))
        return std::nullopt;
    const QDomNode result = oldLastChild(oldLastChild(document.documentElement()));
    FolderReply reply;
    if (result.isNull() || !result.hasChildNodes())
        return reply;
    bool refused = false;
    QDomNode container;
    for (QDomNode child = result.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.nodeName() == "result-code")
            refused = oldText(child) != "ok";
        else if (child.nodeName() == "files")
            container = child;
    }
    if (container.isNull() || refused)
        return reply;
    for (QDomNode entry = container.firstChild(); !entry.isNull(); entry = entry.nextSibling()) {
        FolderEntry folder;
        for (QDomNode field = entry.firstChild(); !field.isNull(); field = field.nextSibling()) {
            if (field.nodeName() == "name")
                folder.name = oldText(field);
            else if (field.nodeName() == "password" && oldText(field) == "true")
                folder.password = true;
            else if (field.nodeName() == "dir" && oldText(field) == "true")
                folder.dir = true;
        }
        reply.folders.push_back(folder);
    }
    reply.accepted = true;
    return reply;
}

// Both readers on one document; the same answer or a failure naming the document.
void expectSameReading(const QByteArray& bytes)
{
    const auto expected = oldReadFolderReply(bytes);
    const auto actual = readFolderReply(platform::ByteBuffer(bytes.begin(), bytes.end()));
    ASSERT_EQ(actual.has_value(), expected.has_value()) << bytes.toStdString();
    if (expected) {
        EXPECT_EQ(actual->accepted, expected->accepted) << bytes.toStdString();
        EXPECT_EQ(actual->folders, expected->folders) << bytes.toStdString();
    }
}

// A random piece of content for a node on `level` of a reply.
QByteArray randomContent(std::mt19937& random, int level)
{
    static const char* const names[] = {"result-code", "files", "name", "password", "dir", "file", "k:files", "x"};
    static const char* const texts[] = {"ok", "true", "false", " ", "\n  ", "True", " true", "Folder &amp; Co",
                                        "\xc2\xa0", "&#32;", "caf\xc3\xa9", "a&lt;b"};
    QByteArray out;
    const int count = static_cast<int>(random() % 5);
    for (int i = 0; i < count; ++i) {
        switch (random() % 9) {
        case 0:
        case 1:
        case 2:
        case 3:
            if (level < 8) {
                const char* name = names[random() % std::size(names)];
                out += "<" + QByteArray(name) + (random() % 4 == 0 ? " a=\"1\"" : "") + ">";
                out += randomContent(random, level + 1);
                out += "</" + QByteArray(name) + ">";
            } else {
                out += "<e/>";
            }
            break;
        case 4:
            out += texts[random() % std::size(texts)];
            break;
        case 5:
            out += "<![CDATA[" + QByteArray(texts[random() % std::size(texts)]) + "]]>";
            break;
        case 6:
            out += "<!--" + QByteArray(texts[random() % 3]) + "-->";
            break;
        case 7:
            out += "<?" + QByteArray(names[random() % 5]) + " " + texts[random() % 3] + "?>";
            break;
        default:
            out += "\n    ";
            break;
        }
    }
    return out;
}

TEST(ReplyReaderComparison, BothReadersAgreeOnTheFuzzSeeds)
{
    const QDir seeds(QStringLiteral(KORVANE_TEST_SOURCE_DIR "/fuzz/corpus/fuzz_folder_reply"));
    const QStringList files = seeds.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(seeds.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        expectSameReading(file.readAll());
    }
}

TEST(ReplyReaderComparison, BothReadersAgreeOnGeneratedDocuments)
{
    std::mt19937 random(20240611);
    for (int i = 0; i < 5000; ++i) {
        QByteArray document = random() % 2 ? "<?xml version=\"1.0\"?>\n" : "";
        document += "<r>" + randomContent(random, 1) + "<b>" + randomContent(random, 2) + "<x>" +
                    randomContent(random, 3) + "<result-code>ok</result-code><files>" + randomContent(random, 4) +
                    "</files>" + randomContent(random, 3) + "</x>" + randomContent(random, 2) + "</b>" +
                    (random() % 3 == 0 ? randomContent(random, 1) : QByteArray()) + "</r>";
        expectSameReading(document);
        if (HasFailure())
            return;
    }
    // Text long enough to reach past the parser's buffers, and documents that break off.
    const QByteArray longName = QByteArray("n&amp;").repeated(5000);
    expectSameReading("<r><b><x><files><f><name>" + longName + "<![CDATA[" + longName + "]]></name></f></files></x></b></r>");
    expectSameReading("<r><b><x><files><f><name>unclosed</name></files></x></b></r>");
    expectSameReading(QByteArray("<a>").repeated(257) + QByteArray("</a>").repeated(257));
    expectSameReading(QByteArray("<a>").repeated(256) + QByteArray("</a>").repeated(256));
    expectSameReading("");
    expectSameReading("<r/>");
}

}  // namespace
