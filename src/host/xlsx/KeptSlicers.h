#pragma once
#include <vector>

#include "host/xlsx/TableReferences.h"

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::xlsx {

class PackageContents;

// Table slicers whose table or column went leave the package as the application removes them: the
// slicer cache (its part, the workbook's relationship to it, its entry in the workbook's extension
// list and the "#N/A" name the application keeps for it), every slicer showing that cache (entries
// of slicer parts; a part left empty goes with its relationship and the sheet's slicer list entry)
// and the drawing objects that draw them. A slicer over a column that survives stays as it is: it
// names its table and column by id, and ids do not change when other columns go; its drawing
// object moves with the cells as every drawing object does.
//
// Timelines are not touched: they filter pivot caches only, never a table.
void removeSlicersOfLostColumns(PackageContents& package, Workbook& book, const std::vector<TableLoss>& losses);

}  // namespace tavlora::host::xlsx
