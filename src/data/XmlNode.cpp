#include "data/XmlNode.h"

#include "data/DataErrors.h"
#include "data/XmlNodeList.h"

namespace tavlora::data {
namespace {

bool isTextLike(pugi::xml_node_type type) { return type == pugi::node_pcdata || type == pugi::node_cdata; }

// Text and CDATA content below `root`, in document order; iterative, so deep trees cannot
// exhaust the stack.
std::string descendantText(pugi::xml_node root) {
    std::string out;
    pugi::xml_node current = root.first_child();
    while (current) {
        if (isTextLike(current.type())) out += current.value();
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current != root && !current.next_sibling()) current = current.parent();
        if (current == root) break;
        current = current.next_sibling();
    }
    return out;
}

// The nearest xml:space on the node or an ancestor says whether its white space is kept.
bool preservesSpace(pugi::xml_node node) {
    for (; node; node = node.parent())
        if (pugi::xml_attribute space = node.attribute("xml:space")) return std::string_view(space.value()) == "preserve";
    return false;
}

std::string trimmedXmlSpace(std::string text) {
    constexpr const char* kSpace = " \t\r\n";
    size_t last = text.find_last_not_of(kSpace);
    if (last == std::string::npos) return {};
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(kSpace));
    return text;
}

}  // namespace

void XmlNode::requireNode() const {
    if (isNull()) throw com::Error(com::hr::kObjectNotSet, "Object variable not set: the XML node is nothing");
}

int32_t XmlNode::nodeType() const {
    requireNode();
    if (node_.attribute()) return static_cast<int32_t>(XmlNodeType::Attribute);
    switch (node_.node().type()) {
        case pugi::node_element: return static_cast<int32_t>(XmlNodeType::Element);
        case pugi::node_pcdata: return static_cast<int32_t>(XmlNodeType::Text);
        case pugi::node_cdata: return static_cast<int32_t>(XmlNodeType::CData);
        case pugi::node_comment: return static_cast<int32_t>(XmlNodeType::Comment);
        case pugi::node_document: return static_cast<int32_t>(XmlNodeType::Document);
        case pugi::node_doctype: return 10;
        default: return static_cast<int32_t>(XmlNodeType::ProcessingInstruction);  // pi, declaration
    }
}

std::string XmlNode::nodeName() const {
    requireNode();
    if (node_.attribute()) return node_.attribute().name();
    pugi::xml_node node = node_.node();
    switch (node.type()) {
        case pugi::node_pcdata: return "#text";
        case pugi::node_cdata: return "#cdata-section";
        case pugi::node_comment: return "#comment";
        case pugi::node_document: return "#document";
        case pugi::node_declaration: return "xml";
        default: return node.name();  // element, processing instruction
    }
}

std::string XmlNode::text() const {
    requireNode();
    if (node_.attribute()) return node_.attribute().value();
    pugi::xml_node node = node_.node();
    if (node.type() == pugi::node_element || node.type() == pugi::node_document) {
        // The component loads without preserving white space: the ends of the text are dropped.
        std::string all = descendantText(node);
        return preservesSpace(node) ? all : trimmedXmlSpace(std::move(all));
    }
    return node.value();
}

XmlNamedNodeMap XmlNode::attributes() const {
    requireNode();
    return isElement() ? XmlNamedNodeMap(*this) : XmlNamedNodeMap();
}

std::shared_ptr<XmlNodeList> XmlNode::selectNodes(std::string_view query) const {
    requireNode();
    const std::string text(query);
    try {
        pugi::xpath_query compiled(text.c_str());
        if (compiled.return_type() != pugi::xpath_type_node_set)
            throw com::Error(hr::kBadQuery, "the query \"" + text + "\" does not select nodes");
        pugi::xpath_node_set nodes = compiled.evaluate_node_set(node_);
        nodes.sort();
        return std::make_shared<XmlNodeList>(tree_, std::move(nodes));
    } catch (const pugi::xpath_exception& e) {
        throw com::Error(hr::kBadQuery, "the query \"" + text + "\" is not valid XPath: " + e.what());
    }
}

com::Variant XmlNode::getAttribute(std::string_view name) const {
    requireNode();
    if (!isElement()) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: getAttribute needs an element");
    pugi::xml_attribute attribute = node_.node().attribute(std::string(name).c_str());
    if (!attribute) return com::Variant::null();
    return com::Variant(std::string(attribute.value()));
}

XmlNamedNodeMap::XmlNamedNodeMap(XmlNode element) : element_(std::move(element)), cursor_(first()) {}

int32_t XmlNamedNodeMap::length() const {
    int32_t count = 0;
    for (pugi::xml_attribute a = first(); a; a = a.next_attribute()) ++count;
    return count;
}

XmlNode XmlNamedNodeMap::item(int32_t index) const {
    if (index < 0) return {};
    pugi::xml_attribute a = first();
    for (; a && index > 0; --index) a = a.next_attribute();
    if (!a) return {};
    return XmlNode(element_.tree(), pugi::xpath_node(a, element_.raw().node()));
}

XmlNode XmlNamedNodeMap::nextNode() {
    if (!cursor_) return {};
    XmlNode node(element_.tree(), pugi::xpath_node(cursor_, element_.raw().node()));
    cursor_ = cursor_.next_attribute();
    return node;
}

}  // namespace tavlora::data
