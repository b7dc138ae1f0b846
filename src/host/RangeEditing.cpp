#include "com/Error.h"
#include "host/Range.h"
#include "host/Worksheet.h"

namespace tavlora::host {

void Range::clear() { throw com::Error(com::hr::kNotImplemented, "Range.Clear is not available yet."); }
void Range::deleteCells() { throw com::Error(com::hr::kNotImplemented, "Range.Delete is not available yet."); }
void Range::merge() { throw com::Error(com::hr::kNotImplemented, "Range.Merge is not available yet."); }

}  // namespace tavlora::host
