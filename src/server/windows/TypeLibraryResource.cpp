#include "server/windows/TypeLibraryResource.h"

#include <oleauto.h>

namespace tavlora::server::windows {

HMODULE ownModule() {
    HMODULE module = nullptr;
    // Any address inside the DLL names it; no handle needs to be kept from DllMain.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}

std::wstring ownModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(ownModule(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

::HRESULT loadOwnTypeLibrary(ITypeLib** library) {
    std::wstring path = ownModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
}

}  // namespace tavlora::server::windows
