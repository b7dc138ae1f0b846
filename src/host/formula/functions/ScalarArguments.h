#pragma once
#include <cstddef>
#include <optional>
#include <span>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"
#include "host/formula/ValueCoercion.h"

// Reading the single-value arguments of a function: an omitted or absent argument takes the
// function's default, everything else goes through the application's coercion.
namespace tavlora::host::formula::functions {

// Argument `index` as a number; `fallback` when it is absent or written empty ("ROUND(A1,)" reads
// the digits as the fallback too, as the application does).
NumberResult numberArgument(CalcContext& context, std::span<const Value> arguments, size_t index,
                            double fallback = 0);
// The same, truncated toward zero (digits, counts, function numbers).
NumberResult integerArgument(CalcContext& context, std::span<const Value> arguments, size_t index,
                             double fallback = 0);
BooleanResult booleanArgument(std::span<const Value> arguments, size_t index, bool fallback);

// A by-reference argument where one value is wanted (a criterion written as C1): one cell reads
// as its value, a row or column range as the cell in the caller's row or column (implicit
// intersection), an array as its first element; #VALUE! for anything wider.
Value singleValue(CalcContext& context, const Value& argument);

bool isAbsent(std::span<const Value> arguments, size_t index);

// A computed number as a cell can hold it: infinities and NaN (overflow, a domain error the C
// library let through) are #NUM!.
Value numberValue(double number);
Value errorOf(const NumberResult& result);

}  // namespace tavlora::host::formula::functions
