// A late-bound client of Tavlora.dll as a compiled program writes it: every class created through
// the object runtime by ProgID; members called through IDispatch by name and by dispatch
// identifier, with optional, named and by-reference arguments; errors read back from EXCEPINFO and
// IErrorInfo.
//
// Usage: tavlora-com-client TEMPLATE OUTFILE LISTING
//   fills the cover sheet of a copy of TEMPLATE into OUTFILE and writes LISTING, the members of the
//   registered type library (interface, dispatch identifier, kind, name, in order). Exits non-zero
//   on the first check that fails.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    ++failures;
}

std::string narrow(const wchar_t* text) {
    if (!text) return "";
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    return out;
}

struct Arg {
    VARIANT value;
    Arg() { VariantInit(&value); }
    explicit Arg(const wchar_t* text) : Arg() {
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text);
    }
    explicit Arg(long number) : Arg() {
        value.vt = VT_I4;
        value.lVal = number;
    }
    static Arg boolean(bool flag) {
        Arg arg;
        arg.value.vt = VT_BOOL;
        arg.value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        return arg;
    }
    static Arg object(IDispatch* object) {
        Arg arg;
        arg.value.vt = VT_DISPATCH;
        arg.value.pdispVal = object;
        object->AddRef();
        return arg;
    }
    static Arg missing() {
        Arg arg;
        arg.value.vt = VT_ERROR;
        arg.value.scode = DISP_E_PARAMNOTFOUND;
        return arg;
    }
    Arg(Arg&& other) noexcept : value(other.value) { VariantInit(&other.value); }
    Arg(const Arg&) = delete;
    ~Arg() { VariantClear(&value); }
};

struct Call {
    HRESULT result = E_FAIL;
    VARIANT value;
    std::string description;
    SCODE scode = 0;
    Call() { VariantInit(&value); }
    ~Call() { VariantClear(&value); }
    bool truthy() const { return value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE; }
};

DISPID idOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// Arguments in call order; `named` gives dispatch identifiers of the last ones, in the same order.
void invoke(Call& call, IDispatch* object, DISPID id, WORD flags, std::vector<Arg>& args,
            std::vector<DISPID> named = {}) {
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->value);
    std::vector<DISPID> namedReversed(named.rbegin(), named.rend());
    DISPPARAMS params{reversed.data(), namedReversed.empty() ? nullptr : namedReversed.data(),
                      static_cast<UINT>(reversed.size()), static_cast<UINT>(namedReversed.size())};
    EXCEPINFO info{};
    UINT bad = 0;
    call.result = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &call.value, &info, &bad);
    if (call.result == DISP_E_EXCEPTION) {
        call.description = narrow(info.bstrDescription);
        call.scode = info.scode;
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
    }
}

void byName(Call& call, IDispatch* object, const wchar_t* name, WORD flags, std::vector<Arg> args) {
    DISPID id = idOf(object, name);
    check(id != DISPID_UNKNOWN, "GetIDsOfNames(" + narrow(name) + ")");
    invoke(call, object, id, flags, args);
}

IDispatch* create(const wchar_t* progId) {
    CLSID id{};
    IDispatch* object = nullptr;
    check(SUCCEEDED(CLSIDFromProgID(progId, &id)), "CLSIDFromProgID(" + narrow(progId) + ")");
    HRESULT made = CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
    check(SUCCEEDED(made) && object, "CoCreateInstance(" + narrow(progId) + ")");
    return object;
}

const char* kindName(INVOKEKIND kind) {
    switch (kind) {
        case INVOKE_PROPERTYGET: return "propget";
        case INVOKE_PROPERTYPUT: return "propput";
        case INVOKE_PROPERTYPUTREF: return "propputref";
        default: return "method";
    }
}

// The registered library's members of one interface, in order; each name must give the same
// identifier through the object's own GetIDsOfNames.
void listInterface(ITypeInfo* info, IDispatch* object, FILE* out) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    BSTR interfaceName = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &interfaceName, nullptr, nullptr, nullptr);
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        BSTR name = nullptr;
        UINT count = 0;
        info->GetNames(function->memid, &name, 1, &count);
        // IUnknown's and IDispatch's own members come first in a dual interface's table, restricted.
        if (!(function->wFuncFlags & FUNCFLAG_FRESTRICTED)) {
            std::fprintf(out, "%s 0x%08lX %s %s\n", narrow(interfaceName).c_str(),
                         static_cast<unsigned long>(function->memid), kindName(function->invkind), narrow(name).c_str());
            if (object)
                check(idOf(object, name) == function->memid,
                      narrow(interfaceName) + "." + narrow(name) + ": GetIDsOfNames disagrees with the type library");
        }
        SysFreeString(name);
        info->ReleaseFuncDesc(function);
    }
    SysFreeString(interfaceName);
    info->ReleaseTypeAttr(attributes);
}

const wchar_t* const kProgIds[] = {L"Tavlora.CExcelBatDo", L"Tavlora.CExcelTmplPrintOne", L"Tavlora.CExcelTmplPrintBat",
                                   L"Tavlora.CExcelOutputRcd", L"Tavlora.CExcelChart"};

void writeListing(const wchar_t* path) {
    GUID library{};
    CLSIDFromString(L"{CEA818B5-F18B-43B4-B866-EC7D7697A3DB}", &library);
    ITypeLib* registered = nullptr;
    check(SUCCEEDED(LoadRegTypeLib(library, 1, 0, LOCALE_NEUTRAL, &registered)), "LoadRegTypeLib");
    FILE* out = _wfopen(path, L"w");
    check(out != nullptr, "cannot write the listing");
    if (!registered || !out) return;
    for (const wchar_t* progId : kProgIds) {
        IDispatch* object = create(progId);
        if (!object) continue;
        ITypeInfo* own = nullptr;
        check(SUCCEEDED(object->GetTypeInfo(0, LOCALE_NEUTRAL, &own)) && own, narrow(progId) + ": GetTypeInfo");
        TYPEATTR* attributes = nullptr;
        if (own && SUCCEEDED(own->GetTypeAttr(&attributes))) {
            ITypeInfo* fromRegistry = nullptr;
            check(SUCCEEDED(registered->GetTypeInfoOfGuid(attributes->guid, &fromRegistry)),
                  narrow(progId) + ": its interface is not in the registered type library");
            if (fromRegistry) {
                listInterface(fromRegistry, object, out);
                fromRegistry->Release();
            }
            own->ReleaseTypeAttr(attributes);
        }
        if (own) own->Release();
        object->Release();
    }
    std::fclose(out);
    registered->Release();
}

// The cover of the example report, filled from C++ by member names and pinned identifiers.
void fillCover(const wchar_t* templatePath, const wchar_t* outPath) {
    IDispatch* job = create(L"Tavlora.CExcelBatDo");
    IDispatch* cover = create(L"Tavlora.CExcelTmplPrintOne");
    if (!job || !cover) return;
    {
        Call call;
        std::vector<Arg> args;
        args.emplace_back(templatePath);
        args.emplace_back(outPath);
        invoke(call, job, 0x60030003, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
        check(call.result == S_OK && call.truthy(), "DoCopy by identifier");
    }
    {
        Call put;
        std::vector<Arg> args;
        args.push_back(Arg::boolean(false));
        invoke(put, job, 0x68030000, DISPATCH_PROPERTYPUT, args, {DISPID_PROPERTYPUT});
        check(put.result == S_OK, "IsDelUnUse = False");
        Call get;
        byName(get, job, L"IsDelUnUse", DISPATCH_PROPERTYGET, {});
        check(get.value.vt == VT_BOOL && get.value.boolVal == VARIANT_FALSE, "IsDelUnUse reads back False");
    }
    {
        // The second (optional) argument left out as a missing VT_ERROR.
        Call call;
        std::vector<Arg> args;
        args.emplace_back(outPath);
        args.push_back(Arg::missing());
        invoke(call, job, idOf(job, L"DoBegin"), DISPATCH_METHOD, args);
        check(call.result == S_OK && call.truthy(), "DoBegin with a missing optional argument");
    }
    {
        Call call;
        std::vector<Arg> args;
        args.push_back(Arg::object(job));
        invoke(call, cover, idOf(cover, L"CurBatObj"), DISPATCH_PROPERTYPUTREF, args, {DISPID_PROPERTYPUT});
        check(call.result == S_OK, "Set CurBatObj = job");
        Call back;
        byName(back, cover, L"CurBatObj", DISPATCH_PROPERTYGET, {});
        check(back.value.vt == VT_DISPATCH && back.value.pdispVal, "CurBatObj reads back an object");
    }
    {
        // By name with a named argument: DoA_Begin(strSheetName:="Cover").
        DISPID ids[2] = {DISPID_UNKNOWN, DISPID_UNKNOWN};
        LPOLESTR names[] = {const_cast<LPOLESTR>(L"DoA_Begin"), const_cast<LPOLESTR>(L"strSheetName")};
        check(cover->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids) == S_OK && ids[1] == 0,
              "GetIDsOfNames gives the named argument's place");
        Call call;
        std::vector<Arg> args;
        args.emplace_back(L"Cover");
        invoke(call, cover, ids[0], DISPATCH_METHOD, args, {ids[1]});
        check(call.result == S_OK && call.truthy(), "DoA_Begin(strSheetName:=\"Cover\")");
    }
    {
        Call call;
        std::vector<Arg> args;
        args.emplace_back(L"Author");
        args.emplace_back(L"Written from C++ \x00FC\x00DF");
        invoke(call, cover, idOf(cover, L"DoA_ReplaceA"), DISPATCH_METHOD, args);
        check(call.result == S_OK && call.truthy(), "DoA_ReplaceA");
    }
    {
        // Row 0 is refused with an error that reaches the caller.
        Call call;
        std::vector<Arg> args;
        args.emplace_back(0L);
        args.emplace_back(1L);
        args.emplace_back(L"x");
        invoke(call, cover, idOf(cover, L"DoA_OutputString"), DISPATCH_METHOD, args);
        check(call.result == DISP_E_EXCEPTION && FAILED(call.scode) && !call.description.empty(),
              "DoA_OutputString(0, ...) raises an error with a description");
        IErrorInfo* error = nullptr;
        check(GetErrorInfo(0, &error) == S_OK && error, "the error is also in IErrorInfo");
        if (error) error->Release();
    }
    {
        Call call;
        std::vector<Arg> args;
        args.emplace_back(L"not a number");
        args.emplace_back(1L);
        args.emplace_back(L"x");
        invoke(call, cover, idOf(cover, L"DoA_OutputString"), DISPATCH_METHOD, args);
        check(call.result == DISP_E_TYPEMISMATCH, "a text for a Long is a type mismatch");
        check(idOf(cover, L"NoSuchMember") == DISPID_UNKNOWN, "an unknown name has no identifier");
    }
    {
        Call end;
        byName(end, cover, L"DoA_End", DISPATCH_METHOD, {});
        check(end.result == S_OK, "DoA_End");
        Call done;
        std::vector<Arg> args;
        invoke(done, job, 0x60030005, DISPATCH_METHOD, args);
        check(done.result == S_OK && done.truthy(), "DoEnd saves the workbook");
    }
    cover->Release();
    job->Release();
}

IClassFactory* classFactory(const wchar_t* progId) {
    CLSID id{};
    IClassFactory* factory = nullptr;
    check(SUCCEEDED(CLSIDFromProgID(progId, &id)) &&
              SUCCEEDED(CoGetClassObject(id, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                         reinterpret_cast<void**>(&factory))) &&
              factory,
          "CoGetClassObject(" + narrow(progId) + ")");
    return factory;
}

// Asked directly, as the object runtime asks before it unloads the DLL: class factories, objects
// and the callers' locks each keep it loaded, and nothing else does. Runs after every object made
// before it is released.
void moduleLifetime() {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    HMODULE dll = GetModuleHandleW(L"Tavlora.dll");
    // Through void (*)(): FARPROC's own type is not the entry point's.
    FARPROC entry = dll ? GetProcAddress(dll, "DllCanUnloadNow") : nullptr;
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void (*)()>(entry));
    check(canUnload != nullptr, "Tavlora.dll is loaded and exports DllCanUnloadNow");
    if (!canUnload) return;
    check(canUnload() == S_OK, "with everything released the DLL may unload");

    IClassFactory* factory = classFactory(L"Tavlora.CExcelBatDo");
    if (!factory) return;
    check(canUnload() == S_FALSE, "a class factory keeps the DLL");
    IDispatch* object = nullptr;
    check(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)) == S_OK && object,
          "IClassFactory::CreateInstance");
    check(factory->AddRef() == 2 && factory->Release() == 1, "the class factory counts its references");
    factory->Release();
    check(canUnload() == S_FALSE, "a live object keeps the DLL");

    factory = classFactory(L"Tavlora.CExcelTmplPrintOne");
    if (!factory) return;
    check(factory->LockServer(TRUE) == S_OK, "LockServer(TRUE)");
    factory->Release();
    if (object) object->Release();
    check(canUnload() == S_FALSE, "a lock keeps the DLL");

    factory = classFactory(L"Tavlora.CExcelBatDo");
    if (!factory) return;
    check(factory->LockServer(FALSE) == S_OK, "LockServer(FALSE)");
    factory->Release();
    check(canUnload() == S_OK, "the last factory, object and lock gone, the DLL may unload");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tavlora-com-client TEMPLATE OUTFILE LISTING\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    writeListing(argv[3]);
    fillCover(argv[1], argv[2]);
    moduleLifetime();
    CoUninitialize();
    std::printf("%s\n", failures ? "com client: checks failed" : "com client: all checks passed");
    return failures ? 1 : 0;
}
