#pragma once
#include <functional>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// The values inside a by-reference argument, for functions that take ranges, arrays and single
// values alike (CONCAT, TEXTJOIN, NPV, IRR, the holidays of WORKDAY).
namespace tavlora::host::formula::arguments {

// Where a value came from: the application counts booleans and numeric texts written directly as
// arguments, but not those that stand in cells or arrays.
enum class Source : uint8_t { Direct, Cell, ArrayElement };

using ValueVisitor = std::function<void(const Value& value, Source source)>;

// The non-blank cells of every area row by row (cost in proportion to the used cells), every
// element of an array, or the single value itself.
void forEachValue(CalcContext& context, const Value& argument, const ValueVisitor& visit);

}  // namespace tavlora::host::formula::arguments
