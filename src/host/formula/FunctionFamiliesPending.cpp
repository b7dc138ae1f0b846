#include "host/formula/FunctionSpec.h"

// The families of worksheet functions whose tables have not joined the library yet: each is empty
// here, so the engine links and computes formulas without them (a formula calling one keeps the
// value its file carried). A family's own file replaces its line here.
namespace tavlora::host::formula {

std::span<const FunctionSpec> mathFunctions() { return {}; }
std::span<const FunctionSpec> statisticalFunctions() { return {}; }
std::span<const FunctionSpec> logicalFunctions() { return {}; }
std::span<const FunctionSpec> informationFunctions() { return {}; }
std::span<const FunctionSpec> textFunctions() { return {}; }
std::span<const FunctionSpec> dateFunctions() { return {}; }
std::span<const FunctionSpec> lookupFunctions() { return {}; }
std::span<const FunctionSpec> financialFunctions() { return {}; }

}  // namespace tavlora::host::formula
