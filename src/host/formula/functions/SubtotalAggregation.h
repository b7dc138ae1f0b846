#pragma once
#include <span>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// SUBTOTAL and AGGREGATE: one of the list functions, chosen by number, over references less the
// cells the function number or the options leave out (other subtotals, hidden rows, errors).
namespace tavlora::host::formula::functions {

// SUBTOTAL(function, ref1, ...): 1-11 count hidden rows, 101-111 leave them out.
Value subtotal(CalcContext& context, std::span<const Value> arguments);
// AGGREGATE(function, options, ref1, ...) for 1-13, AGGREGATE(function, options, array, k) for
// 14-19. Options 0-7: bit 1 leaves out hidden rows, bit 2 errors, and 0-3 also other subtotals.
Value aggregate(CalcContext& context, std::span<const Value> arguments);

}  // namespace tavlora::host::formula::functions
