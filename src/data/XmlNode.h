#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "com/Variant.h"

// Nodes of a loaded XML document. XmlNode is a cheap handle (a node of the parsed tree plus a
// shared reference to the tree), so a node, a node list or an attribute map keeps its document
// alive on its own. A default-constructed handle is the null node ("nothing").
namespace tavlora::data {

class XmlNodeList;
class XmlNamedNodeMap;

using XmlTree = std::shared_ptr<const pugi::xml_document>;

enum class XmlNodeType : int32_t {
    Element = 1,
    Attribute = 2,
    Text = 3,
    CData = 4,
    ProcessingInstruction = 7,
    Comment = 8,
    Document = 9,
};

class XmlNode {
public:
    XmlNode() = default;
    XmlNode(XmlTree tree, pugi::xpath_node node) : tree_(std::move(tree)), node_(node) {}

    bool isNull() const { return !node_; }
    explicit operator bool() const { return !isNull(); }
    friend bool operator==(const XmlNode& node, std::nullptr_t) { return node.isNull(); }
    // Same node of the same document.
    bool operator==(const XmlNode& other) const { return node_ == other.node_; }

    // The numbers of the document object model: 1 element, 2 attribute, 3 text, 4 CDATA section,
    // 7 processing instruction, 8 comment, 9 document. Null node: error 91 (as for every member).
    int32_t nodeType() const;
    bool isElement() const { return !isNull() && node_.node().type() == pugi::node_element && !node_.attribute(); }
    // Element and attribute: its name; text "#text", CDATA "#cdata-section", comment "#comment",
    // document "#document", processing instruction: its target.
    std::string nodeName() const;
    // Attribute: its value; text, CDATA, comment, processing instruction: its content; element
    // and document: the text of all descendant text and CDATA nodes, in document order, without
    // leading and trailing white space unless xml:space="preserve" is in effect.
    std::string text() const;
    // The attributes of an element (empty for any other node).
    XmlNamedNodeMap attributes() const;
    // XPath 1.0 evaluated with this node as context; the result in document order. A query that
    // does not compile or does not give a node set: com::Error naming the problem.
    std::shared_ptr<XmlNodeList> selectNodes(std::string_view query) const;
    // Element only: the attribute's value as a String, Null when the element has no attribute of
    // that name (exact letter case). Another kind of node: type mismatch.
    com::Variant getAttribute(std::string_view name) const;

    // This node as an automation object (Nothing for the null node).
    com::Variant toVariant() const;

    const pugi::xpath_node& raw() const { return node_; }
    const XmlTree& tree() const { return tree_; }

private:
    void requireNode() const;

    XmlTree tree_;
    pugi::xpath_node node_;
};

// The attributes of one element, in document order, with a cursor for reset/nextNode.
class XmlNamedNodeMap {
public:
    XmlNamedNodeMap() = default;
    explicit XmlNamedNodeMap(XmlNode element);

    int32_t length() const;
    // Position from 0; the null node when out of range.
    XmlNode item(int32_t index) const;
    void reset() { cursor_ = first(); }
    // The next attribute, or the null node after the last one.
    XmlNode nextNode();

    // This map as an automation object, with its own cursor (a copy of this one).
    com::Variant toVariant() const;

private:
    pugi::xml_attribute first() const { return element_.raw().node().first_attribute(); }

    XmlNode element_;
    pugi::xml_attribute cursor_;
};

// The node an automation client passed in a Variant (one of ours). Empty, Nothing and a missing
// argument give the null node; anything else is a type mismatch.
XmlNode xmlNodeFromVariant(const com::Variant& value);

}  // namespace tavlora::data
