#pragma once
#include <memory>

#include "com/Dispatch.h"
#include "com/Variant.h"

namespace tavlora::com {

// The object a Variant refers to, as T. Empty, Nothing and a missing argument give null; a value of
// another kind, or an object of another class, is a type mismatch.
template <class T>
std::shared_ptr<T> objectAs(const Variant& value) {
    if (value.isEmpty() || value.isMissing()) return nullptr;
    if (value.type() != VarType::Object) throw Error(hr::kTypeMismatch, "Type mismatch");
    if (!value.asObject()) return nullptr;
    auto typed = std::dynamic_pointer_cast<T>(value.asObject());
    if (!typed) throw Error(hr::kTypeMismatch, "Type mismatch");
    return typed;
}

// A Variant holding an object reference (Nothing for null).
template <class T>
Variant objectVariant(const std::shared_ptr<T>& object) {
    return Variant(std::static_pointer_cast<Dispatch>(object));
}

}  // namespace tavlora::com
