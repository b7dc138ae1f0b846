#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "com/Variant.h"
#include "host/cells/CellRef.h"

namespace tavlora::host {

// One area of a named worksheet.
struct SheetArea {
    std::string sheet;
    Area area;
    bool operator==(const SheetArea&) const = default;
};

// Where a series takes cells from: one area, or a union of areas, each on a named sheet.
// `broken` once an edit removed what it pointed at (the application shows #REF!).
struct ChartReference {
    std::vector<SheetArea> areas;
    bool broken = false;

    bool operator==(const ChartReference&) const = default;
    // The form chart parts store: "Data!$B$2:$B$6", "'My Data'!$A$1", "(Data!$A$2,Data!$A$3)";
    // a broken reference is "#REF!" after the sheet name of its first area.
    std::string a1() const;
    // The form a client reads back: "=Data!R2C2:R6C2", "=(Data!R2C1,Data!R3C1)".
    std::string r1c1() const;
};

// Parses an R1C1 reference formula: "=Data!R2C2:R6C2", "=Data!R2C1", "=(Data!R2C1,Data!R3C1)",
// "='My Data'!R1C1:R3C1", whole rows "=Data!R2:R4" and columns "=Data!C2". A reference without a
// sheet name takes `defaultSheet`; when that is "" a sheet name is required. Relative forms
// (R[1]C) are refused. Host error naming the formula when the text is not such a reference, or a
// sheet name holds a blank or another character that needs quotes and has none. Sheet names are
// returned as written; whether the workbook has them is the caller's check.
ChartReference parseR1C1Reference(std::string_view formula, std::string_view defaultSheet);

// Parses the A1 form chart parts store (no "="): "Sheet1!$B$2:$B$6", "'A b'!B2", unions with or
// without parentheses. nullopt for anything else (external workbooks, names, #REF!, no sheet).
std::optional<ChartReference> parseA1Reference(std::string_view text);

// True when the formula is an array constant ("={1,2.5,3}", blanks allowed around it).
bool isArrayConstant(std::string_view formula);
// The elements of an array constant in order, rows joined: numbers (Double), texts ("a""b"),
// TRUE/FALSE (Boolean) and error values (#N/A, #REF!, ...). Host error naming the formula when it
// is malformed.
std::vector<com::Variant> parseArrayConstant(std::string_view formula);

}  // namespace tavlora::host
