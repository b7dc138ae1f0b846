#pragma once
#include <optional>

#include "com/Variant.h"

namespace tavlora::com {

// The number a value's text (toText) reads back as (parseNumericText), when that is the value's
// own number and can be told without making the text: whole numbers of at most 15 digits, and
// doubles whose shortest exact form has at most 15 significant digits and needs no exponent
// (1e-4 <= |value| < 1e15). Nothing for zero, other types, and every other number: a caller then
// goes through the text.
std::optional<double> numberThroughText(const Variant& value);

}  // namespace tavlora::com
