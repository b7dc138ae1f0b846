#pragma once
#include "host/formula/CompiledFormula.h"
#include "host/formula/FormulaValue.h"

// The operators on single values (blank, number, text, boolean, error, missing): the application's
// coercions, its comparison order and its error rules. The leftmost error operand is the result.
namespace tavlora::host::formula {

// Add ... GreaterOrEqual, Concat.
Value binaryOperation(OpCode op, const Value& left, const Value& right, bool date1904);
// Negate, Plus, Percent.
Value unaryOperation(OpCode op, const Value& operand, bool date1904);
// A number result as a cell keeps it: infinities and NaN are #NUM!.
Value numberResult(double n);
// The application takes a sum or difference that is zero but for the last bits of the operands
// as zero (0.1+0.2-0.3); it does so for the operation that gives a formula's result.
double snapNearZero(double result, double left, double right);

}  // namespace tavlora::host::formula
