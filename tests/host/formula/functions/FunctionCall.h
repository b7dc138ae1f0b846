#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "host/formula/FunctionDefinition.h"
#include "host/formula/GridContext.h"

// Calling a worksheet function as the engine would: by name, with the arguments already in the
// form its FunctionDefinition asks for, after the argument count is checked against its own limits.
namespace tavlora::host::formula::testing {

inline Value call(CalcContext& context, std::string_view name, std::vector<Value> arguments) {
    const FunctionDefinition* definition = findFunction(name);
    EXPECT_NE(definition, nullptr) << name;
    if (!definition) return Value::error(ErrorValue::Name);
    EXPECT_GE(arguments.size(), definition->minArguments) << name;
    EXPECT_TRUE(definition->maxArguments == kManyArguments || arguments.size() <= definition->maxArguments) << name;
    return definition->body(context, arguments);
}

inline Value range(int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn, int32_t sheet = 0) {
    return Value::reference(SheetArea{sheet, Area{firstRow, firstColumn, lastRow, lastColumn}});
}
inline Value cell(int32_t row, int32_t column, int32_t sheet = 0) { return range(row, column, row, column, sheet); }
inline Value column(int32_t column) { return range(1, column, kMaxRows, column); }
inline Value num(double n) { return Value::number(n); }
inline Value text(std::string t) { return Value::text(std::move(t)); }
inline Value boolean(bool b) { return Value::boolean(b); }
inline Value error(ErrorValue e) { return Value::error(e); }
inline Value row(std::vector<Value> values) {
    ValueArray array;
    array.rows = 1;
    array.columns = int32_t(values.size());
    array.values = std::move(values);
    return Value::array(std::move(array));
}

// A number result within a relative 1e-12.
#define EXPECT_NUMBER(value, expected)                                              \
    do {                                                                            \
        Value v_ = (value);                                                         \
        ASSERT_TRUE(v_.isNumber()) << "not a number: kind " << int(v_.kind());      \
        EXPECT_NEAR(v_.asNumber(), (expected), 1e-12 * std::max(1.0, std::abs(double(expected)))); \
    } while (0)

}  // namespace tavlora::host::formula::testing
