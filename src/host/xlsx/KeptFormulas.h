#pragma once
#include <functional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace tavlora::host {
class Workbook;
class Worksheet;
}  // namespace tavlora::host

// The formulas the package carries beside the cells, rewritten in one place whatever the edit: a
// sheet renamed (its references name the new one), a sheet deleted (references to it become
// #REF!), cells deleted (references to them move).
namespace tavlora::host::xlsx {

class PackageContents;

// The new text of one formula. `hostSheet` names the worksheet the formula belongs to, whose
// cells its unqualified references are; "" for a chart's, whose references name their sheets.
using KeptFormulaEdit = std::function<std::string(const std::string& formula, std::string_view hostSheet)>;
using FormulaTextEdit = std::function<std::string(const std::string& formula)>;

// The formulas of a worksheet part's kept XML, each replaced by what `edit` makes of it:
// conditional format rules and their thresholds (<cfvo val>), validations, sparklines and their
// date axes, those of the extension lists included. True when one changed.
bool editSheetXmlFormulas(pugi::xml_node root, const FormulaTextEdit& edit);

// Every formula the package carries for the worksheets of `book`: those of their kept XML, the
// formulas that kept cell extras belong to (so the extras stay with the cells' rewritten
// formulas), the calculated-column and totals-row formulas of their tables, the cell links of
// their drawing objects and form controls, and the chart series sources kept as read (a
// multi-level category reference). The kept XML and the tables of `movedAlready` are left out: a
// deletion of its cells moved them with their areas.
void editKeptFormulas(PackageContents& package, const Workbook& book, const KeptFormulaEdit& edit,
                      const Worksheet* movedAlready = nullptr);

}  // namespace tavlora::host::xlsx
