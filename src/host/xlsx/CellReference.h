#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/cells/CellRef.h"

// The plain A1 references of cell and area attributes (r="B12", ref="A1:C4"). Hot on read and
// write, so no allocation: parsing reads the view, formatting writes into a caller's buffer.
namespace tavlora::host::xlsx {

constexpr size_t kCellReferenceCapacity = 16;  // "XFD1048576" and room to spare

// "B12" or "$B$12", the whole text; false when it is not a cell on the grid.
bool parseCellReference(std::string_view text, int32_t& row, int32_t& column);
// "A1:C4" (corners in any order) or a single cell "B2".
bool parseAreaReference(std::string_view text, Area& area);
// Writes "B12" (no terminator) and returns its length.
size_t formatCellReference(int32_t row, int32_t column, char* buffer);
// "A1:C4", or "B2" for one cell.
std::string areaReference(const Area& area);

}  // namespace tavlora::host::xlsx
