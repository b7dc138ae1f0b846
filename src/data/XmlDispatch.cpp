// The automation face of the XML document object model: small member tables for the document, a
// node, a node list and an attribute map. Node and map objects wrap the C++ handles, which keep
// the document alive.
#include <string>

#include "com/Conversions.h"
#include "com/DispatchRows.h"
#include "data/XmlDocument.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"

namespace tavlora::data {
namespace {

using com::Variant;
using com::VarType;

Variant objectVariant(std::shared_ptr<com::Dispatch> object) { return Variant(std::move(object)); }

class XmlNodeObject final : public com::Dispatch {
public:
    explicit XmlNodeObject(XmlNode node) : node_(std::move(node)) {}
    const com::DispatchTable& dispatchTable() const override;
    const XmlNode& node() const { return node_; }

private:
    XmlNode node_;
};

class XmlNamedNodeMapObject final : public com::Dispatch {
public:
    explicit XmlNamedNodeMapObject(XmlNamedNodeMap map) : map_(std::move(map)) {}
    const com::DispatchTable& dispatchTable() const override;
    XmlNamedNodeMap& map() { return map_; }

private:
    XmlNamedNodeMap map_;
};

const XmlNode& nodeOf(com::Dispatch& d) { return static_cast<XmlNodeObject&>(d).node(); }
XmlNamedNodeMap& mapOf(com::Dispatch& d) { return static_cast<XmlNamedNodeMapObject&>(d).map(); }
XmlNodeList& listItself(com::Dispatch& d) { return static_cast<XmlNodeList&>(d); }

// Node lists and attribute maps answer alike: items by index, and a cursor.
template <class Nodes>
com::DispatchTable cursorTable(std::string interfaceName, Nodes& (*nodesOf)(com::Dispatch&)) {
    return com::DispatchRows<Nodes>(std::move(interfaceName), nodesOf)
        .get("item", 0, VarType::Object, &Nodes::item, {{"index", VarType::Long}})
        .get("length", 1, VarType::Long, &Nodes::length)
        .method("nextNode", 2, VarType::Object, &Nodes::nextNode)
        .method("reset", 3, VarType::Empty, &Nodes::reset)
        .build();
}

const com::DispatchTable& XmlNodeObject::dispatchTable() const {
    static const com::DispatchTable table =
        com::DispatchRows<const XmlNode>("XmlNode", &nodeOf)
            .get("nodeName", 1, VarType::String, &XmlNode::nodeName)
            .get("nodeType", 2, VarType::Long, &XmlNode::nodeType)
            .get("attributes", 3, VarType::Object, &XmlNode::attributes)
            .get("text", 4, VarType::String, &XmlNode::text)
            .method("selectNodes", 5, {{"queryString", VarType::String}}, VarType::Object, &XmlNode::selectNodes)
            .method("getAttribute", 6, {{"name", VarType::String}}, VarType::Any, &XmlNode::getAttribute)
            .build();
    return table;
}

const com::DispatchTable& XmlNamedNodeMapObject::dispatchTable() const {
    static const com::DispatchTable table = cursorTable<XmlNamedNodeMap>("XmlNamedNodeMap", &mapOf);
    return table;
}

}  // namespace

Variant XmlNode::toVariant() const {
    if (isNull()) return objectVariant(nullptr);
    return objectVariant(std::make_shared<XmlNodeObject>(*this));
}

Variant XmlNamedNodeMap::toVariant() const { return objectVariant(std::make_shared<XmlNamedNodeMapObject>(*this)); }

Variant XmlNodeList::toVariant() const {
    try {
        return objectVariant(std::const_pointer_cast<com::Dispatch>(shared_from_this()));
    } catch (const std::bad_weak_ptr&) {
        throw com::Error(com::hr::kInvalidCall, "a node list handed to an automation client must be owned by a shared_ptr");
    }
}

const com::DispatchTable& XmlNodeList::dispatchTable() const {
    static const com::DispatchTable table = cursorTable<XmlNodeList>("XmlNodeList", &listItself);
    return table;
}

const com::DispatchTable& XmlDocument::dispatchTable() const {
    static const com::DispatchTable table =
        com::DispatchRows<XmlDocument>("XmlDocument")
            .get("documentElement", 1, VarType::Object, &XmlDocument::documentElement)
            .method("load", 2, {{"xmlSource", VarType::String}}, VarType::Boolean, &XmlDocument::load)
            .method("loadXML", 3, {{"bstrXML", VarType::String}}, VarType::Boolean, &XmlDocument::loadXml)
            .method("selectNodes", 4, {{"queryString", VarType::String}}, VarType::Object, &XmlDocument::selectNodes)
            .build();
    return table;
}

XmlNode xmlNodeFromVariant(const Variant& value) {
    if (value.isEmpty() || value.isMissing()) return {};
    if (value.type() != VarType::Object) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: an XML node was expected");
    if (!value.asObject()) return {};
    if (auto object = std::dynamic_pointer_cast<XmlNodeObject>(value.asObject())) return object->node();
    throw com::Error(com::hr::kTypeMismatch, "Type mismatch: the object is not an XML node");
}

XmlNodeListPtr xmlNodeListFromVariant(const Variant& value) {
    if (value.isEmpty() || value.isMissing()) return nullptr;
    if (value.type() != VarType::Object) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: an XML node list was expected");
    if (!value.asObject()) return nullptr;
    if (auto list = std::dynamic_pointer_cast<XmlNodeList>(value.asObject())) return list;
    throw com::Error(com::hr::kTypeMismatch, "Type mismatch: the object is not an XML node list");
}

}  // namespace tavlora::data
