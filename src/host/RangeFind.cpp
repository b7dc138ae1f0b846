#include "com/Error.h"
#include "host/Range.h"
#include "host/Worksheet.h"

namespace tavlora::host {

std::optional<Range> Range::find(const std::string& what, int32_t lookIn, const std::optional<Range>& after) const {
    throw com::Error(com::hr::kNotImplemented, "Range.Find is not available yet.");
}
std::optional<Range> Range::findNext(const Range& after) const {
    throw com::Error(com::hr::kNotImplemented, "Range.FindNext is not available yet.");
}

}  // namespace tavlora::host
