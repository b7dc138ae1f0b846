#pragma once
#include <string>
#include <string_view>

#include "com/Variant.h"

namespace tavlora::host {

// The displayed text of a value under a number format code: General, fixed decimals, thousands
// separators, percent, scientific, dates and times, "@", literal text and sections.
// Numbers: Double; texts: String; booleans: "TRUE"/"FALSE"; errors: their text.
std::string displayText(const com::Variant& value, std::string_view formatCode, bool date1904 = false);

// The built-in number format codes by id (0 = "General", 14 = "m/d/yyyy", 49 = "@", ...);
// "" for an id with no built-in code.
std::string builtinNumberFormat(int id);

}  // namespace tavlora::host
