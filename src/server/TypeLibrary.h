#pragma once
#include <string>

namespace tavlora::server {

// The type library of the five classes in IDL, generated from their dispatch tables, so the
// description can never drift from what Invoke accepts. The checked-in src/server/Tavlora.idl is
// this text.
std::string generateIdl();

}  // namespace tavlora::server
