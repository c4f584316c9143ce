// The reply file that carries a printer's folder list from the SOAP client to the panel,
// and the walk through the reply document.
#pragma once

#include "platform/xml_document.h"
#include "plugin/folder_entry.h"

#include <cstddef>
#include <optional>
#include <string>

// The most folders a reply may list; a reply with more is not read. Office printers offer a
// few hundred custom folders at most, so only a broken or hostile one gets near this.
constexpr std::size_t kMaxReplyFolders = 10000;

// The reply file in the user's private temporary folder; nothing when there is no such
// folder, in which case no reply is ever written or read, and error (when given) says why.
std::optional<std::string> replyFilePath(std::string* error = nullptr);

// The last child node of node; a null node when it has none or is null itself.
platform::XmlNode MyGetChild(const platform::XmlNode& node);

// What a reply document says: whether the printer accepted the request, and its folders
// (empty when it did not).
struct FolderReply {
    bool accepted = false;
    FolderList folders;
};

// Reads a reply document's folder list; nothing when the bytes are not a document the panel
// reads at all (not XML, hostile, more than kMaxReplyFolders folders).
std::optional<FolderReply> readFolderReply(const platform::ByteBuffer& bytes);
