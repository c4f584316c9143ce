// Read-only XML documents, read with the parser's default options (whitespace-only text
// between elements is dropped) after a streaming check that keeps hostile input bounded.
#pragma once

#include "platform/bundle.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A node of a read document; a null node stands for "none".
class XmlNode {
public:
    XmlNode() = default;

    bool isNull() const { return !d_; }
    // The name as written, namespace prefix included; "#text" and the like for non-elements.
    std::string name() const;
    // The text content of the node and everything under it, untrimmed.
    std::string text() const;
    // The child nodes in document order.
    std::vector<XmlNode> children() const;

private:
    struct Impl;
    explicit XmlNode(std::shared_ptr<const Impl> d) : d_(std::move(d)) {}
    std::shared_ptr<const Impl> d_;
    friend struct XmlNodeAccess;
};

// What a document may hold before it is refused unread.
struct XmlLimits {
    std::size_t maxBytes = 16 * 1024 * 1024;
    int maxDepth = 256;  // elements nested in one another
};

class XmlDocument {
public:
    // The document, or nothing when the bytes are not well-formed XML, carry a document type
    // declaration (the only way to entity definitions and their expansion), or exceed the
    // limits.
    static std::optional<XmlDocument> read(const ByteBuffer& bytes, const XmlLimits& limits = {});

    // The root element.
    XmlNode root() const;

private:
    struct Impl;
    explicit XmlDocument(std::shared_ptr<const Impl> d) : d_(std::move(d)) {}
    std::shared_ptr<const Impl> d_;
    friend class XmlNode;
    friend struct XmlNodeAccess;
};

}  // namespace platform
