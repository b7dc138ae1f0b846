#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "host/formula/FormulaReferences.h"
#include "host/formula/StructuredReference.h"
#include "host/xlsx/TableReferences.h"

namespace tavlora::host {
class Sheet;
class Workbook;
class Worksheet;
}

namespace tavlora::host::xlsx {

class PackageContents;

// What a table part (xl/tables/tableN.xml) says about where the table lies.
struct TableShape {
    Area area;
    int32_t headerRows = 1;  // 0 or 1
    int32_t totalsRows = 0;  // 0 or 1
    int32_t dataRows() const { return area.lastRow - area.firstRow + 1 - headerRows - totalsRows; }
};

enum class TableEdit { Unchanged, Changed, Removed };

// Moves one table part after rows or columns of its sheet went. The area, its auto filter and sort
// state and the formulas of its columns follow the cells; deleted columns leave the table's column
// list. A table whose header row or whole area went is removed. A table left with no data row
// keeps one: the row below its header (when its totals row survived, that row turns into the data
// row), since a table without data rows is not valid. The table's own formulas that named a deleted
// column become #REF!; `loss`, when given, receives what the table lost for the other formulas.
TableEdit shiftTable(pugi::xml_document& table, std::string_view sheetName, const formula::Deletion& deletion,
                     TableLoss* loss = nullptr);

// Every table of the sheet follows the deletion; removed tables leave the package (their part,
// relationship and the sheet's tablePart). Structured references anywhere in the workbook (cells,
// defined names, other tables' column and totals formulas) to a removed table or a deleted column
// become #REF!, and the table slicers over them leave the package. The column and totals formulas
// of tables on other sheets follow the edited sheet's cells with every other kept formula
// (KeptFormulas.h), not here.
void shiftSheetTables(PackageContents& package, const Worksheet& sheet, const formula::Deletion& deletion);

// The tables of a deleted sheet went with it: structured references to them anywhere in the
// workbook become #REF!, and the table slicers over them leave the package. `sheet` has left
// `book` already.
void dropDeletedSheetTables(PackageContents& package, Workbook& book, const Sheet& sheet);

// A new text for a column or totals formula of the table named `table` on `host`.
using TableFormulaEdit =
    std::function<std::string(const std::string& formula, const std::string& table, const Worksheet& host)>;
// Rewrites the column and totals formulas of every table of the workbook's worksheets but `skip`;
// a table part is written anew only when one of them changed.
void editTableFormulas(PackageContents& package, const Workbook& book, const Worksheet* skip, const TableFormulaEdit& edit);

// What formulas see of a table part: its name, area, header and totals rows and column names;
// nullopt when the part has no valid area.
std::optional<formula::TableDefinition> tableDefinition(const pugi::xml_document& table, int32_t sheet);
// The tables of every worksheet of the workbook, sheets numbered as the workbook numbers them.
std::vector<formula::TableDefinition> workbookTables(PackageContents& package, const Workbook& book);

}  // namespace tavlora::host::xlsx
