#pragma once
#include <cmath>
#include <optional>

#include "host/formula/CompiledFormula.h"
#include "host/formula/FormulaOperators.h"

// A formula of numbers, single cells and + - * / alone (CompiledFormula::isArithmetic) computed on
// plain numbers. The evaluator and the engine's walk down a sheet share it; each reads the cells
// its own way, which is where nearly all of the cost of a formula like "C2*D2" lies.
namespace tavlora::host::formula {

// `readNumber(const CompiledFormula::CellPlace& cell, double& number)` gives the number arithmetic
// reads from a cell, or false when the cell needs the application's rules (text, an error, a formula not
// computed yet). Those, a division by zero and an overflow give nullopt: the formula is then
// evaluated in full.
template <typename ReadNumber>
std::optional<double> evaluateArithmetic(const CompiledFormula& formula, FormulaOffset offset, ReadNumber&& readNumber) {
    double stack[CompiledFormula::kArithmeticDepth];
    size_t depth = 0;
    const auto& code = formula.code;
    for (size_t pc = 0; pc < code.size(); ++pc) {
        const Instruction& ins = code[pc];
        switch (ins.op) {
            case OpCode::Number: stack[depth++] = ins.data.number; break;
            case OpCode::CellValue:
                if (!readNumber(formula.cell(ins.index, offset), stack[depth])) return std::nullopt;
                ++depth;
                break;
            case OpCode::Negate: stack[depth - 1] = -stack[depth - 1]; break;
            case OpCode::Plus: break;
            default: {
                const double a = stack[depth - 2], b = stack[depth - 1];
                double n;
                if (ins.op == OpCode::Add) n = a + b;
                else if (ins.op == OpCode::Subtract) n = a - b;
                else if (ins.op == OpCode::Multiply) n = a * b;
                else if (b != 0) n = a / b;
                else return std::nullopt;
                if (!std::isfinite(n)) return std::nullopt;
                // As the full evaluation does for the operation that gives the result.
                if (pc + 1 == code.size() && (ins.op == OpCode::Add || ins.op == OpCode::Subtract))
                    n = snapNearZero(n, a, b);
                stack[--depth - 1] = n;
                break;
            }
        }
    }
    return stack[0];
}

}  // namespace tavlora::host::formula
