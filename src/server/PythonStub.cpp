#include "server/PythonStub.h"

#include <map>
#include <sstream>
#include <vector>

#include "com/Dispatch.h"
#include "server/ClassRegistry.h"
#include "tavlora/Constants.h"

namespace tavlora::server {

namespace {

std::string pythonType(com::VarType type) {
    switch (type) {
        case com::VarType::Empty: return "None";
        case com::VarType::Boolean: return "bool";
        case com::VarType::Integer:
        case com::VarType::Long:
        case com::VarType::LongLong: return "int";
        case com::VarType::Double:
        case com::VarType::Currency:
        case com::VarType::Date: return "float";
        case com::VarType::String: return "str";
        case com::VarType::Object: return "Object | None";
        case com::VarType::Array: return "list[Any]";
        default: return "Any";
    }
}

std::string parameterText(const com::ParamInfo& param) {
    return param.name + ": " + pythonType(param.type) + (param.optional ? " = ..." : "");
}

// One class per interface; a property is an attribute (typed by its getter, or by the value its
// setter takes), a method or a property with parameters a method.
void writeClass(std::ostringstream& out, const ClassInfo& info) {
    const auto& table = info.create()->dispatchTable();
    out << "class " << info.coclassName << "(Object):\n";
    out << "    \"\"\"" << info.progId << " (interface " << info.interfaceName << ").\"\"\"\n";
    std::map<std::string, com::VarType> attributes;
    std::vector<const com::MemberInfo*> methods;
    for (const auto& member : table.members()) {
        const bool plainGet = member.kind == com::MemberKind::PropertyGet && member.params.empty();
        const bool plainPut = member.kind != com::MemberKind::Method && member.kind != com::MemberKind::PropertyGet &&
                              member.params.size() == 1;
        if (plainGet) {
            attributes[member.name] = member.result;
        } else if (plainPut) {
            attributes.try_emplace(member.name, member.params.front().type);
        } else {
            methods.push_back(&member);
        }
    }
    for (const auto& [name, type] : attributes) out << "    " << name << ": " << pythonType(type) << "\n";
    for (const auto* member : methods) {
        out << "    def " << member->name << "(self";
        for (const auto& param : member->params) out << ", " << parameterText(param);
        out << ") -> " << pythonType(member->result) << ": ...\n";
    }
    out << "\n";
}

void writeConstants(std::ostringstream& out) {
    std::string_view group;
    for (const auto& constant : kNamedConstants) {
        if (constant.group != group) {
            group = constant.group;
            out << "\n# " << group << "\n";
        }
        out << constant.name << ": Final = " << constant.value << "\n";
    }
}

constexpr const char* kPreamble = R"(# Generated from the dispatch tables of the library (tavlora-idl --python-stub); do not edit.
from typing import Any, Callable, Final, Iterable, Literal, Mapping, Sequence, overload

class Error(Exception):
    hresult: int
    def __init__(self, message: str, hresult: int) -> None: ...

class Object:
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: Any) -> None: ...

def last_failure() -> str: ...
def clear_last_failure() -> None: ...
def set_failure_log(log: Callable[[str], None] | None) -> None: ...
def log_failures_to_stderr() -> None: ...
def SqliteRecordset(database: str, sql: str) -> Object: ...
def OdbcRecordset(connection: str, sql: str) -> Object: ...
class Recordset:
    @staticmethod
    def from_cursor(cursor: Any, block_rows: int = ...) -> Object: ...
    @staticmethod
    def from_rows(fields: Sequence[str], rows: Iterable[Sequence[Any] | Mapping[str, Any]], block_rows: int = ...) -> Object: ...
def MemoryRecordset(fields: Sequence[str], rows: Iterable[Sequence[Any]]) -> Object: ...
def XmlDocument(path: str) -> Object: ...

)";

}  // namespace

std::string generatePythonStub() {
    std::ostringstream out;
    out << kPreamble;
    for (const auto& info : libraryClasses()) writeClass(out, info);
    for (const auto& info : libraryClasses()) {
        out << "@overload\ndef CreateObject(prog_id: Literal[\"" << info.progId << "\"]) -> " << info.coclassName
            << ": ...\n";
    }
    out << "@overload\ndef CreateObject(prog_id: str) -> Object: ...\n";
    writeConstants(out);
    return out.str();
}

}  // namespace tavlora::server
