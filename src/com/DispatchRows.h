#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "com/Dispatch.h"
#include "com/ObjectCast.h"

namespace tavlora::com {

using Arguments = std::vector<Variant>;

// A required parameter the implementation may write back (declared `ByRef` in the language).
inline ParamInfo byRefParam(std::string name, VarType type) { return {std::move(name), type, false, Variant(), true}; }
// An optional parameter; an omitted argument takes `defaultValue` (Missing: the implementation sees
// that it was left out).
inline ParamInfo optionalParam(std::string name, VarType type, Variant defaultValue = Variant::missing()) {
    return {std::move(name), type, true, std::move(defaultValue)};
}

namespace rows {

template <class>
inline constexpr bool kUnsupported = false;

template <class V>
struct IsSharedPtr : std::false_type {};
template <class V>
struct IsSharedPtr<std::shared_ptr<V>> : std::true_type {};

// One argument, already coerced to its declared type by the table, as the C++ parameter P.
template <class P>
decltype(auto) argumentAs(Variant& value) {
    using V = std::remove_cvref_t<P>;
    if constexpr (std::is_same_v<V, Variant>) {
        return (value);
    } else if constexpr (std::is_same_v<V, bool>) {
        return value.asBool();
    } else if constexpr (std::is_same_v<V, int16_t>) {
        return value.asInt16();
    } else if constexpr (std::is_same_v<V, int32_t>) {
        return value.asInt32();
    } else if constexpr (std::is_same_v<V, double>) {
        return value.asDouble();
    } else if constexpr (std::is_same_v<V, std::string>) {
        return value.asString();
    } else if constexpr (std::is_same_v<V, std::string_view>) {
        return std::string_view(value.asString());
    } else if constexpr (IsSharedPtr<V>::value) {
        return objectAs<typename V::element_type>(value);
    } else {
        static_assert(kUnsupported<V>, "no argument conversion to this parameter type: use a callable on Arguments&");
    }
}

// The declared type a C++ parameter needs; Any for a Variant, which takes whatever the caller gave.
template <class P>
constexpr VarType declaredTypeFor() {
    using V = std::remove_cvref_t<P>;
    if constexpr (std::is_same_v<V, bool>) return VarType::Boolean;
    if constexpr (std::is_same_v<V, int16_t>) return VarType::Integer;
    if constexpr (std::is_same_v<V, int32_t>) return VarType::Long;
    if constexpr (std::is_same_v<V, double>) return VarType::Double;
    if constexpr (std::is_same_v<V, std::string> || std::is_same_v<V, std::string_view>) return VarType::String;
    if constexpr (IsSharedPtr<V>::value) return VarType::Object;
    return VarType::Any;
}

template <class... P>
std::vector<VarType> declaredTypesFor(std::tuple<P...>*) {
    return {declaredTypeFor<P>()...};
}

// What a C++ result is to the caller: objects as references (a value that knows its automation
// face gives that), nothing as Empty.
template <class R>
Variant resultVariant(R&& result) {
    using V = std::remove_cvref_t<R>;
    if constexpr (IsSharedPtr<V>::value) {
        return com::objectVariant(result);
    } else if constexpr (requires { { result.toVariant() } -> std::same_as<Variant>; }) {
        return result.toVariant();
    } else {
        return Variant(std::forward<R>(result));
    }
}

// The parameters of a member function pointer (the object excluded), or of a function or a
// callable's call operator (the first parameter, the object, included).
template <class F>
struct Signature : Signature<decltype(&F::operator())> {
    static constexpr bool kTakesObject = true;
};
template <class R, class... P>
struct Signature<R (*)(P...)> {
    using Params = std::tuple<P...>;
    static constexpr bool kTakesObject = true;
};
template <class R, class C, class... P>
struct Signature<R (C::*)(P...)> {
    using Params = std::tuple<P...>;
    static constexpr bool kTakesObject = false;
};
template <class R, class C, class... P>
struct Signature<R (C::*)(P...) const> : Signature<R (C::*)(P...)> {};
template <class R, class C, class... P>
struct Signature<R (C::*)(P...) noexcept> : Signature<R (C::*)(P...)> {};
template <class R, class C, class... P>
struct Signature<R (C::*)(P...) const noexcept> : Signature<R (C::*)(P...)> {};

template <class Tuple>
struct DropFirst {
    using Type = std::tuple<>;
};
template <class First, class... Rest>
struct DropFirst<std::tuple<First, Rest...>> {
    using Type = std::tuple<Rest...>;
};

// The parameters that stand for automation arguments: a callable's object parameter left out.
template <class F>
using ArgumentParams = std::conditional_t<Signature<F>::kTakesObject, typename DropFirst<typename Signature<F>::Params>::Type,
                                          typename Signature<F>::Params>;

template <class F>
constexpr bool kTakesArgumentVector = std::is_same_v<ArgumentParams<F>, std::tuple<Arguments&>>;

template <class F, class T, class... A>
Variant invokeForResult(F& f, T& object, A&&... arguments) {
    if constexpr (std::is_void_v<std::invoke_result_t<F&, T&, A...>>) {
        std::invoke(f, object, std::forward<A>(arguments)...);
        return Variant();
    } else {
        return resultVariant(std::invoke(f, object, std::forward<A>(arguments)...));
    }
}

template <class F, class T, class... P, size_t... I>
Variant invokeUnpacked(F& f, T& object, Arguments& args, std::tuple<P...>*, std::index_sequence<I...>) {
    return invokeForResult(f, object, argumentAs<P>(args[I])...);
}

template <class F, class T>
Variant invoke(F& f, T& object, Arguments& args) {
    if constexpr (kTakesArgumentVector<F>) {
        return invokeForResult(f, object, args);
    } else {
        using Params = ArgumentParams<F>;
        return invokeUnpacked(f, object, args, static_cast<Params*>(nullptr),
                              std::make_index_sequence<std::tuple_size_v<Params>>());
    }
}

template <class T>
T& staticTarget(Dispatch& object) {
    return static_cast<T&>(object);
}

}  // namespace rows

// Builds the member table of one dispatch interface row by row, in slot order. A row names the
// member, its dispatch identifier, its kind, its declared parameters and result, and what runs it:
// a member function pointer of T, or a callable whose first parameter is the T. Either takes one
// C++ parameter per declared parameter (bool, int16_t, int32_t, double, std::string, string_view,
// Variant or std::shared_ptr to an object class), filled from the arguments after the table has coerced them,
// or a callable takes `Arguments&` and reads them itself. Results are wrapped the same way; a
// function without one answers Empty.
//
// `targetOf` finds the T behind the object a client holds; by default the object is the T.
template <class T>
class DispatchRows {
public:
    using TargetOf = T& (*)(Dispatch&);

    explicit DispatchRows(std::string interfaceName = {}, TargetOf targetOf = &rows::staticTarget<T>)
        : interfaceName_(std::move(interfaceName)), targetOf_(targetOf) {}

    template <class F>
    DispatchRows& method(std::string name, DISPID id, std::vector<ParamInfo> params, VarType result, F run) {
        return add(std::move(name), id, MemberKind::Method, std::move(params), result, std::move(run));
    }
    template <class F>
    DispatchRows& method(std::string name, DISPID id, VarType result, F run) {
        return method(std::move(name), id, {}, result, std::move(run));
    }
    // Property get; `indexes` for an indexed property.
    template <class F>
    DispatchRows& get(std::string name, DISPID id, VarType type, F read, std::vector<ParamInfo> indexes = {}) {
        return add(std::move(name), id, MemberKind::PropertyGet, std::move(indexes), type, std::move(read));
    }
    // Property let of a value; the new value is the one parameter "RHS".
    template <class F>
    DispatchRows& let(std::string name, DISPID id, VarType type, F write) {
        return add(std::move(name), id, MemberKind::PropertyLet, {ParamInfo("RHS", type)}, VarType::Empty,
                   std::move(write));
    }
    // Property set of an object reference.
    template <class F>
    DispatchRows& set(std::string name, DISPID id, F write) {
        return add(std::move(name), id, MemberKind::PropertySet, {ParamInfo("RHS", VarType::Object)}, VarType::Empty,
                   std::move(write));
    }
    // Rows made elsewhere, such as the members every object standing for a chart shares.
    DispatchRows& append(std::vector<MemberInfo> more) {
        members_.insert(members_.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        return *this;
    }

    // Both leave the builder empty.
    std::vector<MemberInfo> members() { return std::move(members_); }
    DispatchTable build() { return DispatchTable(std::move(interfaceName_), std::move(members_)); }

private:
    template <class F>
    DispatchRows& add(std::string name, DISPID id, MemberKind kind, std::vector<ParamInfo> params, VarType result,
                      F run) {
        if constexpr (!rows::kTakesArgumentVector<F>) {
            checkParameters(name, params, rows::declaredTypesFor(static_cast<rows::ArgumentParams<F>*>(nullptr)));
        }
        TargetOf targetOf = targetOf_;
        MemberImpl impl = [run = std::move(run), targetOf](Dispatch& object, Arguments& args) mutable {
            return rows::invoke(run, targetOf(object), args);
        };
        members_.push_back({std::move(name), id, kind, std::move(params), result, std::move(impl)});
        return *this;
    }

    // A row whose C++ function could not take what the table hands it is refused when the table is
    // built, not when a client first calls the member.
    void checkParameters(const std::string& name, const std::vector<ParamInfo>& params,
                         const std::vector<VarType>& takes) const {
        auto refuse = [&](const std::string& why) { throw Error(hr::kInvalidArg, interfaceName_ + "." + name + ": " + why); };
        if (takes.size() != params.size()) {
            refuse("the implementation takes " + std::to_string(takes.size()) + " argument(s), the row declares " +
                   std::to_string(params.size()));
        }
        for (size_t i = 0; i < params.size(); ++i) {
            if (takes[i] == VarType::Any) continue;
            if (params[i].type != takes[i]) refuse(params[i].name + " is declared with another type than the implementation takes");
            if (params[i].optional && params[i].defaultValue.isMissing())
                refuse(params[i].name + " may arrive Missing, which only a Variant parameter can take");
        }
    }

    std::string interfaceName_;
    TargetOf targetOf_;
    std::vector<MemberInfo> members_;
};

}  // namespace tavlora::com
