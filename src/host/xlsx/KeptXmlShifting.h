#pragma once
#include <string_view>

#include <pugixml.hpp>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host {

// Moves the cell references held in a worksheet part's kept XML after rows or columns of that
// sheet were removed: conditional formats (areas and rule formulas, also in extensions), data
// validations, hyperlinks, the auto filter and sort state, selections and panes, ignored errors,
// protected ranges, page breaks, sparklines. Elements whose whole area was removed are dropped.
// The formulas of other sheets' kept XML that name this sheet move with every other kept formula
// (xlsx/KeptFormulas.h).
void shiftKeptWorksheetXml(pugi::xml_document& part, std::string_view sheetName, const formula::Deletion& deletion);

}  // namespace tavlora::host
