// Fuzz target: the reader of the printer's folder-list reply (the one-pass reader parseXML runs
// on the reply file's bytes, here on the input's bytes in memory) and the pop-up rebuilt from
// what it read, over arbitrary documents, on a real panel.
//
// Each input is compared with a bare walk of the same bytes through QDomDocument that follows
// the reply's rules, so a document the reader gets wrong is a finding as much as a crash.
#include "fuzz_check.h"
#include "panel_fixture.h"
#include "platform/xml_document.h"
#include "soap/reply.h"

#include <QApplication>
#include <QDomDocument>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace {

// What one run of the program keeps between inputs: the application, the panel and its view.

// The deepest nesting of elements under node, node counted.
int elementDepth(const QDomNode& node)
{
    int deepest = 0;
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        deepest = std::max(deepest, elementDepth(child));
    return deepest + (node.isElement() ? 1 : 0);
}

QDomNode lastChild(const QDomNode& node)
{
    return node.isNull() ? QDomNode() : node.lastChild();
}

// The text of a child as the reader compares it: an element's whole text, else its value.
std::string textOf(const QDomNode& node)
{
    return (node.isElement() ? node.toElement().text() : node.nodeValue()).toStdString();
}

// What the reader must make of a document that parses: the accepted flag and the list.
std::pair<bool, FolderList> expectedReply(const QDomDocument& document)
{
    const QDomNode result = lastChild(lastChild(document.documentElement()));
    if (result.isNull() || !result.hasChildNodes())
        return {false, {}};
    bool refused = false;
    QDomNode container;
    for (QDomNode child = result.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.nodeName() == "result-code")
            refused = textOf(child) != "ok";
        else if (child.nodeName() == "files")
            container = child;
    }
    if (container.isNull() || refused)
        return {false, {}};
    FolderList list;
    for (QDomNode entry = container.firstChild(); !entry.isNull(); entry = entry.nextSibling()) {
        FolderEntry folder;
        for (QDomNode field = entry.firstChild(); !field.isNull(); field = field.nextSibling()) {
            if (field.nodeName() == "name")
                folder.name = textOf(field);
            else if (field.nodeName() == "password" && textOf(field) == "true")
                folder.password = true;
            else if (field.nodeName() == "dir" && textOf(field) == "true")
                folder.dir = true;
        }
        list.push_back(folder);
    }
    return {true, list};
}

// The pop-up shows the two fixed items, then a separator and one item per folder.
void checkPopUp(KorvanePrintPdeRk880JC& panel)
{
    const FolderList empty;
    const FolderList& list = panel.folderList ? *panel.folderList : empty;
    const int count = panel.folderSelectionPopup.numberOfItems();
    if (list.empty()) {
        FUZZ_CHECK(count == 2);
        return;
    }
    FUZZ_CHECK(count == 3 + static_cast<int>(list.size()));
    FUZZ_CHECK(panel.folderSelectionPopup.isSeparator(2));
    for (std::size_t k = 0; k < list.size(); ++k)
        FUZZ_CHECK(panel.folderSelectionPopup.itemTitle(3 + static_cast<int>(k)) == list[k].name.value_or(""));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    PanelFixture& f = setUpPanelFixture(argc, argv);
    FUZZ_CHECK(f.panel->folderSelectionPopup);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PanelFixture& f = panelFixture();
    const std::optional<FolderList> before = f.panel->folderList;
    // What parseXML does with the bytes of the reply file.
    const platform::ByteBuffer buffer(data, data + size);
    auto reply = readFolderReply(buffer);
    if (reply)
        f.panel->folderList = std::move(reply->folders);
    const bool accepted = reply && reply->accepted;

    QDomDocument document;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A document type declaration is refused whatever follows; where one may stand (or the
    // text merely holds its keyword) the comparison says nothing and is left out.
    const bool mayDeclareType = bytes.contains("<!DOCTYPE");
    const bool readable = document.setContent(bytes) && elementDepth(document) <= platform::XmlLimits{}.maxDepth;
    if (mayDeclareType) {
        if (!accepted)
            FUZZ_CHECK(f.panel->folderList == before || f.panel->folderList == std::optional<FolderList>(FolderList{}));
    } else if (!readable) {
        // A document that the panel refuses to read leaves the list as it was.
        FUZZ_CHECK(!accepted);
        FUZZ_CHECK(f.panel->folderList == before);
    } else {
        const auto [expectAccepted, expectList] = expectedReply(document);
        FUZZ_CHECK(accepted == expectAccepted);
        FUZZ_CHECK(f.panel->folderList == std::optional<FolderList>(expectList));
    }

    f.panel->makeFolderPopup();
    checkPopUp(*f.panel);
    return 0;
}
