#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Copies of one formula down a column ("C2*D2", "C3*D3", ...) differ only in where they are. Their
// shape is the text with each relative part of a reference written as its distance from the cell
// (as R1C1 notation would write it); formulas of one shape compile to one program.
namespace tavlora::host::formula {

// Appends the shape of `formula` in the cell (row, column) to `key`. False when the formula's
// meaning depends on its place beyond its references (a structured reference may name the row or
// the table the formula is in): such a formula is compiled on its own.
bool appendFormulaShape(std::string& key, std::string_view formula, int32_t row, int32_t column);

}  // namespace tavlora::host::formula
