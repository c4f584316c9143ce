// Reading the printer's reply document into the panel's folder list.
#include "soap/reply.h"

#include "platform/private_file.h"
#include "platform/system.h"
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "plugin/product_name.h"
#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"

namespace {

// What the result element says about the request.
enum class ResultStatus { NotYetKnown, Accepted, Refused };

// One folder entry from its element: the last "name" counts, a "true" flag sticks.
FolderEntry readFolderEntry(const platform::XmlNode& entry)
{
    FolderEntry folder;
    for (const platform::XmlNode& child : entry.children()) {
        const std::string& name = child.name();
        if (name == "name")
            folder.name = child.text();
        else if (name == "password" && child.text() == "true")
            folder.password = true;
        else if (name == "dir" && child.text() == "true")
            folder.dir = true;
    }
    folder.add = false;
    return folder;
}

}  // namespace

std::optional<std::string> replyFilePath(std::string* error)
{
    const auto directory = platform::privateTemporaryDirectory(korvane::kProductName, error);
    if (!directory)
        return std::nullopt;
    return *directory + "vwxyz.xml";
}

platform::XmlNode MyGetChild(const platform::XmlNode& node)
{
    platform::XmlNode last;
    for (const platform::XmlNode& child : node.children())
        last = child;
    return last;
}

std::optional<FolderReply> readFolderReply(const platform::ByteBuffer& bytes)
{
    platform::XmlLimits limits;
    limits.maxBytes = KorvanePrintPdeRk880JCSOAPClient::kMaxReplyBytes;
    limits.maxChildren = kMaxReplyFolders;
    // Only what the walk below visits is built: the root's last child, that one's last child
    // (the result element), its children, their entries, and the entries' fields with their
    // text.
    const platform::XmlOutline outline{.lastChildOnlyLevels = 2, .deepestLevel = 5};
    const auto document = platform::XmlDocument::read(bytes, limits, outline);
    if (!document)
        return std::nullopt;
    const platform::XmlNode result = MyGetChild(MyGetChild(document->root()));
    const std::vector<platform::XmlNode> resultChildren = result.children();

    FolderReply reply;
    if (resultChildren.empty())
        return reply;

    ResultStatus status = ResultStatus::NotYetKnown;
    platform::XmlNode container;
    for (const platform::XmlNode& child : resultChildren) {
        const std::string& name = child.name();
        if (name == "result-code")
            status = child.text() == "ok" ? ResultStatus::Accepted : ResultStatus::Refused;
        else if (name == "files")
            container = child;
    }
    if (container.isNull() || status == ResultStatus::Refused)
        return reply;

    const std::vector<platform::XmlNode> entries = container.children();
    reply.folders.reserve(entries.size());
    for (const platform::XmlNode& entry : entries)
        reply.folders.push_back(readFolderEntry(entry));
    reply.accepted = true;
    return reply;
}

// Replaces the folder list from the reply file; the list stays as it was when the file cannot
// be read as a document, and is emptied when the printer refused or sent no folders.
bool KorvanePrintPdeRk880JC::parseXML(const std::string& replyFilePath)
{
    const auto bytes = platform::readOwnFile(replyFilePath, KorvanePrintPdeRk880JCSOAPClient::kMaxReplyBytes);
    if (!bytes)
        return false;
    auto reply = readFolderReply(*bytes);
    if (!reply)
        return false;
    folderList = std::move(reply->folders);
    return reply->accepted;
}
