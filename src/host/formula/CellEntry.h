#pragma once
#include <cstdint>
#include <string_view>

#include "host/formula/FormulaValue.h"

// A cell that is not blank, as ranges are read in bulk: list and criteria functions walk whole
// columns of a list, and a Value made and handed over per cell cost them more than the work itself.
namespace tavlora::host::formula {

struct CellEntry {
    int32_t row = 0;
    int32_t column = 0;
    Value::Kind kind = Value::Kind::Number;  // Number, Text, Boolean, Error; Missing: not computed yet
    ErrorValue error = ErrorValue::Value;    // an Error's
    double number = 0;                       // a Number's; a Boolean's as 1 or 0
    std::string_view text;                   // a Text's, valid while the cell's reader is

    Value value() const;
};

// The entry of a value of one of those kinds; its text is a view into `value`.
CellEntry cellEntryOf(const Value& value, int32_t row = 0, int32_t column = 0);

}  // namespace tavlora::host::formula
