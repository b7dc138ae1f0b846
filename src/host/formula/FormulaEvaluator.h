#pragma once
#include <stdexcept>
#include <vector>

#include "host/formula/CalcContext.h"
#include "host/formula/CompiledFormula.h"

// Runs a compiled formula against a CalcContext, with an explicit value stack: no recursion, so
// how deeply a formula nests costs no machine stack.
namespace tavlora::host::formula {

// The formula cannot be computed here (an array too large to build); the cell keeps its value.
struct CannotEvaluate : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The formula's result: a single value (or an array for an array formula), never a reference and
// never Missing. A non-array formula that gives an array gives its top-left value; a blank is 0.
Value evaluateFormula(const CompiledFormula& formula, CalcContext& context, bool isArrayFormula);
// The same with a value stack the caller keeps, so that evaluating many formulas allocates it once,
// for the copy of the formula `offset` away from the cell it was compiled for.
Value evaluateFormula(const CompiledFormula& formula, CalcContext& context, bool isArrayFormula,
                      std::vector<Value>& scratch, FormulaOffset offset = {});

// A value reduced to one: a reference by implicit intersection with the caller's row or column
// (#VALUE! when it has none), an array by its top-left value.
Value singleValue(const Value& value, CalcContext& context);

// A reference's cells as an array (for array formulas); CannotEvaluate beyond a million cells.
ValueArray arrayOf(const Value& value, CalcContext& context);

}  // namespace tavlora::host::formula
