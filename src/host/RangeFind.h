#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/Range.h"

namespace tavlora::host {

// The cells that Find of `what` in `range`, then FindNext after each hit, visit until they come
// back to the first: in that order, each once, found in one walk of the range instead of one walk
// (and one computation of the workbook) per hit. For a caller that collects the hits before it
// changes any cell. Leaves the sheet's last search as Find does; the errors are Find's.
std::vector<Range> findEach(const Range& range, const std::string& what, int32_t lookIn = lookin::kValues);

}  // namespace tavlora::host
