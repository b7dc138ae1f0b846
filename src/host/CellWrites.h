#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "com/Variant.h"

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
// The number a text typed into a cell becomes, nullopt for one that stays text (see writeTypedText).
std::optional<double> typedNumberOf(std::string_view text);
// writeTypedText for a caller that has read the text already: `number` is typedNumberOf(text).
void writeTypedText(Worksheet& sheet, int32_t row, int32_t column, std::string_view text,
                    std::optional<double> number);
// A value as Range.Value writes it into one cell (see requireSingleValue).
void writeCellValue(Worksheet& sheet, int32_t row, int32_t column, const com::Variant& v);
// Refuses an array or an object, which no cell holds.
void requireSingleValue(const com::Variant& v);

// Cells(row, column).Value = v with the checks and the calculation's notice of both, without
// making a Range: for fillers that write a table one cell at a time.
void setCellValue(Worksheet& sheet, int32_t row, int32_t column, const com::Variant& v);

}  // namespace tavlora::host
