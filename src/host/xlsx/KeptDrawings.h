#pragma once
#include <string_view>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host::xlsx {

class PackageContents;

// Every object of a worksheet's drawing (pictures, shapes, groups, connectors, text boxes, form
// controls, charts) follows deleted whole rows and columns as charts do: two-cell anchors move
// and size with their cells, one-cell anchors move with their top-left cell, absolute anchors and
// objects set not to move with cells stay. Cells shifted within a part of the sheet move nothing.
void shiftSheetDrawings(PackageContents& package, std::string_view sheetPart, const formula::Deletion& deletion);

}  // namespace tavlora::host::xlsx
