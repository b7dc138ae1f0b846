#include "server/windows/Registration.h"

#include <oleauto.h>

#include <string>

#include "server/ClassRegistry.h"
#include "server/windows/TypeLibraryResource.h"
#include "server/windows/WideText.h"

// Exported by oleaut32 since Windows Vista, not declared by every SDK's headers.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpFolder);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID locale, SYSKIND kind);
}

namespace tavlora::server::windows {

namespace {

HKEY rootOf(RegistrationScope scope) {
    return scope == RegistrationScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

const wchar_t* kClasses = L"Software\\Classes\\";

::HRESULT setValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY opened = nullptr;
    LONG created = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr);
    if (created != ERROR_SUCCESS) return HRESULT_FROM_WIN32(created);
    LONG written = RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return written == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(written);
}

::HRESULT deleteTree(HKEY root, const std::wstring& key) {
    LONG deleted = RegDeleteTreeW(root, key.c_str());
    if (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(root, key.c_str());
        return S_OK;
    }
    return HRESULT_FROM_WIN32(deleted);
}

std::wstring versionText() {
    const auto& library = typeLibraryInfo();
    return std::to_wstring(library.majorVersion) + L"." + std::to_wstring(library.minorVersion);
}

::HRESULT registerClass(HKEY root, const ClassInfo& info, const std::wstring& modulePath) {
    std::wstring progId = toWide(info.progId);
    std::wstring classId = toWide(info.classId);
    std::wstring classKey = std::wstring(kClasses) + L"CLSID\\" + classId;
    std::wstring progKey = std::wstring(kClasses) + progId;
    ::HRESULT steps[] = {
        setValue(root, progKey, nullptr, toWide(info.coclassName)),
        setValue(root, progKey + L"\\CLSID", nullptr, classId),
        setValue(root, classKey, nullptr, toWide(info.coclassName)),
        setValue(root, classKey + L"\\ProgID", nullptr, progId),
        setValue(root, classKey + L"\\InprocServer32", nullptr, modulePath),
        // Each object belongs to the thread that made it: the library keeps no state between threads,
        // but one object is not to be used from two at once.
        setValue(root, classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
        setValue(root, classKey + L"\\TypeLib", nullptr, toWide(typeLibraryInfo().libraryId)),
        setValue(root, classKey + L"\\Version", nullptr, versionText()),
    };
    for (::HRESULT step : steps)
        if (FAILED(step)) return step;
    return S_OK;
}

::HRESULT registerTypeLibrary(RegistrationScope scope, const std::wstring& modulePath) {
    ITypeLib* library = nullptr;
    ::HRESULT loaded = loadOwnTypeLibrary(&library);
    if (FAILED(loaded)) return loaded;
    std::wstring path = modulePath;
    ::HRESULT registered = scope == RegistrationScope::Machine
                               ? RegisterTypeLib(library, path.data(), nullptr)
                               : RegisterTypeLibForUser(library, path.data(), nullptr);
    library->Release();
    return registered;
}

::HRESULT unregisterTypeLibrary(RegistrationScope scope) {
    const auto& info = typeLibraryInfo();
    GUID id{};
    std::wstring text = toWide(info.libraryId);
    if (FAILED(CLSIDFromString(text.c_str(), &id))) return E_UNEXPECTED;
    SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    auto major = static_cast<WORD>(info.majorVersion);
    auto minor = static_cast<WORD>(info.minorVersion);
    ::HRESULT removed = scope == RegistrationScope::Machine ? UnRegisterTypeLib(id, major, minor, LOCALE_NEUTRAL, kind)
                                                            : UnRegisterTypeLibForUser(id, major, minor, LOCALE_NEUTRAL, kind);
    if (removed == TYPE_E_REGISTRYACCESS || removed == TYPE_E_CANTLOADLIBRARY) removed = S_OK;  // was not registered
    // What the runtime may leave of the library's own key goes too.
    ::HRESULT rest = deleteTree(rootOf(scope), std::wstring(kClasses) + L"TypeLib\\" + text);
    return FAILED(removed) ? removed : rest;
}

}  // namespace

::HRESULT registerServer(RegistrationScope scope) {
    std::wstring modulePath = ownModulePath();
    if (modulePath.empty()) return HRESULT_FROM_WIN32(GetLastError());
    HKEY root = rootOf(scope);
    for (const auto& info : libraryClasses()) {
        ::HRESULT done = registerClass(root, info, modulePath);
        if (FAILED(done)) {
            unregisterServer(scope);
            return done;
        }
    }
    ::HRESULT library = registerTypeLibrary(scope, modulePath);
    if (FAILED(library)) unregisterServer(scope);
    return library;
}

::HRESULT unregisterServer(RegistrationScope scope) {
    HKEY root = rootOf(scope);
    ::HRESULT first = S_OK;
    auto keep = [&](::HRESULT step) {
        if (SUCCEEDED(first) && FAILED(step)) first = step;
    };
    for (const auto& info : libraryClasses()) {
        keep(deleteTree(root, std::wstring(kClasses) + toWide(info.progId)));
        keep(deleteTree(root, std::wstring(kClasses) + L"CLSID\\" + toWide(info.classId)));
        keep(deleteTree(root, std::wstring(kClasses) + L"Interface\\" + toWide(info.interfaceId)));
    }
    keep(unregisterTypeLibrary(scope));
    return first;
}

}  // namespace tavlora::server::windows
