#include "platform/xml_document.h"

#include <QDomDocument>
#include <QXmlStreamReader>

namespace platform {

struct XmlDocument::Impl {
    QDomDocument document;
};

struct XmlNode::Impl {
    std::shared_ptr<const XmlDocument::Impl> owner;  // keeps the tree the node lives in
    QDomNode node;
};

// Makes wrapped nodes; the one place that reaches XmlNode's private constructor.
struct XmlNodeAccess {
    static XmlNode wrap(std::shared_ptr<const XmlDocument::Impl> owner, const QDomNode& node)
    {
        if (node.isNull())
            return {};
        return XmlNode(std::make_shared<const XmlNode::Impl>(XmlNode::Impl{std::move(owner), node}));
    }
};

namespace {

// Whether a streaming pass finds the bytes well-formed, free of a document type declaration,
// and nested no deeper than allowed. Nothing is built or expanded on the way.
bool passesStreamingCheck(const QByteArray& bytes, int maxDepth)
{
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return false;
        case QXmlStreamReader::StartElement:
            if (++depth > maxDepth)
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

}  // namespace

std::string XmlNode::name() const { return d_ ? d_->node.nodeName().toStdString() : std::string(); }

std::string XmlNode::text() const
{
    if (!d_)
        return {};
    if (d_->node.isElement())
        return d_->node.toElement().text().toStdString();
    return d_->node.nodeValue().toStdString();
}

std::vector<XmlNode> XmlNode::children() const
{
    std::vector<XmlNode> result;
    if (!d_)
        return result;
    for (QDomNode child = d_->node.firstChild(); !child.isNull(); child = child.nextSibling())
        result.push_back(XmlNodeAccess::wrap(d_->owner, child));
    return result;
}

std::optional<XmlDocument> XmlDocument::read(const ByteBuffer& bytes, const XmlLimits& limits)
{
    if (bytes.size() > limits.maxBytes)
        return std::nullopt;
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (!passesStreamingCheck(data, limits.maxDepth))
        return std::nullopt;
    auto impl = std::make_shared<Impl>();
    if (!impl->document.setContent(data))
        return std::nullopt;
    return XmlDocument(std::move(impl));
}

XmlNode XmlDocument::root() const { return XmlNodeAccess::wrap(d_, d_->document.documentElement()); }

}  // namespace platform
