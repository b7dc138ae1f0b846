#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tavlora/Export.h"
#include "com/Variant.h"

namespace tavlora::com {

using DISPID = int32_t;

enum class MemberKind : uint8_t { Method, PropertyGet, PropertyLet, PropertySet };

struct ParamInfo {
    // A constructor rather than aggregate initialisation, so that short forms such as
    // {"RHS", VarType::String} leave the remaining fields at their defaults without warnings.
    ParamInfo() = default;
    ParamInfo(std::string name, VarType type = VarType::Any, bool optional = false, Variant defaultValue = {},
              bool byRef = false)
        : name(std::move(name)), type(type), optional(optional), defaultValue(std::move(defaultValue)), byRef(byRef) {}

    std::string name;
    VarType type = VarType::Any;  // declared type; arguments are coerced to it
    bool optional = false;
    Variant defaultValue;          // taken when an optional argument is omitted; the table coerces
                                   // it to `type` once (Empty gives 0, "", False, Nothing, ...)
    bool byRef = false;            // the implementation may write the argument back
};

class Dispatch;
// Arguments arrive positional, already coerced to the declared types, with defaults filled in.
using MemberImpl = std::function<Variant(Dispatch& self, std::vector<Variant>& args)>;

struct MemberInfo {
    std::string name;
    DISPID dispid = 0;
    MemberKind kind = MemberKind::Method;
    std::vector<ParamInfo> params;
    VarType result = VarType::Empty;  // Empty = no result
    MemberImpl impl;
};

// The declarative member table of one dispatch interface. Built once per class (a function-local
// static is fine: it is immutable after construction), looked up through hashes.
class DispatchTable {
public:
    DispatchTable(std::string interfaceName, std::vector<MemberInfo> members);

    const std::string& interfaceName() const { return interfaceName_; }
    const std::vector<MemberInfo>& members() const { return members_; }
    // Letter case ignored; DISP_E_UNKNOWNNAME when absent.
    DISPID idOfName(std::string_view name) const;
    // The member for an identifier and access kind, or nullptr.
    const MemberInfo* find(DISPID dispid, MemberKind kind) const;

private:
    // Hash of the upper-cased names; lookups take a string_view without building a key string.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const noexcept { return std::hash<std::string_view>{}(name); }
    };
    void addMember(size_t index);

    std::string interfaceName_;
    std::vector<MemberInfo> members_;
    std::unordered_map<std::string, DISPID, NameHash, std::equal_to<>> idsByUpperName_;
    std::unordered_map<uint64_t, size_t> indexByIdAndKind_;
};

// Base of every object an automation client can hold. Objects are shared_ptr-owned.
class TAVLORA_API Dispatch : public std::enable_shared_from_this<Dispatch> {
public:
    virtual ~Dispatch() = default;
    virtual const DispatchTable& dispatchTable() const = 0;

    DISPID GetIDsOfNames(std::string_view name) const { return dispatchTable().idOfName(name); }
    // Positional arguments; Variant::missing() or absent trailing arguments take the defaults.
    // Coerces to declared types (DISP_E_OVERFLOW, DISP_E_TYPEMISMATCH), checks counts
    // (DISP_E_PARAMNOTOPTIONAL, DISP_E_BADPARAMCOUNT). Arguments declared byRef are written back
    // into args. Errors of the member itself propagate as com::Error.
    Variant Invoke(DISPID dispid, MemberKind kind, std::vector<Variant>& args);
    // The same for arguments the caller gives away: converted in place, nothing written back.
    Variant Invoke(DISPID dispid, MemberKind kind, std::vector<Variant>&& args);

    // By name: a method or property get.
    Variant call(std::string_view name, std::vector<Variant> args = {});
    Variant get(std::string_view name, std::vector<Variant> args = {}) { return call(name, std::move(args)); }
    // Property let (or set, for objects). The new value fills the member's last parameter.
    void put(std::string_view name, Variant value);
    // The same for an indexed property: the index arguments come first.
    void put(std::string_view name, std::vector<Variant> indexes, Variant value);
};

// Coerces a value to a declared parameter type with the language's rules; throws com::Error with
// DISP_E_OVERFLOW / DISP_E_TYPEMISMATCH.
Variant coerceArgument(const Variant& value, VarType type);

}  // namespace tavlora::com
