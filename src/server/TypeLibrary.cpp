#include "server/TypeLibrary.h"

#include <cstdio>
#include <sstream>

#include "com/Conversions.h"
#include "server/ClassRegistry.h"
#include "server/MemberDocs.h"

namespace tavlora::server {

namespace {

std::string bareId(const std::string& id) {
    if (id.size() >= 2 && id.front() == '{' && id.back() == '}') return id.substr(1, id.size() - 2);
    return id;
}

std::string hex(com::DISPID id) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<uint32_t>(id));
    return buffer;
}

std::string idlType(com::VarType type) {
    switch (type) {
        case com::VarType::Boolean: return "VARIANT_BOOL";
        case com::VarType::Integer: return "short";
        case com::VarType::Long: return "long";
        case com::VarType::LongLong: return "__int64";
        case com::VarType::Double: return "double";
        case com::VarType::Currency: return "CURRENCY";
        case com::VarType::Date: return "DATE";
        case com::VarType::String: return "BSTR";
        case com::VarType::Object: return "IDispatch*";
        case com::VarType::Array: return "SAFEARRAY(VARIANT)";
        default: return "VARIANT";
    }
}

std::string escapeIdlString(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string defaultValueText(const com::ParamInfo& param) {
    const auto& value = param.defaultValue;
    switch (value.type()) {
        case com::VarType::String: return "\"" + escapeIdlString(value.asString()) + "\"";
        case com::VarType::Boolean: return value.asBool() ? "-1" : "0";
        case com::VarType::Empty:
        case com::VarType::Error: return "";
        default: return com::toText(value);
    }
}

std::string parameterText(const com::ParamInfo& param) {
    std::string attributes = param.byRef ? "in, out" : "in";
    if (param.optional) {
        std::string def = defaultValueText(param);
        attributes += def.empty() ? ", optional" : ", optional, defaultvalue(" + def + ")";
    }
    std::string type = idlType(param.type);
    if (param.byRef) type += "*";
    return "[" + attributes + "] " + type + " " + param.name;
}

std::string memberAttributes(const com::MemberInfo& member, const MemberDoc* doc) {
    std::string attributes = "id(" + hex(member.dispid) + ")";
    switch (member.kind) {
        case com::MemberKind::PropertyGet: attributes += ", propget"; break;
        case com::MemberKind::PropertyLet: attributes += ", propput"; break;
        case com::MemberKind::PropertySet: attributes += ", propputref"; break;
        case com::MemberKind::Method: break;
    }
    if (doc) attributes += ", helpstring(\"" + escapeIdlString(doc->summary) + "\")";
    return attributes;
}

void writeMember(std::ostringstream& out, const com::MemberInfo& member, const MemberDoc* doc) {
    std::vector<std::string> parameters;
    for (const auto& param : member.params) parameters.push_back(parameterText(param));
    if (member.result != com::VarType::Empty) {
        parameters.push_back("[out, retval] " + idlType(member.result) + "* pResult");
    }
    out << "        [" << memberAttributes(member, doc) << "]\n        HRESULT " << member.name << "(";
    for (size_t i = 0; i < parameters.size(); ++i) {
        out << (i == 0 ? "" : ", ") << parameters[i];
    }
    out << ");\n";
}

void writeInterface(std::ostringstream& out, const ClassInfo& info) {
    auto object = info.create();
    const auto& table = object->dispatchTable();
    out << "    [\n      odl,\n      uuid(" << bareId(info.interfaceId)
        << "),\n      version(1.0),\n      hidden,\n      dual,\n      nonextensible,\n      oleautomation\n    ]\n";
    out << "    interface " << info.interfaceName << " : IDispatch {\n";
    for (const auto& member : table.members()) {
        writeMember(out, member, findMemberDoc(info.coclassName, member.name));
    }
    out << "    };\n\n";
    out << "    [\n      uuid(" << bareId(info.classId) << "),\n      version(1.0)";
    if (const ClassDoc* doc = findClassDoc(info.coclassName)) {
        out << ",\n      helpstring(\"" << escapeIdlString(doc->summary) << "\")";
    }
    out << "\n    ]\n";
    out << "    coclass " << info.coclassName << " {\n        [default] interface " << info.interfaceName
        << ";\n    };\n\n";
}

void writeTypes(std::ostringstream& out, const TypeLibraryInfo& lib) {
    out << "    typedef [uuid(" << bareId(lib.sWhiteColId) << "), version(1.0)]\n"
        << "    struct tagSWhiteCol {\n        BSTR strFld;\n        short nRowOffset;\n        short nRowAdd;\n"
        << "    } SWhiteCol;\n\n";
    out << "    typedef [uuid(" << bareId(lib.ePosTypeId) << "), version(1.0)]\n"
        << "    enum tagePosType {\n        ePosType_No = 0,\n        ePosType_RowCol = 1,\n        ePosType_A1 = 2\n"
        << "    } ePosType;\n\n";
}

}  // namespace

std::string generateIdl() {
    const auto& lib = typeLibraryInfo();
    std::ostringstream out;
    out << "// Generated from the dispatch tables of the library; do not edit by hand.\n";
    out << "[\n  uuid(" << bareId(lib.libraryId) << "),\n  version(" << lib.majorVersion << "." << lib.minorVersion
        << ")\n]\nlibrary " << lib.name << "\n{\n    importlib(\"stdole2.tlb\");\n\n";
    writeTypes(out, lib);
    for (const auto& info : libraryClasses()) writeInterface(out, info);
    out << "};\n";
    return out.str();
}

}  // namespace tavlora::server
