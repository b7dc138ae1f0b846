// The VARIANT bridge and IDispatch over the dispatch tables, checked inside one Windows process
// (run under Wine by scripts/test-windows). Prints each failed check; exits non-zero if any failed.
#include <windows.h>
// after windows.h, which they need
#include <oaidl.h>
#include <oleauto.h>

#include <cstdio>
#include <memory>
#include <string>

#include "com/Error.h"
#include "data/MemoryRecordset.h"
#include "server/windows/CountedObject.h"
#include "server/windows/ServerObject.h"
#include "server/windows/VariantBridge.h"
#include "server/windows/WideText.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace com = tavlora::com;
using namespace tavlora::server::windows;

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
}

// The round trip VARIANT -> Variant -> VARIANT; the caller clears `back`.
com::Variant through(VARIANT& in, VARIANT& back) {
    com::Variant value = fromVariant(in);
    VariantInit(&back);
    toVariant(value, back);
    return value;
}

void texts() {
    VARIANT in;
    VariantInit(&in);
    in.vt = VT_BSTR;
    in.bstrVal = SysAllocString(L"K\u00F6ln \U0001F600");
    VARIANT back;
    com::Variant value = through(in, back);
    check(value.type() == com::VarType::String && value.asString() == std::string("K\xC3\xB6ln \xF0\x9F\x98\x80"),
          "a BSTR with a surrogate pair arrives as UTF-8");
    check(back.vt == VT_BSTR && VarBstrCmp(back.bstrVal, in.bstrVal, LOCALE_INVARIANT, 0) == VARCMP_EQ,
          "and goes back unchanged");
    VariantClear(&back);
    VariantClear(&in);

    const wchar_t lone[] = {L'a', 0xD800, L'b'};
    check(toUtf8(lone, 3) == "a\xEF\xBF\xBD" "b", "a lone surrogate becomes U+FFFD");
}

void scalars() {
    VARIANT in;
    VARIANT back;
    VariantInit(&in);
    in.vt = VT_DATE;
    in.date = 46030.75;
    com::Variant date = through(in, back);
    check(date.type() == com::VarType::Date && date.asDate().serial == 46030.75, "VT_DATE keeps its day number");
    check(back.vt == VT_DATE && back.date == 46030.75, "a Date goes out as VT_DATE");
    VariantClear(&back);

    in.vt = VT_CY;
    in.cyVal.int64 = 123456789;  // 12,345.6789
    com::Variant money = through(in, back);
    check(money.type() == com::VarType::Currency && money.asCurrency().scaled == 123456789, "VT_CY keeps its scale");
    check(back.vt == VT_CY && back.cyVal.int64 == 123456789, "Currency goes out as VT_CY");
    VariantClear(&back);

    in.vt = VT_BOOL;
    in.boolVal = VARIANT_TRUE;
    com::Variant flag = through(in, back);
    check(flag.type() == com::VarType::Boolean && flag.asBool(), "VT_BOOL");
    check(back.vt == VT_BOOL && back.boolVal == VARIANT_TRUE, "True goes out as VARIANT_TRUE (-1)");
    VariantClear(&back);

    in.vt = VT_ERROR;
    in.scode = DISP_E_PARAMNOTFOUND;
    check(fromVariant(in).isMissing(), "VT_ERROR DISP_E_PARAMNOTFOUND is a missing argument");

    in.vt = VT_UI1;
    in.bVal = 200;
    com::Variant byte = fromVariant(in);
    check(byte.type() == com::VarType::Long && byte.asInt32() == 200, "VT_UI1 widens to Long");
    in.vt = VT_R4;
    in.fltVal = 0.5f;
    com::Variant single = fromVariant(in);
    check(single.type() == com::VarType::Double && single.asDouble() == 0.5, "VT_R4 widens to Double");
    in.vt = VT_NULL;
    check(fromVariant(in).isNull(), "VT_NULL");

    LONG number = 42;
    in.vt = VT_BYREF | VT_I4;
    in.plVal = &number;
    com::Variant byRef = fromVariant(in);
    check(byRef.type() == com::VarType::Long && byRef.asInt32() == 42, "a VT_I4 by reference is read through");
    VARIANT target;
    VariantInit(&target);
    target.vt = VT_I2;
    target.iVal = 7;
    in.vt = VT_BYREF | VT_VARIANT;
    in.pvarVal = &target;
    com::Variant nested = fromVariant(in);
    check(nested.type() == com::VarType::Integer && nested.asInt16() == 7, "a variant by reference is read through");

    in.vt = VT_RECORD;
    bool refused = false;
    try {
        fromVariant(in);
    } catch (const com::Error& error) {
        refused = error.code() == com::hr::kTypeMismatch;
    }
    check(refused, "an unsupported type is a type mismatch");
}

void arrays() {
    SAFEARRAYBOUND bound{3, 5};  // indexes 5..7
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (LONG i = 5; i <= 7; ++i) {
        VARIANT element;
        VariantInit(&element);
        element.vt = VT_I4;
        element.lVal = i * 10;
        SafeArrayPutElement(array, &i, &element);
    }
    VARIANT in;
    VariantInit(&in);
    in.vt = VT_ARRAY | VT_VARIANT;
    in.parray = array;
    VARIANT back;
    com::Variant value = through(in, back);
    check(value.type() == com::VarType::Array && value.asArray()->lowerBound == 5 && value.asArray()->items.size() == 3 &&
              value.asArray()->at(7).asInt32() == 70,
          "an array keeps its lower bound and items");
    LONG lower = 0;
    LONG upper = 0;
    check(back.vt == (VT_ARRAY | VT_VARIANT) && SafeArrayGetLBound(back.parray, 1, &lower) == S_OK &&
              SafeArrayGetUBound(back.parray, 1, &upper) == S_OK && lower == 5 && upper == 7,
          "and goes back with the same bounds");
    VariantClear(&back);
    VariantClear(&in);

    SAFEARRAYBOUND one{2, 0};
    SAFEARRAY* texts = SafeArrayCreate(VT_BSTR, 1, &one);
    LONG at = 1;
    BSTR text = SysAllocString(L"zwei");
    SafeArrayPutElement(texts, &at, text);
    SysFreeString(text);
    in.vt = VT_ARRAY | VT_BSTR;
    in.parray = texts;
    com::Variant typed = fromVariant(in);
    check(typed.type() == com::VarType::Array && typed.asArray()->at(1).asString() == "zwei" &&
              typed.asArray()->at(0).asString().empty(),
          "an array of BSTR arrives as texts");
    VariantClear(&in);

    SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
    in.vt = VT_ARRAY | VT_VARIANT;
    in.parray = SafeArrayCreate(VT_VARIANT, 2, square);
    bool refused = false;
    try {
        fromVariant(in);
    } catch (const com::Error& error) {
        refused = error.code() == com::hr::kTypeMismatch;
    }
    check(refused, "a two-dimensional array is refused");
    VariantClear(&in);
}

DISPID idOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

void dispatch() {
    auto job = tavlora::printjob::CExcelBatDo::create();
    IDispatch* object = wrapObject(job);
    VARIANT wrapped;
    VariantInit(&wrapped);
    wrapped.vt = VT_DISPATCH;
    wrapped.pdispVal = object;
    check(fromVariant(wrapped).asObject() == job, "the library's object comes back as itself");

    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"0");  // coerced to the declared Boolean
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &put, 1, 1};
    check(object->Invoke(idOf(object, L"isdelunuse"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                         nullptr) == S_OK &&
              !job->IsDelUnUse(),
          "a property put by a name in another letter case, with a text coerced to Boolean");
    VariantClear(&value);

    VARIANT many[4];
    for (auto& v : many) {
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = 1;
    }
    DISPPARAMS tooMany{many, nullptr, 4, 0};
    VARIANT result;
    VariantInit(&result);
    check(object->Invoke(idOf(object, L"DoBegin"), IID_NULL, 0, DISPATCH_METHOD, &tooMany, &result, nullptr, nullptr) ==
              DISP_E_BADPARAMCOUNT,
          "too many arguments is DISP_E_BADPARAMCOUNT");

    // DoA_ReplaceRst writes its by-reference recordset back into the caller's variable.
    auto cover = tavlora::tmplone::CExcelTmplPrintOne::create();
    IDispatch* filler = wrapObject(cover);
    auto rows = std::make_shared<tavlora::data::MemoryRecordset>(std::vector<std::string>{"Company"},
                                                                   std::vector<tavlora::data::MemoryRecordset::Row>{{"A"}});
    VARIANT holder;
    VariantInit(&holder);
    toVariant(com::Variant(std::static_pointer_cast<com::Dispatch>(rows)), holder);
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &holder;
    DISPPARAMS one{&byRef, nullptr, 1, 0};
    EXCEPINFO info{};
    filler->Invoke(idOf(filler, L"DoA_ReplaceRst"), IID_NULL, 0, DISPATCH_METHOD, &one, &result, &info, nullptr);
    check(holder.vt == VT_DISPATCH && fromVariant(holder).asObject() == rows,
          "a by-reference argument the member leaves alone stays the caller's object");
    VariantClear(&holder);
    VariantClear(&result);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);

    long before = liveServerObjects();
    filler->Release();
    object->Release();
    check(liveServerObjects() == before - 2, "released objects leave the module's count");
}

// IDispatch and ISupportErrorInfo of one object share its count: it lives, and stays in the
// module's count, until the last reference through either goes.
void sharedCount() {
    long before = liveServerObjects();
    IDispatch* object = wrapObject(tavlora::printjob::CExcelBatDo::create());
    check(liveServerObjects() == before + 1, "a new object joins the module's count");
    ISupportErrorInfo* errors = nullptr;
    check(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errors)) == S_OK && errors,
          "the object answers for ISupportErrorInfo");
    if (!errors) {
        object->Release();
        return;
    }
    check(errors->AddRef() == 3 && object->Release() == 2 && errors->Release() == 1,
          "one count behind both interfaces");
    check(errors->InterfaceSupportsErrorInfo(IID_IDispatch) == S_OK && liveServerObjects() == before + 1,
          "the object lives while its other interface holds it");
    check(errors->Release() == 0 && liveServerObjects() == before, "the last reference through either ends it");
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    texts();
    scalars();
    arrays();
    dispatch();
    sharedCount();
    CoUninitialize();
    std::printf("%s\n", failures ? "variant bridge: checks failed" : "variant bridge: all checks passed");
    return failures ? 1 : 0;
}
