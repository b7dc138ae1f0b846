#pragma once
#include <string>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host {

class Sheet;
class Workbook;
class Worksheet;

// Edits that move or remove cells, told to what lies above the engine (charts, the file layer) so
// that what only they understand follows the cells. Each hook runs after the engine has shifted
// its own model (cells, merges, cell formulas, defined names).
class EditListener {
public:
    virtual ~EditListener() = default;
    // The cells of the deletion's band of `sheet` went; the cells after the band moved up (rows)
    // or left (columns), within the band's span.
    virtual void cellsDeleted(const Worksheet& sheet, const formula::Deletion& deletion) {}
    // The sheet has already left the workbook's sheet list; its part must not be written.
    // `removal` names it and the sheets that stood beside it.
    virtual void sheetDeleted(const Workbook& book, const Sheet& sheet, const formula::SheetRemoval& removal) {}
    // The sheet now bears its new name.
    virtual void sheetRenamed(const Workbook& book, const Sheet& sheet, const std::string& oldName) {}
};

}  // namespace tavlora::host
