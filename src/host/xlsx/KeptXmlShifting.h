#pragma once
#include <string_view>

#include <pugixml.hpp>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host {

// Moves the cell references held in a worksheet part's kept XML after rows or columns of that
// sheet were removed: conditional formats (areas and rule formulas, also in extensions), data
// validations, hyperlinks, the auto filter and sort state, selections and panes, ignored errors,
// protected ranges, page breaks, sparklines. Elements whose whole area was removed are dropped.
void shiftKeptWorksheetXml(pugi::xml_document& part, std::string_view sheetName, const formula::Deletion& deletion);

// The kept XML of another sheet (`hostSheet`) after cells of `editedSheet` went: the formulas
// there that name the edited sheet move (sparklines over its data, list validations, conditional
// format rules); areas of the host sheet stay.
void shiftKeptFormulasNaming(pugi::xml_document& part, std::string_view hostSheet, std::string_view editedSheet,
                             const formula::Deletion& deletion);

}  // namespace tavlora::host
