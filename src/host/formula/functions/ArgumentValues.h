#pragma once
#include <functional>
#include <span>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// Walking the values of list arguments (SUM(A1:B4, 7, {1,2})): the used cells of each reference,
// the elements of each array, and single values. The application treats the first two alike and
// the last differently (a direct "3" or TRUE counts, one in a cell does not), so each value comes
// with where it came from.
namespace tavlora::host::formula::functions {

// What SUBTOTAL and AGGREGATE leave out of their references.
struct CellFilter {
    bool skipHiddenRows = false;
    bool skipSubtotals = false;
    bool any() const { return skipHiddenRows || skipSubtotals; }
};

enum class ValueOrigin : uint8_t { Cell, ArrayElement, Direct };

using ArgumentValueVisitor = std::function<void(const Value& value, ValueOrigin origin)>;

// Blank cells are never visited (the cost stays with the used cells); blank array elements and a
// blank or missing direct argument are.
void forEachArgumentValue(CalcContext& context, std::span<const Value> arguments, const CellFilter& filter,
                          const ArgumentValueVisitor& visit);

// The cells of the references among `arguments`, blank or not.
int64_t referencedCellCount(std::span<const Value> arguments);

}  // namespace tavlora::host::formula::functions
