#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A shared formula is stored once, on its first cell; the other cells of the group use the same
// text with its relative references moved by their distance from that cell.
namespace tavlora::host::formula {

// The formula (without "=") with every relative row moved by `rowOffset` and every relative
// column by `columnOffset`; absolute parts ($) stay. Texts, quoted sheet names, function names,
// defined names and structured references are left alone. A reference moved off the grid
// becomes #REF! (after its sheet prefix, when it has one).
std::string shiftFormula(std::string_view formula, int32_t rowOffset, int32_t columnOffset);

}  // namespace tavlora::host::formula
