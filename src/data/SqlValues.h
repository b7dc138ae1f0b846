#pragma once
#include <cstdint>
#include <string_view>

#include "com/Variant.h"

// The values of SQL sources as every recordset hands them to the fillers, so a report looks the
// same whichever database (or Python cursor) its rows came from.
namespace tavlora::data {

// Long when the value fits 32 bits, else LongLong.
com::Variant integerValue(int64_t value);

// An exact numeric given as decimal text ("-12.3400", as drivers and Python's Decimal spell it):
// Currency when the value is exact at 4 decimals (every further digit is 0) and lies within
// Currency's range, else the nearest Double. Text that is no number: error 13 (type mismatch).
com::Variant decimalValue(std::string_view text);

struct SqlDateTime {
    int64_t year = 1970;
    unsigned month = 1, day = 1;
    unsigned hour = 0, minute = 0, second = 0;
    uint32_t nanosecond = 0;
};

// A date, time or timestamp as a Date. A date outside 0100-01-01 .. 9999-12-31 (which a Date
// cannot hold) or an impossible one: error 6 (overflow) naming it.
com::Variant dateTimeValue(const SqlDateTime& value);

}  // namespace tavlora::data
