#pragma once
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "host/formula/FunctionDefinition.h"
#include "host/formula/GridContext.h"
#include "FunctionCall.h"

// Argument builders for the text, date, lookup and financial families' tests. A namespace of
// their own keeps them apart from those of the other families' tests in this program.
namespace tavlora::host::formula::familytest {

using testing::call;
using testing::GridContext;

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
