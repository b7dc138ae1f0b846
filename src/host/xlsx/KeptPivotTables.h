#pragma once
#include <string_view>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host {
class Worksheet;
}

namespace tavlora::host::xlsx {

class PackageContents;

// Pivot tables follow deleted rows and columns of their sheet: the location of each pivot table
// on the sheet, and the source range of every pivot cache that reads the sheet's cells. A source
// range that went entirely is left as written (the application then refuses to refresh it).
void shiftSheetPivotTables(PackageContents& package, const Worksheet& sheet, const formula::Deletion& deletion);
// Pivot caches that read the cells of the sheet `oldName` (its name in `worksheetSource sheet=`,
// matched ignoring case) read them under `newName`.
void renamePivotSources(PackageContents& package, std::string_view oldName, std::string_view newName);

}  // namespace tavlora::host::xlsx
