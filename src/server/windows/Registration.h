#pragma once
#include <windows.h>

// Writes and removes the registry entries that let callers create the five classes by ProgID:
// the ProgIDs, the class identifiers with InprocServer32 (apartment model), and the type library.
namespace tavlora::server::windows {

enum class RegistrationScope { Machine, User };

::HRESULT registerServer(RegistrationScope scope);
// Removes every key registerServer wrote; keys that are already gone are no failure.
::HRESULT unregisterServer(RegistrationScope scope);

}  // namespace tavlora::server::windows
