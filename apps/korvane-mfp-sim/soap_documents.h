// The SOAP documents the folder-service stand-in sends, and the check of what it receives.
#pragma once

#include "sim_options.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace mfpsim {

QByteArray escapeXmlText(const QString& text);
QByteArray folderListReply(const QList<Folder>& folders);
QByteArray unsupportedOperationReply();
QByteArray faultReply(const QByteArray& faultCode, const QString& reason);
QByteArray notXmlBody();

// What a request body asks of the service.
enum class RequestKind {
    FolderListing,   // the custom-folder listing request
    OtherOperation,  // SOAP, but some other operation or listing
    NotSoap,         // not a SOAP 1.1 envelope (or not XML)
};

RequestKind classifyRequest(const QByteArray& body);

}  // namespace mfpsim
