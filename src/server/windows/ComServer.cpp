// The entry points the object runtime and regsvr32 call in Tavlora.dll.
#include <objbase.h>
#include <windows.h>

#include <cwchar>
#include <exception>
#include <new>

#include "server/ClassRegistry.h"
#include "server/windows/CountedObject.h"
#include "server/windows/Registration.h"
#include "server/windows/ServerObject.h"
#include "server/windows/WideText.h"

namespace tavlora::server::windows {

namespace {

// Makes the objects of one class.
class ClassObject final : public CountedObject<ClassObject, IClassFactory> {
public:
    explicit ClassObject(const ClassInfo& info) : info_(info) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            IDispatch* object = wrapObject(info_.create());
            ::HRESULT answered = object->QueryInterface(riid, out);
            object->Release();
            return answered;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception&) {
            return E_FAIL;
        }
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) {
            addServerObject();
        } else {
            releaseServerObject();
        }
        return S_OK;
    }

private:
    const ClassInfo& info_;
};

}  // namespace

}  // namespace tavlora::server::windows

using namespace tavlora::server::windows;

namespace {

// No exception may cross into the caller's runtime.
template <class Step>
::HRESULT guarded(Step step) noexcept {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace

extern "C" {

STDAPI DllGetClassObject(REFCLSID classId, REFIID riid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return guarded([&]() -> ::HRESULT {
        wchar_t text[40];
        if (!StringFromGUID2(classId, text, 40)) return CLASS_E_CLASSNOTAVAILABLE;
        const auto* info = tavlora::server::findClass(toUtf8(std::wstring_view(text)));
        if (!info) return CLASS_E_CLASSNOTAVAILABLE;
        auto* factory = new ClassObject(*info);
        ::HRESULT answered = factory->QueryInterface(riid, out);
        factory->Release();
        return answered;
    });
}

STDAPI DllCanUnloadNow() { return liveServerObjects() == 0 ? S_OK : S_FALSE; }

// Per machine, as regsvr32 does it.
STDAPI DllRegisterServer() { return guarded([] { return registerServer(RegistrationScope::Machine); }); }
STDAPI DllUnregisterServer() { return guarded([] { return unregisterServer(RegistrationScope::Machine); }); }

// regsvr32 /i:user (or /u /i:user) registers for the current user only, needing no administrator;
// with /n only DllInstall is called.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    bool user = commandLine && _wcsicmp(commandLine, L"user") == 0;
    if (commandLine && *commandLine && !user) return E_INVALIDARG;
    RegistrationScope scope = user ? RegistrationScope::User : RegistrationScope::Machine;
    return guarded([&] { return install ? registerServer(scope) : unregisterServer(scope); });
}

}  // extern "C"
