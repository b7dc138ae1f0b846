#include "server/windows/ForeignRecordset.h"

#include <dispex.h>

#include "server/windows/HeldVariant.h"
#include "server/windows/VariantBridge.h"
#include "server/windows/WideText.h"

namespace tavlora::server::windows {

namespace {

// IID_IDispatchEx; not every MinGW uuid library carries it.
constexpr GUID kIidDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

IDispatch* objectOf(const VARIANT& value) {
    const VARIANT* v = value.vt == (VT_BYREF | VT_VARIANT) ? value.pvarVal : &value;
    if (v->vt == VT_DISPATCH && v->pdispVal) return v->pdispVal;
    throw com::Error(com::hr::kObjectNotSet, "Object variable not set");
}

// Fields.Item(index): by position, as the fillers ask after reading the names once.
HeldVariant fieldItem(IDispatch* recordset, int32_t index) {
    HeldVariant fields(lateBoundCall(recordset, L"Fields", DISPATCH_PROPERTYGET | DISPATCH_METHOD));
    VARIANT key;
    VariantInit(&key);
    key.vt = VT_I4;
    key.lVal = index;
    return HeldVariant(lateBoundCall(objectOf(fields.value), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, &key, 1));
}

// Script engines' objects answer names through IDispatchEx (some, as Wine's VBScript classes,
// only there); every other object through IDispatch.
::HRESULT memberId(IDispatch* object, const wchar_t* name, DISPID* id) {
    IDispatchEx* extended = nullptr;
    if (SUCCEEDED(object->QueryInterface(kIidDispatchEx, reinterpret_cast<void**>(&extended))) && extended) {
        BSTR text = SysAllocString(name);
        ::HRESULT found = extended->GetDispID(text, fdexNameCaseInsensitive, id);
        SysFreeString(text);
        extended->Release();
        if (SUCCEEDED(found)) return found;
    }
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

::HRESULT invokeMember(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
    IDispatchEx* extended = nullptr;
    if (SUCCEEDED(object->QueryInterface(kIidDispatchEx, reinterpret_cast<void**>(&extended))) && extended) {
        ::HRESULT called = extended->InvokeEx(id, LOCALE_USER_DEFAULT, flags, params, result, info, nullptr);
        extended->Release();
        return called;
    }
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, info, nullptr);
}

// The callee's error: from EXCEPINFO (DISP_E_EXCEPTION), else from its IErrorInfo (some script
// engines return the error's own HRESULT and leave the description there).
com::Error failureOf(::HRESULT called, EXCEPINFO& info, const wchar_t* name) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    ::HRESULT code = called;
    if (called == DISP_E_EXCEPTION) code = info.scode ? info.scode : com::hr::runtime(info.wCode ? info.wCode : 5);
    std::string description = info.bstrDescription ? toUtf8(info.bstrDescription) : std::string();
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    IErrorInfo* error = nullptr;
    if (description.empty() && GetErrorInfo(0, &error) == S_OK && error) {
        BSTR text = nullptr;
        if (SUCCEEDED(error->GetDescription(&text)) && text) description = toUtf8(text);
        SysFreeString(text);
        error->Release();
    }
    if (description.empty()) description = toUtf8(name) + " failed";
    return com::Error(code, description);
}

bool answers(IDispatch* object, const wchar_t* name) {
    DISPID id = 0;
    return SUCCEEDED(memberId(object, name, &id));
}

}  // namespace

VARIANT lateBoundCall(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count) {
    DISPID id = 0;
    ::HRESULT found = memberId(object, name, &id);
    if (FAILED(found)) throw com::Error(found, "Object doesn't support this property or method: " + toUtf8(name));
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info{};
    SetErrorInfo(0, nullptr);  // what is there now belongs to an earlier call
    ::HRESULT called = invokeMember(object, id, flags, &params, &result, &info);
    if (FAILED(called)) throw failureOf(called, info, name);
    return result;
}

std::shared_ptr<ForeignRecordset> ForeignRecordset::tryWrap(IDispatch* object) {
    if (!object || !answers(object, L"EOF") || !answers(object, L"MoveNext") || !answers(object, L"Fields")) return nullptr;
    HeldVariant fields(lateBoundCall(object, L"Fields", DISPATCH_PROPERTYGET | DISPATCH_METHOD));
    HeldVariant count(lateBoundCall(objectOf(fields.value), L"Count", DISPATCH_PROPERTYGET | DISPATCH_METHOD));
    if (VariantChangeType(&count.value, &count.value, 0, VT_I4) != S_OK)
        throw com::Error(com::hr::kTypeMismatch, "The recordset's Fields.Count is not a number");
    int32_t fieldCount = count.value.lVal;
    std::vector<std::string> names;
    for (int32_t i = 0; i < fieldCount; ++i) {
        HeldVariant field = fieldItem(object, i);
        HeldVariant name(lateBoundCall(objectOf(field.value), L"Name", DISPATCH_PROPERTYGET | DISPATCH_METHOD));
        const VARIANT* text = name.value.vt == (VT_BYREF | VT_VARIANT) ? name.value.pvarVal : &name.value;
        if (text->vt != VT_BSTR) throw com::Error(com::hr::kTypeMismatch, "A field's Name is not a text");
        names.push_back(toUtf8(text->bstrVal));
    }
    object->AddRef();
    return std::shared_ptr<ForeignRecordset>(new ForeignRecordset(object, std::move(names)));
}

ForeignRecordset::ForeignRecordset(IDispatch* object, std::vector<std::string> fieldNames)
    : data::Recordset(std::move(fieldNames)), object_(object) {}

ForeignRecordset::~ForeignRecordset() { object_->Release(); }

bool ForeignRecordset::Eof() const {
    HeldVariant eof(lateBoundCall(object_, L"EOF", DISPATCH_PROPERTYGET | DISPATCH_METHOD));
    if (VariantChangeType(&eof.value, &eof.value, 0, VT_BOOL) != S_OK)
        throw com::Error(com::hr::kTypeMismatch, "The recordset's EOF is not True or False");
    return eof.value.boolVal != VARIANT_FALSE;
}

void ForeignRecordset::MoveNext() { HeldVariant ignored(lateBoundCall(object_, L"MoveNext", DISPATCH_METHOD)); }

com::Variant ForeignRecordset::currentValue(int32_t index) const {
    HeldVariant field = fieldItem(object_, index);
    HeldVariant value(lateBoundCall(objectOf(field.value), L"Value", DISPATCH_PROPERTYGET | DISPATCH_METHOD));
    return fromVariant(value.value);
}

}  // namespace tavlora::server::windows
