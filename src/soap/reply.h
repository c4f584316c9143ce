// The reply file that carries a printer's folder list from the SOAP client to the panel,
// and the walk through the reply document.
#pragma once

#include "platform/xml_document.h"

#include <optional>
#include <string>

// The reply file in the user's private temporary folder; nothing when there is no such
// folder, in which case no reply is ever written or read.
std::optional<std::string> replyFilePath();

// The last child node of node; a null node when it has none or is null itself.
platform::XmlNode MyGetChild(const platform::XmlNode& node);
