#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>

#include "base/Ascii.h"
#include "host/formula/FunctionSpec.h"

namespace tavlora::host::formula {

namespace {

using Index = std::unordered_map<std::string, const FunctionSpec*>;

// Built once from the families' tables, which are constant; a name two families both list is an
// error of the tables and the first family listed wins.
Index buildIndex() {
    Index index;
    const std::array families{mathFunctions(),    statisticalFunctions(), logicalFunctions(), informationFunctions(),
                              textFunctions(),    dateFunctions(),        lookupFunctions(),  financialFunctions()};
    for (const auto& family : families)
        for (const FunctionSpec& spec : family) index.emplace(base::asciiUpper(spec.name), &spec);
    return index;
}

}  // namespace

const FunctionSpec* findFunction(std::string_view name) {
    static const Index index = buildIndex();
    for (std::string_view prefix : {"_xlfn.", "_xlws."})
        if (base::startsWithIgnoringAsciiCase(name, prefix)) name.remove_prefix(prefix.size());
    auto it = index.find(base::asciiUpper(name));
    return it == index.end() ? nullptr : it->second;
}

}  // namespace tavlora::host::formula
