#pragma once
#include <cstddef>

namespace tavlora::com {

// Room for any text formatShortDecimal writes, sign included.
constexpr size_t kShortDecimalCapacity = 24;

// The shortest text that reads back as `value` ("12.5", "-0.75", "1234.99") when that text has one
// to six decimals and the magnitude lies in [0.1, 2^32): the common case of amounts, prices and
// quantities, found without the general shortest round-trip search. Writes no terminator; returns
// the length, or 0 when the value is not such a number (whole numbers included), and the caller
// takes the general way.
size_t formatShortDecimal(double value, char* buffer);

// The general text of `value` (as formatGeneralNumber gives it) when it is a whole number below
// 1e15 or a short decimal below 1e9, written without allocating; 0 when the general way is needed.
size_t formatShortGeneralNumber(double value, char* buffer);

}  // namespace tavlora::com
