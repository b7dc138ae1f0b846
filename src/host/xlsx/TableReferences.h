#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavlora::host::xlsx {

// What an edit took from a table: some of its columns, or the whole table.
struct TableLoss {
    std::string table;
    std::vector<std::string> columns;  // names as the table part lists them
    bool wholeTable = false;
    // The table's and the lost columns' ids in the table part: slicers name them by these.
    uint32_t tableId = 0;
    std::vector<uint32_t> columnIds;
};

// The formula with every structured reference that needs what the table lost replaced by #REF!,
// as the application rewrites them when a table column or the table is deleted. `insideTable`
// says that unqualified references ("[@Qty]") belong to that table (a formula of the table itself
// or of a cell in it). Table and column names match ignoring case.
std::string invalidateTableReferences(std::string_view formula, const TableLoss& loss, bool insideTable);

// The column and special item names a bracketed part of a structured reference names, without
// escapes: "[[#Totals],[Unit 'Price]]" -> {"#Totals", "Unit Price"}, "[@Qty]" -> {"Qty"}.
std::vector<std::string> structuredReferenceItems(std::string_view bracketed);

}  // namespace tavlora::host::xlsx
