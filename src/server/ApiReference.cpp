#include "server/ApiReference.h"

#include <sstream>
#include <vector>

#include "base/Ascii.h"
#include "com/Conversions.h"
#include "com/TypeName.h"
#include "server/MemberDocs.h"

namespace tavlora::server {

namespace {

using com::MemberInfo;
using com::MemberKind;
using com::typeName;
using com::VarType;

// Integers carry their width, which is a limit the caller meets (16-bit rows and counts).
std::string typeWithWidth(VarType type) {
    if (type == VarType::Integer) return "Integer (16-bit)";
    if (type == VarType::Long) return "Long (32-bit)";
    return typeName(type);
}

std::string defaultText(const com::ParamInfo& param) {
    const auto& value = param.defaultValue;
    switch (value.type()) {
        case VarType::String: return "\"" + value.asString() + "\"";
        case VarType::Boolean: return value.asBool() ? "True" : "False";
        case VarType::Empty:
        case VarType::Error: return "";
        default: return com::toText(value);
    }
}

// The accessors of one member name, in table order.
std::vector<const MemberInfo*> accessorsOf(const com::DispatchTable& table, std::string_view name) {
    std::vector<const MemberInfo*> accessors;
    const std::string wanted = com::upperCase(name);
    for (const auto& member : table.members()) {
        if (com::upperCase(member.name) == wanted) accessors.push_back(&member);
    }
    return accessors;
}

const MemberInfo* methodOf(const std::vector<const MemberInfo*>& accessors) {
    for (const auto* member : accessors) {
        if (member->kind == MemberKind::Method) return member;
    }
    return nullptr;
}

std::string propertySignature(const std::vector<const MemberInfo*>& accessors) {
    VarType type = VarType::Any;
    bool read = false, write = false, setByReference = false;
    for (const auto* member : accessors) {
        switch (member->kind) {
            case MemberKind::PropertyGet:
                type = member->result;
                read = true;
                break;
            case MemberKind::PropertyLet:
                if (!member->params.empty()) type = member->params.back().type;
                write = true;
                break;
            case MemberKind::PropertySet: setByReference = true; break;
            case MemberKind::Method: break;
        }
    }
    std::vector<std::string> access;
    if (read) access.push_back("read");
    if (write) access.push_back("write");
    if (setByReference) access.push_back("set by reference");
    std::string text = accessors.front()->name + ": " + typeName(type) + " (";
    for (size_t i = 0; i < access.size(); ++i) text += (i ? ", " : "") + access[i];
    return text + ")";
}

std::string methodSignature(const MemberInfo& method) {
    std::string text = method.name + "(";
    for (size_t i = 0; i < method.params.size(); ++i) {
        const auto& param = method.params[i];
        text += (i ? ", " : "") + param.name;
        if (param.optional) {
            const std::string def = defaultText(param);
            text += " = " + (def.empty() ? std::string("None") : def);
        }
    }
    text += ")";
    if (method.result != VarType::Empty) text += std::string(" -> ") + typeName(method.result);
    return text;
}

const ClassInfo* classNamed(std::string_view coclassName) {
    for (const auto& info : libraryClasses()) {
        if (info.coclassName == coclassName) return &info;
    }
    return nullptr;
}

std::string parameterLine(const com::ParamInfo& param, const MemberDoc& doc) {
    std::string text;
    for (const auto& paramDoc : doc.params) {
        if (paramDoc.name == param.name) text = paramDoc.text;
    }
    std::string attributes = typeWithWidth(param.type);
    if (param.byRef) attributes += ", by reference";
    if (param.optional) {
        const std::string def = defaultText(param);
        attributes += def.empty() ? ", optional" : ", optional, default " + def;
    }
    return param.name + " (" + attributes + "): " + text;
}

// Markdown table cells may not hold a bar.
std::string cell(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

void writeMemberReference(std::ostringstream& out, const ClassInfo& info, const com::DispatchTable& table,
                          const MemberDoc& doc) {
    const auto accessors = accessorsOf(table, doc.name);
    if (accessors.empty()) return;
    out << "### " << info.coclassName << "." << doc.name << "\n\n";
    out << "`" << memberSignature(info, doc.name) << "`\n\n" << doc.summary << "\n\n";
    if (const MemberInfo* method = methodOf(accessors); method && !method->params.empty()) {
        out << "| parameter | type | default | meaning |\n|---|---|---|---|\n";
        for (const auto& param : method->params) {
            std::string text;
            for (const auto& paramDoc : doc.params) {
                if (paramDoc.name == param.name) text = paramDoc.text;
            }
            std::string type = typeWithWidth(param.type) + (param.byRef ? ", by reference" : "");
            std::string def = param.optional ? defaultText(param) : "required";
            if (param.optional && def.empty()) def = "omitted";
            out << "| `" << param.name << "` | " << type << " | " << cell(def) << " | " << cell(text) << " |\n";
        }
        out << "\n";
    }
    out << "- **Result:** " << doc.result << "\n- **On failure:** " << doc.failure << "\n\n";
}

}  // namespace

std::string memberSignature(const ClassInfo& info, std::string_view memberName) {
    auto object = info.create();
    const auto accessors = accessorsOf(object->dispatchTable(), memberName);
    if (accessors.empty()) return "";
    if (const MemberInfo* method = methodOf(accessors)) return methodSignature(*method);
    return propertySignature(accessors);
}

std::string memberHelp(const ClassInfo& info, std::string_view memberName) {
    const MemberDoc* doc = findMemberDoc(info.coclassName, memberName);
    if (!doc) return "";
    auto object = info.create();
    const auto accessors = accessorsOf(object->dispatchTable(), memberName);
    if (accessors.empty()) return "";
    std::ostringstream out;
    out << memberSignature(info, memberName) << "\n\n" << doc->summary << "\n";
    if (const MemberInfo* method = methodOf(accessors); method && !method->params.empty()) {
        out << "\nParameters:\n";
        for (const auto& param : method->params) out << "  " << parameterLine(param, *doc) << "\n";
    }
    out << "\nResult: " << doc->result << "\nOn failure: " << doc->failure << "\n";
    return out.str();
}

std::string memberHelpOfInterface(std::string_view interfaceName, std::string_view memberName) {
    for (const auto& info : libraryClasses()) {
        if (info.interfaceName == interfaceName) return memberHelp(info, memberName);
    }
    return "";
}

std::vector<std::string> documentationGaps(std::string_view coclassName, const com::DispatchTable& table) {
    std::vector<std::string> gaps;
    for (const auto& member : table.members()) {
        const MemberDoc* doc = findMemberDoc(coclassName, member.name);
        if (!doc || doc->summary.empty() || doc->result.empty() || doc->failure.empty()) {
            if (gaps.empty() || gaps.back() != member.name) gaps.push_back(member.name);
            continue;
        }
        if (member.kind != MemberKind::Method) continue;
        for (const auto& param : member.params) {
            bool described = false;
            for (const auto& paramDoc : doc->params) described |= paramDoc.name == param.name && !paramDoc.text.empty();
            if (!described) gaps.push_back(member.name + "(" + param.name + ")");
        }
    }
    if (const ClassDoc* classDoc = findClassDoc(coclassName)) {
        for (const auto& doc : classDoc->members) {
            const auto accessors = accessorsOf(table, doc.name);
            if (accessors.empty()) {
                gaps.push_back(doc.name + "?");
                continue;
            }
            const MemberInfo* method = methodOf(accessors);
            for (const auto& paramDoc : doc.params) {
                bool present = false;
                if (method) {
                    for (const auto& param : method->params) present |= param.name == paramDoc.name;
                }
                if (!present) gaps.push_back(doc.name + "(" + paramDoc.name + ")?");
            }
        }
    }
    return gaps;
}

std::string generateReference() {
    std::ostringstream out;
    out << "<!-- Generated from the dispatch tables and src/server/MemberDocs.cpp by `tavlora-idl --reference`;"
           " do not edit by hand. -->\n";
    out << "# API reference\n\n"
        << "Every member of the five classes, as C, Python and automation clients reach it by name. "
           "Types are those of the dispatch interface: Integer is 16-bit, Long 32-bit; Object is a "
           "library object (or None); an optional parameter left out takes its default. \"Raises an "
           "error\" means the call fails (in Python: `tavlora.Error`); every other failure is answered "
           "as the result shown. The guides in [README.md](README.md) explain how the members work "
           "together.\n\n";
    for (const auto& classDoc : classDocs()) {
        out << "- [" << classDoc.coclassName << "](#" << base::asciiLower(classDoc.coclassName) << ")\n";
    }
    out << "\n";
    for (const auto& classDoc : classDocs()) {
        const ClassInfo* info = classNamed(classDoc.coclassName);
        if (!info) continue;
        auto object = info->create();
        out << "## " << classDoc.coclassName << "\n\n" << classDoc.summary << " ProgID `" << info->progId
            << "`.\n\n";
        for (const auto& member : classDoc.members) writeMemberReference(out, *info, object->dispatchTable(), member);
    }
    return out.str();
}

}  // namespace tavlora::server
