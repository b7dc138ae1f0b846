#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/formula/FormulaValue.h"
#include "host/formula/FunctionDefinition.h"
#include "host/formula/StructuredReference.h"

// A formula parsed once into a postfix program: constants, references already resolved to sheet
// indexes and the areas they name from the cell the formula was compiled for, operators and
// function calls. The copies of a formula down a column are one program: each copy moves the
// relative parts of its references by its distance from that cell. IF, IFERROR, IFNA and CHOOSE
// compile to jumps so that the branch not taken is never computed.
namespace tavlora::host::formula {

enum class OpCode : uint8_t {
    Number,       // data.number
    Constant,     // constants[index]: a text, boolean, error or array constant
    Missing,      // an argument left out
    Reference,    // references[index]
    CellValue,    // the value of the one cell references[index] names, where no reference is wanted (data.near)
    Add, Subtract, Multiply, Divide, Power, Concat,
    Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual,
    Negate, Plus, Percent,
    Range, Intersect, Union,  // Union: argc operands
    Call,          // data.function with argc arguments
    // Lazy branches. index is the instruction to continue at.
    JumpIfFalse,   // pops the condition; IF's false branch starts at index
    Jump,
    JumpIfNotError,  // IFERROR: looks at the value on top; keeps it and jumps when it is no error
    JumpIfNotNA,     // IFNA
    Pop,
    Choose,        // pops the index; jumps to the jumpTables[index] entry it selects
    IfMissingBranch,  // IF(c, a) without its false branch: FALSE
};

// Where a cell lies from the cell of the formula that reads it.
struct CellDistance {
    int32_t rows;
    int32_t columns;
};

struct Instruction {
    OpCode op = OpCode::Number;
    uint8_t argc = 0;
    // Operators and calls inside an array formula or an argument taken as an array: references
    // and arrays are worked cell by cell instead of reduced to one value.
    bool elementwise = false;
    uint32_t index = 0;
    union {
        double number;
        const FunctionDefinition* function;
        CellDistance near;  // a CellValue's, in a formula that readsNearCells
    } data{0.0};
};

// How far a copy of a formula lies from the cell the formula was compiled for.
struct FormulaOffset {
    int32_t rows = 0;
    int32_t columns = 0;
    bool isZero() const { return rows == 0 && columns == 0; }
};

struct CompiledFormula {
    std::vector<Instruction> code;
    std::vector<Value> constants;
    std::vector<SheetArea> references;  // as the cell the formula was compiled for sees them
    // Per reference, as written, when its relative parts move with the cell; nullopt for the
    // fixed ones (those of defined names and tables).
    std::vector<std::optional<A1Reference>> written;
    // Per reference: every part of both corners is relative, so a copy's area is this one moved
    // by the copy's offset (the common "C2*D2" case, which then needs no corner arithmetic).
    std::vector<uint8_t> movesWhole;
    std::vector<std::vector<uint32_t>> jumpTables;
    // The cell the formula was compiled for (set by whoever compiles it for a cell): a copy of
    // the formula elsewhere lies offsetFrom its own cell away from it.
    int32_t originRow = 1;
    int32_t originColumn = 1;
    FormulaOffset offsetFrom(int32_t row, int32_t column) const { return {row - originRow, column - originColumn}; }
    // Sets the origin, and with it the distances of the cells an arithmetic formula reads
    // (readsNearCells).
    void setOrigin(int32_t row, int32_t column);
    // Computed again on every calculation: it calls a volatile function.
    bool isVolatile = false;
    // Numbers, single cells and + - * / alone, at most kArithmeticDepth operands deep: the
    // evaluator can compute it on plain numbers.
    bool isArithmetic = false;
    static constexpr size_t kArithmeticDepth = 16;
    // An arithmetic formula whose every reference is one cell on the sheet `nearSheet` moving whole
    // with the formula ("C2*D2", "F1+E2" down a list): each CellValue carries its cell's distance
    // from the formula's own cell (data.near), so that a copy finds the cell by two additions.
    bool readsNearCells = false;
    int32_t nearSheet = -1;

    // Reference `index` as a copy of the formula `offset` away sees it.
    SheetArea reference(uint32_t index, FormulaOffset offset) const {
        if (offset.isZero() || index >= movesWhole.size() || !movesWhole[index]) return movedReference(index, offset);
        const SheetArea& here = references[index];
        const Area& a = here.area;
        const int64_t top = int64_t(a.firstRow) + offset.rows, bottom = int64_t(a.lastRow) + offset.rows;
        const int64_t left = int64_t(a.firstColumn) + offset.columns, right = int64_t(a.lastColumn) + offset.columns;
        // Off the grid (copies share a program only when each has its references on it, so this
        // should not happen): the reference stays where it was compiled rather than wrap around.
        if (top < 1 || bottom > kMaxRows || left < 1 || right > kMaxColumns) return here;
        return SheetArea{here.sheet, Area{int32_t(top), int32_t(left), int32_t(bottom), int32_t(right)}};
    }

    // The cell of a one-cell reference (a CellValue's) as a copy `offset` away sees it: the same as
    // reference(index, offset).area's corner, without the other corner's arithmetic.
    struct CellPlace {
        int32_t sheet;
        int32_t row;
        int32_t column;
    };
    CellPlace cell(uint32_t index, FormulaOffset offset) const {
        const SheetArea& here = references[index];
        if (!offset.isZero() && index < movesWhole.size() && movesWhole[index]) {
            const int64_t row = int64_t(here.area.firstRow) + offset.rows;
            const int64_t column = int64_t(here.area.firstColumn) + offset.columns;
            const bool one = here.area.firstRow == here.area.lastRow && here.area.firstColumn == here.area.lastColumn;
            if (one && isOnGrid(row, column))
                return {here.sheet, int32_t(row), int32_t(column)};
        }
        const SheetArea moved = reference(index, offset);
        return {moved.sheet, moved.area.firstRow, moved.area.firstColumn};
    }

private:
    SheetArea movedReference(uint32_t index, FormulaOffset offset) const;
};

// Whether `code` qualifies as CompiledFormula::isArithmetic.
bool isArithmeticCode(const std::vector<Instruction>& code);

// What the compiler needs of the workbook: sheet indexes by name, defined names.
struct CompileScope {
    int32_t hostSheet = 0;  // the sheet unqualified references belong to
    int32_t hostRow = 1;    // the cell the formula is in: structured references to "this row" need it
    int32_t hostColumn = 1;
    std::function<std::optional<int32_t>(std::string_view sheetName)> sheetIndex;
    // The text (without "=") of the defined name visible from `sheet` (-1: workbook scope only).
    std::function<std::optional<std::string>(std::string_view name, int32_t sheet)> definedName;
    std::function<const FunctionDefinition*(std::string_view name)> function;
    std::span<const TableDefinition> tables;
    // An array formula: functions get arrays elementwise, so IF and its kin are called eagerly.
    bool isArray = false;
};

struct CompileResult {
    std::optional<CompiledFormula> formula;
    std::string problem;  // why the engine cannot compute the formula, when it cannot
};

// Parses formula text (without "="). A formula the engine cannot compute (an unknown function, a
// 3-D or external reference, a syntax it does not read) gives no program and says why; a reference
// to a sheet, table or table column that is not there compiles to #REF!.
CompileResult compileFormula(std::string_view text, const CompileScope& scope);

}  // namespace tavlora::host::formula
