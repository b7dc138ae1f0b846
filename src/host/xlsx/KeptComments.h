#pragma once
#include <string_view>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host::xlsx {

class PackageContents;

// A worksheet's comments follow its deleted rows and columns: the references of its comments part
// and the note shapes of its legacy drawing move, and a comment on a removed cell goes with it.
// Parts that do not parse are left as they are.
void shiftSheetComments(PackageContents& package, std::string_view sheetPart, const formula::Deletion& deletion);

}  // namespace tavlora::host::xlsx
