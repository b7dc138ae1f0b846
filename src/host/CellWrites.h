#pragma once
#include <cstdint>
#include <string>

namespace tavlora::host {

class Worksheet;

// Range.Value's writes of one cell, for writers that tell the workbook's calculation once for many
// cells instead of once a cell: Range.Value itself, and a list laying out its records. Neither
// tells it.

// Empties the cell's value, keeping its format; a cell without a format of its own goes.
void emptyCellValue(Worksheet& sheet, int32_t row, int32_t column);
// A text as typed: one that reads as a number becomes that number unless the cell is formatted as
// text ("@"); one starting with "=" is data, never a formula, and stays a text, as does "".
void writeTypedText(Worksheet& sheet, int32_t row, int32_t column, const std::string& text);

}  // namespace tavlora::host
