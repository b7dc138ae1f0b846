#include "server/windows/ForeignXml.h"

#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/XmlDepth.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"
#include "server/windows/ForeignRecordset.h"
#include "server/windows/HeldVariant.h"
#include "server/windows/VariantBridge.h"

namespace tavlora::server::windows {

namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

com::Variant get(IDispatch* object, const wchar_t* member) {
    HeldVariant value(lateBoundCall(object, member, kGet));
    // Objects are read by their members here, not converted.
    if (value.value.vt == VT_DISPATCH) return com::Variant();
    return fromVariant(value.value);
}

std::string textOf(IDispatch* object, const wchar_t* member) {
    com::Variant value = get(object, member);
    if (value.type() != com::VarType::String) throw com::Error(com::hr::kTypeMismatch, "An XML node's name or text is not a text");
    return value.asString();
}

int32_t numberOf(IDispatch* object, const wchar_t* member) {
    HeldVariant value(lateBoundCall(object, member, kGet));
    if (VariantChangeType(&value.value, &value.value, 0, VT_I4) != S_OK)
        throw com::Error(com::hr::kTypeMismatch, "An XML node's number is not a number");
    return value.value.lVal;
}

// A new reference to the object a member gives; nullptr for Nothing.
IDispatch* objectOf(IDispatch* object, const wchar_t* member, VARIANT* args = nullptr, UINT count = 0) {
    HeldVariant value(lateBoundCall(object, member, kGet, args, count));
    if (value.value.vt != VT_DISPATCH || !value.value.pdispVal) return nullptr;
    value.value.pdispVal->AddRef();
    return value.value.pdispVal;
}

struct Released {
    IDispatch* object;
    ~Released() {
        if (object) object->Release();
    }
};

IDispatch* itemOf(IDispatch* list, int32_t index) {
    VARIANT at;
    VariantInit(&at);
    at.vt = VT_I4;
    at.lVal = index;
    return objectOf(list, L"item", &at, 1);
}

IDispatch* childElements(IDispatch* node) {
    VARIANT query;
    VariantInit(&query);
    query.vt = VT_BSTR;
    query.bstrVal = SysAllocString(L"*");
    IDispatch* list = nullptr;
    try {
        list = objectOf(node, L"selectNodes", &query, 1);
    } catch (...) {
        VariantClear(&query);
        throw;
    }
    VariantClear(&query);
    return list;
}

void copyElement(IDispatch* node, pugi::xml_node into, size_t depth) {
    if (depth > base::kMaxXmlDepth) throw com::Error(com::hr::kInvalidArg, "The XML nests too deep");
    pugi::xml_node element = into.append_child(textOf(node, L"nodeName").c_str());
    Released attributes{objectOf(node, L"attributes")};
    if (attributes.object) {
        int32_t count = numberOf(attributes.object, L"length");
        for (int32_t i = 0; i < count; ++i) {
            Released attribute{itemOf(attributes.object, i)};
            if (attribute.object)
                element.append_attribute(textOf(attribute.object, L"nodeName").c_str()) =
                    textOf(attribute.object, L"text").c_str();
        }
    }
    Released children{childElements(node)};
    int32_t count = children.object ? numberOf(children.object, L"length") : 0;
    for (int32_t i = 0; i < count; ++i) {
        Released child{itemOf(children.object, i)};
        if (child.object) copyElement(child.object, element, depth + 1);
    }
    if (count == 0) {
        std::string text = textOf(node, L"text");
        if (!text.empty()) element.append_child(pugi::node_pcdata).set_value(text.c_str());
    }
}

// Copies one node under `holder`; the copy as a node of the document (an attribute hangs on
// `holder`).
pugi::xpath_node copyNode(IDispatch* node, pugi::xml_node holder) {
    switch (numberOf(node, L"nodeType")) {
        case 1:
            copyElement(node, holder, 0);
            return pugi::xpath_node(holder.last_child());
        case 2: {
            pugi::xml_attribute attribute = holder.append_attribute(textOf(node, L"nodeName").c_str());
            attribute = textOf(node, L"text").c_str();
            return pugi::xpath_node(attribute, holder);
        }
        case 3:
        case 4: {
            pugi::xml_node text = holder.append_child(pugi::node_pcdata);
            text.set_value(textOf(node, L"text").c_str());
            return pugi::xpath_node(text);
        }
        case 9: {
            Released roots{childElements(node)};
            int32_t count = roots.object ? numberOf(roots.object, L"length") : 0;
            for (int32_t i = 0; i < count; ++i) {
                Released root{itemOf(roots.object, i)};
                if (root.object) copyElement(root.object, holder, 0);
            }
            return pugi::xpath_node(holder);
        }
        default:
            throw com::Error(com::hr::kTypeMismatch, "Only elements, attributes, texts and documents of the caller's XML are read");
    }
}

bool answersAll(IDispatch* object, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
        try {
            HeldVariant ignored(lateBoundCall(object, name, kGet));
        } catch (const com::Error&) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<com::Variant> copyForeignXml(IDispatch* object) {
    bool isList = answersAll(object, {L"length"}) && !answersAll(object, {L"nodeType"});
    if (!isList && !answersAll(object, {L"nodeType", L"nodeName"})) return std::nullopt;
    auto document = std::make_shared<pugi::xml_document>();
    // Every copy hangs under one holder element, so a list's nodes stay apart from each other.
    pugi::xml_node holder = document->append_child("copied");
    if (!isList) {
        pugi::xpath_node copy = copyNode(object, holder);
        return data::XmlNode(document, copy).toVariant();
    }
    std::vector<pugi::xpath_node> copies;
    int32_t count = numberOf(object, L"length");
    for (int32_t i = 0; i < count; ++i) {
        Released node{itemOf(object, i)};
        if (node.object) copies.push_back(copyNode(node.object, holder));
    }
    pugi::xpath_node_set set(copies.data(), copies.data() + copies.size(), pugi::xpath_node_set::type_sorted);
    auto list = std::make_shared<data::XmlNodeList>(document, std::move(set));
    return list->toVariant();
}

}  // namespace tavlora::server::windows
