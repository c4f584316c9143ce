// Read-only XML documents, read in one streaming pass with the XML parser's default options
// (whitespace-only text is no node), bounded against hostile input, and built only as far as
// their reader needs them.
//
// Not QDomDocument: it builds every node of the document, however large or deep a printer
// gone wrong makes it, and takes a document type declaration; guarding it took a streaming pass
// before the parse, and the two made reading a reply 2.5 times a bare parse.
#pragma once

#include "platform/bundle.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class XmlDocument;

// A node of a read document, valid while its document lives; a null node stands for "none".
class XmlNode {
public:
    XmlNode() = default;

    bool isNull() const { return !d_; }
    // The name as written, namespace prefix included; "#text", "#cdata-section", "#comment",
    // or the target of a processing instruction for the other kinds.
    const std::string& name() const;
    // The text content of the node and everything under it, untrimmed; the value of a
    // comment or processing instruction.
    std::string text() const;
    // The child nodes in document order.
    std::vector<XmlNode> children() const;

    struct Data;

private:
    explicit XmlNode(const Data* d) : d_(d) {}
    const Data* d_ = nullptr;
    friend class XmlDocument;
};

// What a document may hold before it is refused unread.
struct XmlLimits {
    std::size_t maxBytes = 16 * 1024 * 1024;
    int maxDepth = 256;                  // elements nested in one another
    std::size_t maxChildren = SIZE_MAX;  // child nodes of any node the document keeps
};

// Which nodes a document keeps, counted in levels below the root element (its children are on
// level 1). Nodes it does not keep cost neither memory nor time beyond reading past them.
struct XmlOutline {
    // On levels 1 to this one each node keeps only its last child node.
    int lastChildOnlyLevels = 0;
    // The deepest level kept: an element there holds the text under it but no child nodes.
    int deepestLevel = INT_MAX;
};

class XmlDocument {
public:
    // The document, or nothing when the bytes are not well-formed XML, carry a document type
    // declaration (the only way to entity definitions and their expansion), or exceed the
    // limits. A node's text counts only what the outline keeps of it.
    static std::optional<XmlDocument> read(const ByteBuffer& bytes, const XmlLimits& limits = {},
                                           const XmlOutline& outline = {});

    // The root element.
    XmlNode root() const;

private:
    struct Impl;
    explicit XmlDocument(std::shared_ptr<const Impl> d) : d_(std::move(d)) {}
    std::shared_ptr<const Impl> d_;
};

}  // namespace platform
