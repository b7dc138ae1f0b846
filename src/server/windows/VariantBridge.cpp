#include "server/windows/VariantBridge.h"

#include <memory>

#include "server/windows/ForeignRecordset.h"
#include "server/windows/ForeignXml.h"
#include "server/windows/ServerObject.h"
#include "server/windows/WideText.h"

namespace tavlora::server::windows {

namespace {

[[noreturn]] void mismatch(VARTYPE type) {
    throw com::Error(com::hr::kTypeMismatch, "Type mismatch: a value of variant type " + std::to_string(type) +
                                                 " cannot be passed to the library");
}

com::Variant fromObject(IDispatch* object) {
    if (!object) return com::Variant(com::ObjectPtr());
    if (com::ObjectPtr own = unwrapObject(object)) return com::Variant(own);
    if (auto recordset = ForeignRecordset::tryWrap(object))
        return com::Variant(std::static_pointer_cast<com::Dispatch>(recordset));
    if (auto xml = copyForeignXml(object)) return *xml;
    throw com::Error(com::hr::kTypeMismatch,
                     "Type mismatch: the object is neither one of the library's, nor a recordset (EOF, MoveNext, "
                     "Fields), nor an XML node (nodeType, nodeName) or node list (length, item)");
}

com::Variant fromArray(SAFEARRAY* array) {
    if (!array) return com::Variant::array({});
    if (SafeArrayGetDim(array) != 1) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: only one-dimensional arrays");
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    VARTYPE elementType = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &elementType))) mismatch(VT_ARRAY);
    std::vector<com::Variant> items;
    items.reserve(static_cast<size_t>(upper - lower + 1));
    for (LONG i = lower; i <= upper; ++i) {
        VARIANT element;
        VariantInit(&element);
        if (elementType == VT_VARIANT) {
            ::HRESULT got = SafeArrayGetElement(array, &i, &element);
            if (FAILED(got)) throw com::Error(got, "Cannot read an array element");
        } else {
            // The element is stored bare: read it into the value part of a VARIANT of its type.
            element.vt = elementType;
            ::HRESULT got = SafeArrayGetElement(array, &i, &element.lVal);
            if (FAILED(got)) throw com::Error(got, "Cannot read an array element");
        }
        try {
            items.push_back(fromVariant(element));
        } catch (...) {
            VariantClear(&element);
            throw;
        }
        VariantClear(&element);
    }
    return com::Variant::array(std::move(items), static_cast<int32_t>(lower));
}

// The types the library has no kind for are widened by the runtime's own conversion.
com::Variant widened(const VARIANT& value, VARTYPE to) {
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&value), 0, to))) mismatch(value.vt);
    com::Variant result = fromVariant(copy);
    VariantClear(&copy);
    return result;
}

}  // namespace

com::Variant fromVariant(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT)) {
        if (!value.pvarVal) mismatch(value.vt);
        return fromVariant(*value.pvarVal);
    }
    if (value.vt & VT_BYREF) {
        VARIANT plain;
        VariantInit(&plain);
        if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(&value)))) mismatch(value.vt);
        com::Variant result = fromVariant(plain);
        VariantClear(&plain);
        return result;
    }
    if (value.vt & VT_ARRAY) return fromArray(value.parray);
    switch (value.vt) {
        case VT_EMPTY: return com::Variant();
        case VT_NULL: return com::Variant::null();
        case VT_BOOL: return com::Variant(value.boolVal != VARIANT_FALSE);
        case VT_I2: return com::Variant(static_cast<int16_t>(value.iVal));
        case VT_I4: return com::Variant(static_cast<int32_t>(value.lVal));
        case VT_I8: return com::Variant(static_cast<int64_t>(value.llVal));
        case VT_R8: return com::Variant(value.dblVal);
        case VT_CY: return com::Variant::currency(value.cyVal.int64);
        case VT_DATE: return com::Variant::date(value.date);
        case VT_BSTR: return com::Variant(toUtf8(value.bstrVal));
        case VT_ERROR: return com::Variant::error(value.scode);
        case VT_DISPATCH: return fromObject(value.pdispVal);
        case VT_UNKNOWN: {
            if (!value.punkVal) return com::Variant(com::ObjectPtr());
            IDispatch* object = nullptr;
            if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object)))) mismatch(value.vt);
            try {
                com::Variant result = fromObject(object);
                object->Release();
                return result;
            } catch (...) {
                object->Release();
                throw;
            }
        }
        case VT_I1: case VT_UI1: case VT_UI2: case VT_INT: return widened(value, VT_I4);
        case VT_UI4: case VT_UINT: case VT_UI8: return widened(value, VT_I8);
        case VT_R4: case VT_DECIMAL: return widened(value, VT_R8);
        default: mismatch(value.vt);
    }
}

namespace {

SAFEARRAY* toSafeArray(const com::SafeArray& array) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(array.items.size()), array.lowerBound};
    SAFEARRAY* out = SafeArrayCreate(VT_VARIANT, 1, &bound);
    if (!out) throw com::Error(com::hr::kAllocationFailed, "Out of memory");
    for (size_t i = 0; i < array.items.size(); ++i) {
        VARIANT element;
        VariantInit(&element);
        LONG at = array.lowerBound + static_cast<LONG>(i);
        try {
            toVariant(array.items[i], element);
        } catch (...) {
            SafeArrayDestroy(out);
            throw;
        }
        SafeArrayPutElement(out, &at, &element);  // copies the element
        VariantClear(&element);
    }
    return out;
}

IDispatch* toObject(const com::ObjectPtr& object) {
    if (!object) return nullptr;
    if (auto foreign = std::dynamic_pointer_cast<ForeignRecordset>(object)) {
        foreign->object()->AddRef();
        return foreign->object();
    }
    return wrapObject(object);
}

}  // namespace

void toVariant(const com::Variant& value, VARIANT& out) {
    switch (value.type()) {
        case com::VarType::Empty: out.vt = VT_EMPTY; return;
        case com::VarType::Null: out.vt = VT_NULL; return;
        case com::VarType::Boolean: out.vt = VT_BOOL; out.boolVal = value.asBool() ? VARIANT_TRUE : VARIANT_FALSE; return;
        case com::VarType::Integer: out.vt = VT_I2; out.iVal = value.asInt16(); return;
        case com::VarType::Long: out.vt = VT_I4; out.lVal = value.asInt32(); return;
        case com::VarType::LongLong: out.vt = VT_I8; out.llVal = value.asInt64(); return;
        case com::VarType::Double: out.vt = VT_R8; out.dblVal = value.asDouble(); return;
        case com::VarType::Currency: out.vt = VT_CY; out.cyVal.int64 = value.asCurrency().scaled; return;
        case com::VarType::Date: out.vt = VT_DATE; out.date = value.asDate().serial; return;
        case com::VarType::String:
            out.bstrVal = toBstr(value.asString());
            if (!out.bstrVal) throw com::Error(com::hr::kAllocationFailed, "Out of memory");
            out.vt = VT_BSTR;
            return;
        case com::VarType::Object: out.pdispVal = toObject(value.asObject()); out.vt = VT_DISPATCH; return;
        case com::VarType::Array:
            out.parray = value.asArray() ? toSafeArray(*value.asArray()) : toSafeArray(com::SafeArray{});
            out.vt = VT_ARRAY | VT_VARIANT;
            return;
        case com::VarType::Error: out.vt = VT_ERROR; out.scode = value.asError(); return;
        case com::VarType::Any: break;
    }
    throw com::Error(com::hr::kTypeMismatch, "Type mismatch");
}

}  // namespace tavlora::server::windows
