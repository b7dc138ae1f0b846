#pragma once
#include <string>

namespace tavlora::host {
class Range;
}

namespace tavlora::common {

// A cell of a template's control area (keys, field names, addresses, column definitions) as
// text. An error value (#N/A, #REF!, ...) has no text: a template whose control cells hold errors
// is broken, so the read fails with a type mismatch naming the cell, as assigning the value to a
// string would, instead of reading the error's number as a name.
std::string templateCellText(const host::Range& cell);

}  // namespace tavlora::common
