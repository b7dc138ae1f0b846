#pragma once
#include <oaidl.h>
#include <windows.h>

#include "com/Variant.h"

// VARIANT and the library's Variant, both ways. An object of the library goes out as its own
// IDispatch; an IDispatch the caller hands in comes back as the library's object when it is one,
// as a recordset when it answers EOF, MoveNext and Fields, as a copy of its XML when it is an XML
// node or node list (ForeignXml.h), and else is refused.
namespace tavlora::server::windows {

// Reads a VARIANT, following by-reference variants. Unsupported types are a type mismatch
// (com::Error).
com::Variant fromVariant(const VARIANT& value);
// Writes `value` into `out`, which must be empty (VariantInit'ed); com::Error when it cannot be.
void toVariant(const com::Variant& value, VARIANT& out);

}  // namespace tavlora::server::windows
