#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>

#include "base/Ascii.h"
#include "host/formula/FunctionDefinition.h"

namespace tavlora::host::formula {

namespace {

using Index = std::unordered_map<std::string, const FunctionDefinition*>;

// Built once from the families' tables, which are constant; a name two families both list is an
// error of the tables and the first family listed wins.
Index buildIndex() {
    Index index;
    const std::array families{mathFunctions(),    statisticalFunctions(), logicalFunctions(), informationFunctions(),
                              textFunctions(),    dateFunctions(),        lookupFunctions(),  financialFunctions()};
    for (const auto& family : families)
        for (const FunctionDefinition& definition : family) index.emplace(base::asciiUpper(definition.name), &definition);
    return index;
}

const Index& functionIndex() {
    static const Index index = buildIndex();
    return index;
}

}  // namespace

std::vector<std::string_view> functionNames() {
    std::vector<std::string_view> names;
    for (const auto& [name, definition] : functionIndex()) names.push_back(definition->name);
    std::sort(names.begin(), names.end());
    return names;
}

const FunctionDefinition* findFunction(std::string_view name) {
    const Index& index = functionIndex();
    for (std::string_view prefix : {"_xlfn.", "_xlws."})
        if (base::startsWithIgnoringAsciiCase(name, prefix)) name.remove_prefix(prefix.size());
    auto it = index.find(base::asciiUpper(name));
    return it == index.end() ? nullptr : it->second;
}

}  // namespace tavlora::host::formula
