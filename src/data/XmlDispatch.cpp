// The automation face of the XML document object model: small member tables for the document, a
// node, a node list and an attribute map. Node and map objects wrap the C++ handles, which keep
// the document alive.
#include <string>

#include "com/Conversions.h"
#include "data/XmlDocument.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"

namespace tavlora::data {
namespace {

using com::MemberInfo;
using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;

template <typename T>
T& as(com::Dispatch& self) {
    return static_cast<T&>(self);
}

Variant objectVariant(std::shared_ptr<com::Dispatch> object) { return Variant(std::move(object)); }

Variant listVariant(const XmlNodeListPtr& list) { return list ? list->toVariant() : objectVariant(nullptr); }

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

const com::DispatchTable& XmlNodeObject::dispatchTable() const {
    static const com::DispatchTable table(
        "XmlNode",
        {
            MemberInfo{"nodeName", 1, MemberKind::PropertyGet, {}, VarType::String,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<XmlNodeObject>(self).node().nodeName()); }},
            MemberInfo{"nodeType", 2, MemberKind::PropertyGet, {}, VarType::Long,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<XmlNodeObject>(self).node().nodeType()); }},
            MemberInfo{"attributes", 3, MemberKind::PropertyGet, {}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>&) { return as<XmlNodeObject>(self).node().attributes().toVariant(); }},
            MemberInfo{"text", 4, MemberKind::PropertyGet, {}, VarType::String,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<XmlNodeObject>(self).node().text()); }},
            MemberInfo{"selectNodes", 5, MemberKind::Method, {ParamInfo{"queryString", VarType::String}}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>& args) {
                           return listVariant(as<XmlNodeObject>(self).node().selectNodes(args[0].asString()));
                       }},
            MemberInfo{"getAttribute", 6, MemberKind::Method, {ParamInfo{"name", VarType::String}}, VarType::Any,
                       [](com::Dispatch& self, std::vector<Variant>& args) {
                           return as<XmlNodeObject>(self).node().getAttribute(args[0].asString());
                       }},
        });
    return table;
}

const com::DispatchTable& XmlNamedNodeMapObject::dispatchTable() const {
    static const com::DispatchTable table(
        "XmlNamedNodeMap",
        {
            MemberInfo{"item", 0, MemberKind::PropertyGet, {ParamInfo{"index", VarType::Long}}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>& args) {
                           return as<XmlNamedNodeMapObject>(self).map().item(args[0].asInt32()).toVariant();
                       }},
            MemberInfo{"length", 1, MemberKind::PropertyGet, {}, VarType::Long,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<XmlNamedNodeMapObject>(self).map().length()); }},
            MemberInfo{"nextNode", 2, MemberKind::Method, {}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>&) { return as<XmlNamedNodeMapObject>(self).map().nextNode().toVariant(); }},
            MemberInfo{"reset", 3, MemberKind::Method, {}, VarType::Empty,
                       [](com::Dispatch& self, std::vector<Variant>&) {
                           as<XmlNamedNodeMapObject>(self).map().reset();
                           return Variant();
                       }},
        });
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
    static const com::DispatchTable table(
        "XmlNodeList",
        {
            MemberInfo{"item", 0, MemberKind::PropertyGet, {ParamInfo{"index", VarType::Long}}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>& args) {
                           return as<XmlNodeList>(self).item(args[0].asInt32()).toVariant();
                       }},
            MemberInfo{"length", 1, MemberKind::PropertyGet, {}, VarType::Long,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<XmlNodeList>(self).length()); }},
            MemberInfo{"nextNode", 2, MemberKind::Method, {}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>&) { return as<XmlNodeList>(self).nextNode().toVariant(); }},
            MemberInfo{"reset", 3, MemberKind::Method, {}, VarType::Empty,
                       [](com::Dispatch& self, std::vector<Variant>&) {
                           as<XmlNodeList>(self).reset();
                           return Variant();
                       }},
        });
    return table;
}

const com::DispatchTable& XmlDocument::dispatchTable() const {
    static const com::DispatchTable table(
        "XmlDocument",
        {
            MemberInfo{"documentElement", 1, MemberKind::PropertyGet, {}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>&) { return as<XmlDocument>(self).documentElement().toVariant(); }},
            MemberInfo{"load", 2, MemberKind::Method, {ParamInfo{"xmlSource", VarType::String}}, VarType::Boolean,
                       [](com::Dispatch& self, std::vector<Variant>& args) { return Variant(as<XmlDocument>(self).load(args[0].asString())); }},
            MemberInfo{"loadXML", 3, MemberKind::Method, {ParamInfo{"bstrXML", VarType::String}}, VarType::Boolean,
                       [](com::Dispatch& self, std::vector<Variant>& args) { return Variant(as<XmlDocument>(self).loadXml(args[0].asString())); }},
            MemberInfo{"selectNodes", 4, MemberKind::Method, {ParamInfo{"queryString", VarType::String}}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>& args) {
                           return listVariant(as<XmlDocument>(self).selectNodes(args[0].asString()));
                       }},
        });
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
