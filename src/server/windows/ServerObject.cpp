#include "server/windows/ServerObject.h"

#include <exception>
#include <new>
#include <optional>
#include <vector>

#include "com/UnicodeText.h"
#include "server/ClassRegistry.h"
#include "server/windows/CountedObject.h"
#include "server/windows/TypeLibraryResource.h"
#include "server/windows/VariantBridge.h"
#include "server/windows/WideText.h"

namespace tavlora::server::windows {

namespace {

// Asked for by unwrapObject only: answers with the ServerObject itself, so a library object handed
// back by the caller is used as the object it is, not through late binding.
constexpr GUID kIidServerObject = {0xffa200f0, 0x0263, 0x4b97, {0x8f, 0x42, 0x02, 0xe7, 0x60, 0x60, 0x0c, 0xdd}};

bool isDispatchFailure(::HRESULT code) { return (static_cast<uint32_t>(code) & 0xFFFF0000u) == 0x80020000u; }

// The interface identifier of the class an object belongs to, for its type information.
std::optional<GUID> interfaceOf(const com::Dispatch& object) {
    const std::string& name = object.dispatchTable().interfaceName();
    for (const auto& info : libraryClasses()) {
        if (info.interfaceName != name) continue;
        GUID id{};
        std::wstring text = toWide(info.interfaceId);
        if (SUCCEEDED(IIDFromString(text.c_str(), &id))) return id;
    }
    return std::nullopt;
}

class ServerObject final : public CountedObject<ServerObject, IDispatch, ISupportErrorInfo> {
public:
    explicit ServerObject(com::ObjectPtr object) : object_(std::move(object)) {}

    const com::ObjectPtr& object() const { return object_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == kIidServerObject) {
            *out = this;  // not a counted reference: unwrapObject reads it and lets go
            return S_OK;
        }
        auto ownInterface = interfaceOf(*object_);
        if (riid == IID_IUnknown || riid == IID_IDispatch || (ownInterface && riid == *ownInterface)) {
            *out = static_cast<IDispatch*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *out = static_cast<ISupportErrorInfo*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        auto id = interfaceOf(*object_);
        if (!id) return TYPE_E_ELEMENTNOTFOUND;
        ITypeLib* library = nullptr;
        ::HRESULT loaded = loadOwnTypeLibrary(&library);
        if (FAILED(loaded)) return loaded;
        ::HRESULT found = library->GetTypeInfoOfGuid(*id, info);
        library->Release();
        return found;
    }

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        com::DISPID member = DISPID_UNKNOWN;
        try {
            member = object_->dispatchTable().idOfName(toUtf8(std::wstring_view(names[0])));
        } catch (const com::Error&) {
            return DISP_E_UNKNOWNNAME;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        ids[0] = member;
        // Named arguments are numbered by their place in the member's parameter list.
        const std::vector<com::ParamInfo>* params = parametersOf(member);
        bool allKnown = true;
        for (UINT i = 1; i < count; ++i) {
            std::string name = toUtf8(std::wstring_view(names[i]));
            for (size_t p = 0; params && p < params->size(); ++p) {
                if (com::upperCase((*params)[p].name) == com::upperCase(name)) ids[i] = static_cast<DISPID>(p);
            }
            allKnown = allKnown && ids[i] != DISPID_UNKNOWN;
        }
        return allKnown ? S_OK : DISP_E_UNKNOWNNAME;
    }

    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        if (!params) params = &none;
        try {
            const com::MemberInfo* info = memberFor(member, flags, *params);
            if (!info) return DISP_E_MEMBERNOTFOUND;
            std::vector<com::Variant> args = argumentsOf(*info, *params, argumentError);
            const std::vector<com::Variant> given = args;
            com::Variant answer = object_->Invoke(member, info->kind, args);
            writeBack(*info, *params, given, args);
            if (result) {
                VariantInit(result);
                toVariant(answer, *result);
            }
            SetErrorInfo(0, nullptr);
            return S_OK;
        } catch (const com::Error& error) {
            if (isDispatchFailure(error.code()) && error.code() != DISP_E_EXCEPTION) return error.code();
            return raise(error.code(), error.what(), exception);
        } catch (const std::bad_alloc&) {
            return raise(E_OUTOFMEMORY, "Out of memory", exception);
        } catch (const std::exception& error) {
            return raise(E_FAIL, error.what(), exception);
        }
    }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        auto own = interfaceOf(*object_);
        return riid == IID_IDispatch || (own && riid == *own) ? S_OK : S_FALSE;
    }

private:
    const std::vector<com::ParamInfo>* parametersOf(com::DISPID member) const {
        const auto& table = object_->dispatchTable();
        for (auto kind : {com::MemberKind::Method, com::MemberKind::PropertyGet, com::MemberKind::PropertyLet,
                          com::MemberKind::PropertySet}) {
            if (const auto* info = table.find(member, kind)) return &info->params;
        }
        return nullptr;
    }

    // A put of an object goes to the member's set when it has one (and a let otherwise); a put by
    // reference to its set, or to its let when it has only that.
    const com::MemberInfo* memberFor(DISPID member, WORD flags, const DISPPARAMS& params) const {
        const auto& table = object_->dispatchTable();
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            bool objectValue = false;
            if (params.cArgs > 0) {
                const VARIANT& value = params.rgvarg[0];
                VARTYPE type = value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal ? value.pvarVal->vt : value.vt;
                objectValue = (type & ~VT_BYREF) == VT_DISPATCH || (type & ~VT_BYREF) == VT_UNKNOWN;
            }
            bool preferSet = (flags & DISPATCH_PROPERTYPUTREF) || objectValue;
            const auto* set = table.find(member, com::MemberKind::PropertySet);
            const auto* let = table.find(member, com::MemberKind::PropertyLet);
            return preferSet ? (set ? set : let) : (let ? let : set);
        }
        if (flags & DISPATCH_METHOD)
            if (const auto* method = table.find(member, com::MemberKind::Method)) return method;
        if (flags & DISPATCH_PROPERTYGET) return table.find(member, com::MemberKind::PropertyGet);
        return nullptr;
    }

    // Positional arguments arrive last-first; named ones go to their parameter's place, and a put's
    // value (DISPID_PROPERTYPUT) fills the last parameter. Places left open are missing.
    std::vector<com::Variant> argumentsOf(const com::MemberInfo& info, const DISPPARAMS& params, UINT* argumentError) const {
        size_t total = info.params.size();
        UINT named = params.cNamedArgs;
        UINT positional = params.cArgs - named;
        if (params.cArgs > total) throw com::Error(DISP_E_BADPARAMCOUNT, "Wrong number of arguments");
        std::vector<com::Variant> args(total, com::Variant::missing());
        std::vector<bool> given(total, false);
        auto take = [&](UINT rgIndex, size_t place) {
            if (place >= total || given[place]) throw com::Error(DISP_E_PARAMNOTFOUND, "Bad argument name");
            try {
                args[place] = fromVariant(params.rgvarg[rgIndex]);
            } catch (...) {
                if (argumentError) *argumentError = rgIndex;
                throw;
            }
            given[place] = true;
        };
        for (UINT i = 0; i < named; ++i) {
            DISPID id = params.rgdispidNamedArgs[i];
            take(i, id == DISPID_PROPERTYPUT ? total - 1 : static_cast<size_t>(id));
        }
        for (UINT i = 0; i < positional; ++i) take(params.cArgs - 1 - i, i);
        // Trailing omitted arguments are simply absent, so the table fills their defaults.
        while (!args.empty() && !given[args.size() - 1]) args.pop_back();
        return args;
    }

    // An argument the member declares by reference and changed goes back into the caller's
    // variable; one it left as it was stays the caller's own (its recordset or XML object, not the
    // library's reading of it).
    void writeBack(const com::MemberInfo& info, const DISPPARAMS& params, const std::vector<com::Variant>& given,
                   const std::vector<com::Variant>& args) const {
        UINT positional = params.cArgs - params.cNamedArgs;
        for (UINT i = 0; i < positional && i < args.size(); ++i) {
            if (!info.params[i].byRef || (i < given.size() && args[i] == given[i])) continue;
            VARIANT& target = params.rgvarg[params.cArgs - 1 - i];
            if (target.vt != (VT_BYREF | VT_VARIANT) || !target.pvarVal) continue;
            VARIANT fresh;
            VariantInit(&fresh);
            toVariant(args[i], fresh);
            VariantClear(target.pvarVal);
            *target.pvarVal = fresh;
        }
    }

    ::HRESULT raise(::HRESULT code, const std::string& description, EXCEPINFO* exception) const {
        std::string source = "Tavlora." + object_->dispatchTable().interfaceName().substr(
                                               object_->dispatchTable().interfaceName().front() == '_' ? 1 : 0);
        ICreateErrorInfo* created = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&created))) {
            std::wstring wideSource = toWide(source);
            std::wstring wideDescription = toWide(description);
            created->SetSource(wideSource.data());
            created->SetDescription(wideDescription.data());
            if (auto id = interfaceOf(*object_)) created->SetGUID(*id);
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(created->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                SetErrorInfo(0, info);
                info->Release();
            }
            created->Release();
        }
        if (!exception) return code;
        *exception = EXCEPINFO{};
        exception->scode = code;
        exception->bstrSource = toBstr(source);
        exception->bstrDescription = toBstr(description);
        return DISP_E_EXCEPTION;
    }

    com::ObjectPtr object_;
};

}  // namespace

IDispatch* wrapObject(const com::ObjectPtr& object) {
    if (!object) return nullptr;
    return new ServerObject(object);
}

com::ObjectPtr unwrapObject(IDispatch* object) {
    if (!object) return nullptr;
    void* own = nullptr;
    if (FAILED(object->QueryInterface(kIidServerObject, &own)) || !own) return nullptr;
    return static_cast<ServerObject*>(own)->object();
}

}  // namespace tavlora::server::windows
