#pragma once
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "host/formula/FunctionSpec.h"
#include "host/formula/GridContext.h"

// Calling a function of the text, date, lookup and financial families by name, as the engine
// would: the argument count is checked against the function's own limits first. A namespace of
// their own keeps these helpers apart from those of the other families' tests in this program.
namespace tavlora::host::formula::familytest {

using testing::GridContext;

inline const FunctionSpec* ownFunction(std::string_view name) {
    for (auto family : {textFunctions(), dateFunctions(), lookupFunctions(), financialFunctions()})
        for (const FunctionSpec& spec : family)
            if (spec.name == name) return &spec;
    return nullptr;
}

inline Value call(CalcContext& context, std::string_view name, std::vector<Value> args) {
    const FunctionSpec* spec = ownFunction(name);
    EXPECT_NE(spec, nullptr) << name;
    if (!spec) return Value::error(ErrorValue::Name);
    EXPECT_GE(args.size(), spec->minArguments) << name;
    EXPECT_TRUE(spec->maxArguments == kManyArguments || args.size() <= spec->maxArguments) << name;
    return spec->body(context, args);
}

inline Value num(double n) { return Value::number(n); }
inline Value txt(std::string t) { return Value::text(std::move(t)); }
inline Value err(ErrorValue e) { return Value::error(e); }
inline Value ref(int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn, int32_t sheet = 0) {
    return Value::reference(SheetArea{sheet, Area{firstRow, firstColumn, lastRow, lastColumn}});
}
inline Value cell(int32_t row, int32_t column) { return ref(row, column, row, column); }
inline Value row(std::vector<Value> values) {
    auto columns = int32_t(values.size());
    return Value::array(ValueArray{1, columns, std::move(values)});
}
inline Value column(std::vector<Value> values) {
    auto rows = int32_t(values.size());
    return Value::array(ValueArray{rows, 1, std::move(values)});
}

}  // namespace tavlora::host::formula::familytest
