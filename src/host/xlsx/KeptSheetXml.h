#pragma once
#include <functional>
#include <string>

#include <pugixml.hpp>

#include "host/Worksheet.h"
#include "host/xlsx/KeptCellAttributes.h"

namespace tavlora::host::xlsx {

// The worksheet part as read, with the modelled elements (sheetData, cols, mergeCells, dimension)
// emptied; everything else is written back from here.
struct KeptSheetXml final : Worksheet::KeptPart {
    pugi::xml_document document;
    KeptCellAttributes cells;
};

// The kept XML of `sheet`, made (empty) on first use.
pugi::xml_document& keptSheetXml(Worksheet& sheet);
// Null for a sheet the engine made. The kept part is the file layer's state riding on the sheet,
// so a const sheet still lets the file layer shift it when the sheet's cells move.
pugi::xml_document* findKeptSheetXml(const Worksheet& sheet);
// The root element of the kept XML; a null node for a sheet the engine made.
pugi::xml_node keptSheetRoot(const Worksheet& sheet);
// The extras of the sheet's cells, made (empty) on first use.
KeptCellAttributes& keptCellAttributes(Worksheet& sheet);
// Null when the sheet's cells carry none (or the engine made the sheet).
const KeptCellAttributes* findKeptCellAttributes(const Worksheet& sheet);
// The cells' extras move with rows or columns of the sheet that went; the formulas they belong to
// are rewritten with every other kept formula (KeptFormulas.h).
void shiftKeptCellAttributes(const Worksheet& sheet, const formula::Deletion& deletion);
// The formula texts the sheet's cell extras belong to, rewritten as the cells' formulas were.
void editKeptCellFormulaTexts(const Worksheet& sheet, const std::function<std::string(const std::string&)>& edit);
// Whether the sheet's first view was a selected tab in the file it was read from.
bool tabSelectedAsRead(const Worksheet& sheet);

}  // namespace tavlora::host::xlsx
