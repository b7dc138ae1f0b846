#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Copies of one formula down a column ("C2*D2", "C3*D3", ...) differ only in where they are. Their
// shape is the text with each relative part of a reference written as its distance from the cell
// (as R1C1 notation would write it); formulas of one shape compile to one program.
namespace tavlora::host::formula {

// Appends the shape of `formula` in the cell (row, column) to `key`. False when the formula's
// meaning depends on its place beyond its references (a structured reference may name the row or
// the table the formula is in): such a formula is compiled on its own.
bool appendFormulaShape(std::string& key, std::string_view formula, int32_t row, int32_t column);

// Where a formula writes the row of a relative cell reference: the digits at `offset`, `length`
// of them, reading `row`.
struct RelativeRow {
    uint32_t offset = 0;
    uint32_t length = 0;
    int32_t row = 0;
};

// The shape of a formula of words and operators alone ("C2*D2", "ROUND(F1+E2,2)": no texts, sheet
// prefixes, brackets, braces, error literals or ranges), read in one pass without the lexer, and
// where its relative rows are (when `relativeRows` is given). False, with `key` as it was, for
// any other formula.
bool appendPlainShape(std::string& key, std::string_view formula, int32_t row, int32_t column,
                      std::vector<RelativeRow>* relativeRows);

}  // namespace tavlora::host::formula
