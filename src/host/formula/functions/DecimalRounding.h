#pragma once
#include <cstdint>

// Rounding to decimal digits as the application does it: the number is first taken at the 15
// significant digits it shows, so ROUND(2.675, 2) is 2.68 although the binary 2.675 lies below it.
namespace tavlora::host::formula::functions {

enum class RoundingMode : uint8_t { HalfAwayFromZero, AwayFromZero, TowardZero };

// `digits` may be negative (ROUND(1234, -2) is 1200).
double roundToDigits(double value, int digits, RoundingMode mode);
// A quotient rounded down or up to a whole number after the same 15-digit reading, so that
// 0.3 / 0.1 counts as 3 (CEILING, FLOOR, MROUND, MOD).
double wholeBelow(double quotient);
double wholeAbove(double quotient);

}  // namespace tavlora::host::formula::functions
