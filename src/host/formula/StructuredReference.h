#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/formula/FormulaValue.h"

// Structured references name the parts of a table ("Sales[Amount]", "Sales[[#Totals],[Amount]]",
// "[@Amount]") instead of its cells. The engine learns the tables from whoever models them and
// turns each reference into the area it names when the formula is compiled.
namespace tavlora::host::formula {

struct TableDefinition {
    std::string name;  // as formulas write it (the display name)
    int32_t sheet = 0;
    Area area;  // header and totals rows included
    int32_t headerRows = 1;  // 0 or 1
    int32_t totalsRows = 0;  // 0 or 1
    std::vector<std::string> columns;  // names, from the area's first column on
};

// The table named `name` (letter case ignored); nullptr when there is none.
const TableDefinition* findTable(std::span<const TableDefinition> tables, std::string_view name);
// The table whose area holds the cell: what "[@Amount]" without a table name refers to.
const TableDefinition* tableAt(std::span<const TableDefinition> tables, int32_t sheet, int32_t row, int32_t column);

// The area `brackets` ("[Amount]", "[[#Headers],[A]:[B]]", "[@[Unit Price]]", "[]" or "" for the
// table's data) names in `table`, seen from a formula in row `callerRow`. #REF! for a column the
// table does not have, a header or totals row it does not have, or a text that is no structured
// reference; #VALUE! for "#This Row" from a row outside the table's data.
std::variant<Area, ErrorValue> resolveStructuredReference(const TableDefinition& table, std::string_view brackets,
                                                          int32_t callerRow);

}  // namespace tavlora::host::formula
