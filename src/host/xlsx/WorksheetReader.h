#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/xlsx/ZipInput.h"

namespace tavlora::host {
class Worksheet;
}

namespace tavlora::host::xlsx {

struct WorksheetSource {
    std::string_view fileName;
    std::string_view partName;
    const std::vector<uint32_t>& sharedStrings;  // index in the shared strings part -> pool id
    uint32_t cellFormatCount = 1;                 // style indexes at or beyond it fall back to 0
    bool date1904 = false;
};

// Reads a worksheet part (or a macro / dialog sheet, which share its layout) into the sheet: rows,
// cells, formulas (shared formulas expanded per cell), columns, merged areas and default sizes.
// What is left, without sheetData / cols / mergeCells / dimension, becomes the sheet's kept XML.
void readWorksheet(PartBuffer buffer, Worksheet& sheet, const WorksheetSource& source);

}  // namespace tavlora::host::xlsx
