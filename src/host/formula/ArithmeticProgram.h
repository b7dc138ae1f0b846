#pragma once
#include <cmath>
#include <optional>

#include "host/formula/CompiledFormula.h"
#include "host/formula/FormulaOperators.h"

// A formula of numbers, single cells and + - * / alone (CompiledFormula::isArithmetic) computed on
// plain numbers. The evaluator and the engine's walk down a sheet share it; each reads the cells
// its own way, which is where nearly all of the cost of a formula like "C2*D2" lies.
namespace tavlora::host::formula {

// One operation of an arithmetic program on plain numbers; nullopt for a division by zero or an
// overflow. `last`: it gives the formula's result, which the full evaluation snaps near zero.
inline std::optional<double> applyArithmetic(OpCode op, double a, double b, bool last) {
    double n;
    if (op == OpCode::Add) n = a + b;
    else if (op == OpCode::Subtract) n = a - b;
    else if (op == OpCode::Multiply) n = a * b;
    else if (b != 0) n = a / b;
    else return std::nullopt;
    if (!std::isfinite(n)) return std::nullopt;
    if (last && (op == OpCode::Add || op == OpCode::Subtract)) n = snapNearZero(n, a, b);
    return n;
}

// Runs an arithmetic program: `readCell(const Instruction& cellValue, double& number)` gives the
// number arithmetic reads from the cell of that CellValue, or false when the cell needs the
// application's rules (text, an error, a formula not computed yet). Those, a division by zero and
// an overflow give nullopt: the formula is then evaluated in full.
template <typename ReadCell>
std::optional<double> runArithmetic(const std::vector<Instruction>& code, ReadCell&& readCell) {
    double stack[CompiledFormula::kArithmeticDepth];
    size_t depth = 0;
    for (size_t pc = 0; pc < code.size(); ++pc) {
        const Instruction& ins = code[pc];
        switch (ins.op) {
            case OpCode::Number: stack[depth++] = ins.data.number; break;
            case OpCode::CellValue:
                if (!readCell(ins, stack[depth])) return std::nullopt;
                ++depth;
                break;
            case OpCode::Negate: stack[depth - 1] = -stack[depth - 1]; break;
            case OpCode::Plus: break;
            default: {
                const std::optional<double> n = applyArithmetic(ins.op, stack[depth - 2], stack[depth - 1], pc + 1 == code.size());
                if (!n) return std::nullopt;
                stack[--depth - 1] = *n;
                break;
            }
        }
    }
    return stack[0];
}

// The copy of the formula `offset` away from where it was compiled. `readNumber(const
// CompiledFormula::CellPlace& cell, double& number)` reads a cell as runArithmetic's readCell does.
template <typename ReadNumber>
std::optional<double> evaluateArithmetic(const CompiledFormula& formula, FormulaOffset offset, ReadNumber&& readNumber) {
    return runArithmetic(formula.code, [&](const Instruction& ins, double& number) {
        return readNumber(formula.cell(ins.index, offset), number);
    });
}

// The same for a formula that readsNearCells, in the cell (row, column) of its sheet: `readNear(int32_t
// row, int32_t column, double& number)` reads a cell of that sheet, on the grid. A cell off the
// grid gives nullopt, as the full evaluation decides what it reads then. The commonest programs,
// one operation on two operands ("C2*D2", "F1+E2") and a lone cell ("E2"), skip the walk.
template <typename ReadNear>
std::optional<double> evaluateNearArithmetic(const CompiledFormula& formula, int32_t row, int32_t column,
                                             ReadNear&& readNear) {
    const std::vector<Instruction>& code = formula.code;
    const auto readCell = [&](const Instruction& ins, double& number) {
        const int32_t r = row + ins.data.near.rows, c = column + ins.data.near.columns;
        return isOnGrid(r, c) && readNear(r, c, number);
    };
    const size_t operands = code.size() == 3 ? 2 : 1;
    if ((code.size() == 3 && code[2].op != OpCode::Negate && code[2].op != OpCode::Plus) ||
        (code.size() == 1 && code[0].op == OpCode::CellValue)) {
        double x[2];
        for (size_t i = 0; i < operands; ++i) {
            const Instruction& ins = code[i];
            if (ins.op == OpCode::Number) {
                x[i] = ins.data.number;
                continue;
            }
            if (!readCell(ins, x[i])) return std::nullopt;
        }
        if (operands == 1) return x[0];
        return applyArithmetic(code[2].op, x[0], x[1], true);
    }
    return runArithmetic(code, readCell);
}

}  // namespace tavlora::host::formula
