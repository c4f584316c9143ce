#include "platform/xml_document.h"

#include <QBuffer>
#include <QXmlStreamReader>

namespace platform {

// One kept node. Text and CDATA count towards their element's text; comments and processing
// instructions do not.
struct XmlNode::Data {
    enum class Kind : std::uint8_t { Element, Text, Other };
    Kind kind = Kind::Element;
    bool holdsSubtreeText = false;  // an element on the deepest kept level
    std::string name;
    std::string value;  // text, comment, instruction data; an element's text when it holds it
    std::vector<Data> children;
};

struct XmlDocument::Impl {
    XmlNode::Data root;
};

namespace {

using Data = XmlNode::Data;

// UTF-8 of a piece of the parser's text, without a detour through QString for ASCII.
std::string utf8Of(QStringView text)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return text.toUtf8().toStdString();
        result += static_cast<char>(c.unicode());
    }
    return result;
}

// Whether the toolkit's DOM parser keeps a piece of character data as a node: it drops text
// (not CDATA) that trims to nothing.
bool isKeptText(QStringView text, bool isCData)
{
    if (isCData)
        return true;
    for (const QChar c : text)
        if (!c.isSpace())
            return true;
    return false;
}

// Builds the kept nodes from the stream's tokens. `open` holds, for each element open now,
// its kept node or nullptr; the root is on level 0.
class OutlineBuilder {
public:
    OutlineBuilder(Data& root, const XmlLimits& limits, const XmlOutline& outline)
        : root_(root), limits_(limits), outline_(outline)
    {
    }

    // False when the document is to be refused.
    bool startElement(QStringView name)
    {
        if (static_cast<int>(open_.size()) >= limits_.maxDepth)
            return false;
        const int level = static_cast<int>(open_.size());
        if (level == 0) {
            root_.name = utf8Of(name);
            open_.push_back(&root_);
            return true;
        }
        Data* parent = open_.back();
        if (!parent || parent->holdsSubtreeText) {
            open_.push_back(nullptr);
            return true;
        }
        Data* node = addChild(*parent, level, Data::Kind::Element, name, {});
        if (node)
            node->holdsSubtreeText = level >= outline_.deepestLevel;
        open_.push_back(node);
        return node != nullptr;
    }

    void endElement() { open_.pop_back(); }

    // Character data: a node of its own, or part of the text held by a deepest kept element.
    bool characters(QStringView text, bool isCData)
    {
        if (open_.empty() || !isKeptText(text, isCData))
            return true;
        if (Data* holder = subtreeTextHolder()) {
            holder->value += utf8Of(text);
            return true;
        }
        return addChild(*open_.back(), static_cast<int>(open_.size()), Data::Kind::Text,
                        isCData ? u"#cdata-section" : u"#text", text) != nullptr;
    }

    // A comment or processing instruction inside the root.
    bool otherNode(QStringView name, QStringView value)
    {
        if (open_.empty() || subtreeTextHolder())
            return true;
        return addChild(*open_.back(), static_cast<int>(open_.size()), Data::Kind::Other, name, value) != nullptr;
    }

private:
    // The deepest kept element the current position lies inside, when it holds its text.
    Data* subtreeTextHolder() const
    {
        const auto level = static_cast<std::size_t>(std::min<int>(outline_.deepestLevel, INT_MAX - 1));
        if (open_.size() <= level)
            return nullptr;
        Data* holder = open_[level];
        return holder && holder->holdsSubtreeText ? holder : nullptr;
    }

    // Appends a child node on `level` to parent; nullptr when parent would exceed the limits.
    Data* addChild(Data& parent, int level, Data::Kind kind, QStringView name, QStringView value)
    {
        if (level <= outline_.lastChildOnlyLevels)
            parent.children.clear();
        else if (parent.children.size() >= limits_.maxChildren)
            return nullptr;
        Data& child = parent.children.emplace_back();
        child.kind = kind;
        child.name = utf8Of(name);
        child.value = utf8Of(value);
        return &child;
    }

    Data& root_;
    const XmlLimits& limits_;
    const XmlOutline& outline_;
    std::vector<Data*> open_;
};

// Appends the text under a node as the DOM gives it: the character data of its subtree, in
// order; comments and processing instructions add nothing.
void appendText(const Data& node, std::string& text)
{
    if (node.kind == Data::Kind::Other)
        return;
    if (node.kind == Data::Kind::Text || node.holdsSubtreeText) {
        text += node.value;
        return;
    }
    for (const Data& child : node.children)
        appendText(child, text);
}

}  // namespace

const std::string& XmlNode::name() const
{
    static const std::string none;
    return d_ ? d_->name : none;
}

std::string XmlNode::text() const
{
    if (!d_)
        return {};
    if (d_->kind != Data::Kind::Element || d_->holdsSubtreeText)
        return d_->value;
    std::string text;
    appendText(*d_, text);
    return text;
}

std::vector<XmlNode> XmlNode::children() const
{
    std::vector<XmlNode> result;
    if (!d_)
        return result;
    result.reserve(d_->children.size());
    for (const Data& child : d_->children)
        result.push_back(XmlNode(&child));
    return result;
}

std::optional<XmlDocument> XmlDocument::read(const ByteBuffer& bytes, const XmlLimits& limits,
                                             const XmlOutline& outline)
{
    if (bytes.size() > limits.maxBytes)
        return std::nullopt;
    auto impl = std::make_shared<Impl>();
    OutlineBuilder builder(impl->root, limits, outline);
    // Read through a device: the parser then decodes the bytes a piece at a time instead of the
    // whole document up front (twice its size in memory), and a refused document stops there.
    QBuffer device;
    device.setData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    device.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&device);
    // The DOM reading with default options does not process namespaces: a prefix is part of
    // the name, and an undeclared one is no error.
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        bool sound = true;
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return std::nullopt;
        case QXmlStreamReader::StartElement:
            sound = builder.startElement(reader.qualifiedName());
            break;
        case QXmlStreamReader::EndElement:
            builder.endElement();
            break;
        case QXmlStreamReader::Characters:
            sound = builder.characters(reader.text(), reader.isCDATA());
            break;
        case QXmlStreamReader::Comment:
            sound = builder.otherNode(u"#comment", reader.text());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            sound = builder.otherNode(reader.processingInstructionTarget(), reader.processingInstructionData());
            break;
        default:
            break;
        }
        if (!sound)
            return std::nullopt;
    }
    if (reader.hasError())
        return std::nullopt;
    return XmlDocument(std::move(impl));
}

XmlNode XmlDocument::root() const
{
    return XmlNode(&d_->root);
}

}  // namespace platform
