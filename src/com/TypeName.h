#pragma once
#include "com/Variant.h"

namespace tavlora::com {

// The automation language's name of a value type, as its messages and the API reference show it
// ("Integer", "String", "Empty"); Any, which dispatch declarations use for a parameter or result
// of every type, is "Variant".
const char* typeName(VarType type);

}  // namespace tavlora::com
