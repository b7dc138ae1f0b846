#include "com/Dispatch.h"

#include <array>
#include <cstddef>

#include "com/Conversions.h"

namespace tavlora::com {

namespace {

uint64_t idAndKindKey(DISPID dispid, MemberKind kind) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(dispid)) << 8) | static_cast<uint8_t>(kind);
}

const char* kindName(MemberKind kind) {
    switch (kind) {
        case MemberKind::Method: return "method";
        case MemberKind::PropertyGet: return "property get";
        case MemberKind::PropertyLet: return "property let";
        case MemberKind::PropertySet: return "property set";
    }
    return "member";
}

bool isPut(MemberKind kind) { return kind == MemberKind::PropertyLet || kind == MemberKind::PropertySet; }

std::string memberTitle(const DispatchTable& table, const MemberInfo& member) {
    return table.interfaceName() + "." + member.name;
}

// Upper-cases an ASCII name into a stack buffer so that the common lookup allocates nothing;
// answers false when the name is not short ASCII and needs the full Unicode mapping.
bool upperAsciiInto(std::string_view name, std::array<char, 64>& buffer, std::string_view& out) {
    if (name.size() > buffer.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80) return false;
        buffer[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : static_cast<char>(c);
    }
    out = std::string_view(buffer.data(), name.size());
    return true;
}

// Where the argument for parameter `param` sits in the caller's arguments, or -1 when omitted.
// For a property let or set the last argument is always the new value and fills the last
// parameter, even when optional index arguments before it were left out.
ptrdiff_t argumentIndex(const MemberInfo& member, size_t argCount, size_t param) {
    size_t paramCount = member.params.size();
    bool valueIsLast = isPut(member.kind) && argCount >= 1 && argCount < paramCount;
    if (valueIsLast) {
        if (param == paramCount - 1) return static_cast<ptrdiff_t>(argCount - 1);
        return param < argCount - 1 ? static_cast<ptrdiff_t>(param) : -1;
    }
    return param < argCount ? static_cast<ptrdiff_t>(param) : -1;
}

Variant coerceParameter(const DispatchTable& table, const MemberInfo& member, size_t param,
                        const Variant& value) {
    try {
        return coerceArgument(value, member.params[param].type);
    } catch (const Error& e) {
        throw Error(e.code(), memberTitle(table, member) + ": argument " + std::to_string(param + 1) + " (" +
                                  member.params[param].name + "): " + e.what());
    }
}

void checkArgumentCount(const DispatchTable& table, const MemberInfo& member, size_t argCount) {
    if (argCount > member.params.size()) {
        throw Error(hr::kDispBadParamCount, memberTitle(table, member) + " takes at most " +
                                                std::to_string(member.params.size()) + " argument(s), " +
                                                std::to_string(argCount) + " given");
    }
}

// Turns one supplied (or Missing) argument into what the implementation receives.
void settleArgument(const DispatchTable& table, const MemberInfo& member, size_t param, Variant& slot) {
    const ParamInfo& info = member.params[param];
    if (slot.isMissing()) {
        if (!info.optional) {
            throw Error(hr::kDispParamNotOptional, memberTitle(table, member) + ": argument " +
                                                       std::to_string(param + 1) + " (" + info.name +
                                                       ") is not optional");
        }
        slot = info.defaultValue;
    } else if (info.type != VarType::Any && slot.type() != info.type) {
        slot = coerceParameter(table, member, param, slot);
    }
}

// The implementation's arguments as copies, leaving the caller's untouched.
std::vector<Variant> copyArguments(const DispatchTable& table, const MemberInfo& member,
                                   const std::vector<Variant>& args) {
    checkArgumentCount(table, member, args.size());
    const size_t paramCount = member.params.size();
    std::vector<Variant> actual;
    actual.reserve(paramCount);
    for (size_t p = 0; p < paramCount; ++p) {
        ptrdiff_t source = argumentIndex(member, args.size(), p);
        actual.push_back(source < 0 ? Variant::missing() : args[static_cast<size_t>(source)]);
        settleArgument(table, member, p, actual.back());
    }
    return actual;
}

// The implementation's arguments made in place from arguments the caller gives away, so that
// values which already have their declared type are neither copied nor converted.
void settleGivenArguments(const DispatchTable& table, const MemberInfo& member, std::vector<Variant>& args) {
    checkArgumentCount(table, member, args.size());
    const size_t argCount = args.size();
    const size_t paramCount = member.params.size();
    if (argCount < paramCount) {
        args.resize(paramCount, Variant::missing());
        if (isPut(member.kind) && argCount >= 1) std::swap(args[argCount - 1], args[paramCount - 1]);
    }
    for (size_t p = 0; p < paramCount; ++p) settleArgument(table, member, p, args[p]);
}

// Gives the caller what the implementation left in its by-reference arguments. Omitted
// arguments have no caller variable behind them and are skipped.
void writeBackByRef(const MemberInfo& member, std::vector<Variant>& actual, std::vector<Variant>& args) {
    const size_t argCount = args.size();
    for (size_t p = 0; p < member.params.size(); ++p) {
        if (!member.params[p].byRef) continue;
        ptrdiff_t source = argumentIndex(member, argCount, p);
        if (source < 0 || args[static_cast<size_t>(source)].isMissing()) continue;
        args[static_cast<size_t>(source)] = std::move(actual[p]);
    }
}

bool hasByRef(const MemberInfo& member) {
    for (const ParamInfo& param : member.params)
        if (param.byRef) return true;
    return false;
}

[[noreturn]] void throwMemberNotFound(const DispatchTable& table, DISPID dispid, MemberKind kind) {
    throw Error(hr::kDispMemberNotFound, table.interfaceName() + ": no " + kindName(kind) +
                                             " with dispatch identifier " + std::to_string(dispid));
}

[[noreturn]] void throwConversion(HRESULT code, const std::string& message) { throw Error(code, message); }

Variant coerceObject(const Variant& value) {
    if (value.type() == VarType::Object) return value;
    if (value.isEmpty()) return Variant(ObjectPtr{});
    throwConversion(hr::kDispTypeMismatch, "Type mismatch: an object is required");
}

Variant coerceExact(const Variant& value, VarType type, const char* what) {
    if (value.type() == type) return value;
    throwConversion(hr::kDispTypeMismatch, std::string("Type mismatch: ") + what + " is required");
}

Variant convertScalar(const Variant& value, VarType type) {
    switch (type) {
        case VarType::Boolean: return Variant(toBool(value));
        case VarType::Integer: return Variant(toInt16(value));
        case VarType::Long: return Variant(toInt32(value));
        case VarType::LongLong: return Variant(toInt64(value));
        case VarType::Double: return Variant(toDouble(value));
        case VarType::Currency: return Variant::currency(toCurrencyScaled(value));
        case VarType::Date: return Variant::date(toDateSerial(value));
        case VarType::String: return Variant(toText(value));
        default: break;
    }
    throwConversion(hr::kDispTypeMismatch, "Type mismatch");
}

// The language's run-time errors of a conversion become the dispatch codes a caller of Invoke
// expects; the message is kept.
HRESULT dispatchCodeOf(HRESULT runtimeCode) {
    return runtimeCode == hr::kOverflow ? hr::kDispOverflow : hr::kDispTypeMismatch;
}

// Gives each optional parameter's default the declared type, as the language does for
// `Optional x As Integer`, so that implementations can rely on the declared type. Missing stays
// Missing (an implementation may want to see that the argument was left out).
void normaliseDefaults(const std::string& interfaceName, MemberInfo& member) {
    for (ParamInfo& param : member.params) {
        if (!param.optional || param.defaultValue.isMissing()) continue;
        try {
            param.defaultValue = coerceArgument(param.defaultValue, param.type);
        } catch (const Error& e) {
            throw Error(hr::kInvalidArg, interfaceName + "." + member.name + ": the default of " + param.name +
                                             " does not fit its type: " + e.what());
        }
    }
}

}  // namespace

DispatchTable::DispatchTable(std::string interfaceName, std::vector<MemberInfo> members)
    : interfaceName_(std::move(interfaceName)), members_(std::move(members)) {
    idsByUpperName_.reserve(members_.size());
    indexByIdAndKind_.reserve(members_.size());
    for (size_t i = 0; i < members_.size(); ++i) addMember(i);
}

void DispatchTable::addMember(size_t index) {
    normaliseDefaults(interfaceName_, members_[index]);
    const MemberInfo& member = members_[index];
    if (!indexByIdAndKind_.emplace(idAndKindKey(member.dispid, member.kind), index).second) {
        throw Error(hr::kInvalidArg, interfaceName_ + "." + member.name + ": the " + kindName(member.kind) +
                                         " with dispatch identifier " + std::to_string(member.dispid) +
                                         " is declared twice");
    }
    auto [it, inserted] = idsByUpperName_.emplace(upperCase(member.name), member.dispid);
    if (!inserted && it->second != member.dispid) {
        throw Error(hr::kInvalidArg, interfaceName_ + "." + member.name +
                                         ": one name cannot have two dispatch identifiers");
    }
    if (isPut(member.kind) && member.params.empty()) {
        throw Error(hr::kInvalidArg, interfaceName_ + "." + member.name + ": a " + kindName(member.kind) +
                                         " needs a parameter for the new value");
    }
}

DISPID DispatchTable::idOfName(std::string_view name) const {
    std::array<char, 64> buffer;
    std::string_view key;
    std::string unicodeKey;
    if (!upperAsciiInto(name, buffer, key)) {
        unicodeKey = upperCase(name);
        key = unicodeKey;
    }
    auto it = idsByUpperName_.find(key);
    if (it == idsByUpperName_.end()) {
        throw Error(hr::kDispUnknownName, interfaceName_ + " has no member named \"" + std::string(name) + "\"");
    }
    return it->second;
}

const MemberInfo* DispatchTable::find(DISPID dispid, MemberKind kind) const {
    auto it = indexByIdAndKind_.find(idAndKindKey(dispid, kind));
    return it == indexByIdAndKind_.end() ? nullptr : &members_[it->second];
}

namespace {

const MemberInfo& implementedMember(const DispatchTable& table, DISPID dispid, MemberKind kind) {
    const MemberInfo* member = table.find(dispid, kind);
    if (!member) throwMemberNotFound(table, dispid, kind);
    if (!member->impl) {
        throw Error(hr::kNotImplemented, memberTitle(table, *member) + " is not implemented");
    }
    return *member;
}

Variant resultOf(const MemberInfo& member, Variant result) {
    return member.result == VarType::Empty ? Variant() : result;
}

// For callers that give their arguments away: nothing is written back.
Variant invokeWithGivenArguments(Dispatch& self, DISPID dispid, MemberKind kind, std::vector<Variant>& args) {
    const DispatchTable& table = self.dispatchTable();
    const MemberInfo& member = implementedMember(table, dispid, kind);
    settleGivenArguments(table, member, args);
    return resultOf(member, member.impl(self, args));
}

}  // namespace

Variant Dispatch::Invoke(DISPID dispid, MemberKind kind, std::vector<Variant>& args) {
    const DispatchTable& table = dispatchTable();
    const MemberInfo& member = implementedMember(table, dispid, kind);
    std::vector<Variant> actual = copyArguments(table, member, args);
    if (!hasByRef(member)) return resultOf(member, member.impl(*this, actual));
    Variant result;
    // The caller sees what was written so far even when the member then fails.
    try {
        result = member.impl(*this, actual);
    } catch (...) {
        writeBackByRef(member, actual, args);
        throw;
    }
    writeBackByRef(member, actual, args);
    return resultOf(member, std::move(result));
}

Variant Dispatch::Invoke(DISPID dispid, MemberKind kind, std::vector<Variant>&& args) {
    return invokeWithGivenArguments(*this, dispid, kind, args);
}

Variant Dispatch::call(std::string_view name, std::vector<Variant> args) {
    const DispatchTable& table = dispatchTable();
    DISPID dispid = table.idOfName(name);
    MemberKind kind = table.find(dispid, MemberKind::Method) ? MemberKind::Method : MemberKind::PropertyGet;
    return invokeWithGivenArguments(*this, dispid, kind, args);
}

void Dispatch::put(std::string_view name, Variant value) { put(name, {}, std::move(value)); }

void Dispatch::put(std::string_view name, std::vector<Variant> indexes, Variant value) {
    const DispatchTable& table = dispatchTable();
    DISPID dispid = table.idOfName(name);
    bool hasSet = table.find(dispid, MemberKind::PropertySet) != nullptr;
    bool hasLet = table.find(dispid, MemberKind::PropertyLet) != nullptr;
    MemberKind kind = MemberKind::PropertyLet;
    if (hasSet && (value.type() == VarType::Object || !hasLet)) kind = MemberKind::PropertySet;
    indexes.push_back(std::move(value));
    invokeWithGivenArguments(*this, dispid, kind, indexes);
}

Variant coerceArgument(const Variant& value, VarType type) {
    if (type == VarType::Any || value.type() == type) return value;
    switch (type) {
        case VarType::Object: return coerceObject(value);
        case VarType::Array: return coerceExact(value, type, "an array");
        case VarType::Error: return coerceExact(value, type, "an error value");
        case VarType::Empty:
        case VarType::Null: return coerceExact(value, type, "no value");
        default: break;
    }
    try {
        return convertScalar(value, type);
    } catch (const Error& e) {
        throw Error(dispatchCodeOf(e.code()), e.what());
    }
}

}  // namespace tavlora::com
