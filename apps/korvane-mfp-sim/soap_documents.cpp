// Builds the stand-in's SOAP replies and recognises the folder-listing request.
#include "soap_documents.h"

#include <QXmlStreamReader>

namespace mfpsim {

namespace {

constexpr char16_t kEnvelopeNamespace[] = u"http://schemas.xmlsoap.org/soap/envelope/";
constexpr char16_t kFilingNamespace[] = u"urn:korvane:mfp:filing:1";

const char kEnvelopeStart[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
    "  <soap:Body>\n";
// Nothing may follow the body inside the envelope: the panel takes the envelope's last child as the body.
const char kEnvelopeEnd[] =
    "  </soap:Body>\n"
    "</soap:Envelope>\n";

// Wraps the body's content in the SOAP envelope.
QByteArray inEnvelope(const QByteArray& bodyContent)
{
    return QByteArray(kEnvelopeStart) + bodyContent + kEnvelopeEnd;
}

// The response element; its children carry no prefix, so the namespace is the default one.
QByteArray listResponse(const QByteArray& children)
{
    return "    <ListFoldersResponse xmlns=\"urn:korvane:mfp:filing:1\">\n" + children + "    </ListFoldersResponse>\n";
}

// One folder entry of the listing.
QByteArray folderEntry(const Folder& folder)
{
    return "        <file>\n"
           "          <name>" +
           escapeXmlText(folder.name) +
           "</name>\n"
           "          <password>" +
           (folder.isProtected ? "true" : "false") +
           "</password>\n"
           "          <dir>" +
           (folder.isDirectory ? "true" : "false") +
           "</dir>\n"
           "        </file>\n";
}

// Tells whether the reader stands on the element {ns}name.
bool isElement(const QXmlStreamReader& reader, QStringView ns, QStringView name)
{
    return reader.namespaceUri() == ns && reader.name() == name;
}

// Looks inside the operation element for the listing it asks for.
bool asksForCustomFolders(QXmlStreamReader& reader)
{
    bool custom = false;
    while (reader.readNextStartElement()) {
        if (isElement(reader, kFilingNamespace, u"listing"))
            custom = reader.readElementText() == u"custom-folders";
        else
            reader.skipCurrentElement();
    }
    return custom;
}

// Reads the envelope's body and says which operation it holds.
RequestKind classifyBody(QXmlStreamReader& reader)
{
    if (!reader.readNextStartElement())
        return RequestKind::NotSoap;
    const bool listing = isElement(reader, kFilingNamespace, u"ListFolders") && asksForCustomFolders(reader);
    return listing ? RequestKind::FolderListing : RequestKind::OtherOperation;
}

}  // namespace

// Escapes the characters that XML text cannot hold literally.
QByteArray escapeXmlText(const QString& text)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

// The reply to the listing request: result-code "ok" and one entry a folder, in order.
QByteArray folderListReply(const QList<Folder>& folders)
{
    QByteArray entries;
    for (const Folder& folder : folders)
        entries += folderEntry(folder);
    return inEnvelope(
        listResponse("      <result-code>ok</result-code>\n"
                     "      <files>\n" +
                     entries + "      </files>\n"));
}

// The reply of a service that does not offer the operation: a result code and no folders.
QByteArray unsupportedOperationReply()
{
    return inEnvelope(listResponse("      <result-code>unsupported-operation</result-code>\n"));
}

// A SOAP 1.1 Fault with the given code (e.g. "soap:Server") and reason.
QByteArray faultReply(const QByteArray& faultCode, const QString& reason)
{
    return inEnvelope(
        "    <soap:Fault>\n"
        "      <faultcode>" +
        faultCode +
        "</faultcode>\n"
        "      <faultstring>" +
        escapeXmlText(reason) +
        "</faultstring>\n"
        "    </soap:Fault>\n");
}

// A body that no XML parser accepts.
QByteArray notXmlBody()
{
    return "Folder service busy; try again later.\n";
}

// Finds out whether a request body is the folder-listing request.
RequestKind classifyRequest(const QByteArray& body)
{
    QXmlStreamReader reader(body);
    if (!reader.readNextStartElement() || !isElement(reader, kEnvelopeNamespace, u"Envelope"))
        return RequestKind::NotSoap;
    RequestKind kind = RequestKind::NotSoap;
    while (reader.readNextStartElement()) {
        if (isElement(reader, kEnvelopeNamespace, u"Body")) {
            kind = classifyBody(reader);
            break;
        }
        reader.skipCurrentElement();
    }
    // The rest must still be well-formed, or the request is no SOAP at all.
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? RequestKind::NotSoap : kind;
}

}  // namespace mfpsim
