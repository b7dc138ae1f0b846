#pragma once
#include <oaidl.h>
#include <windows.h>

#include <string>

// The module itself and the type library compiled into it as a resource.
namespace tavlora::server::windows {

HMODULE ownModule();
// The full path of Tavlora.dll.
std::wstring ownModulePath();
// The type library from the module's resource, whether or not it is registered.
::HRESULT loadOwnTypeLibrary(ITypeLib** library);

}  // namespace tavlora::server::windows
