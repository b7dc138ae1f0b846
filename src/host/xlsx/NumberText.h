#pragma once
#include <cstddef>
#include <string>

namespace tavlora::host::xlsx {

// Enough for any double's text, sign and exponent included.
constexpr size_t kNumberTextCapacity = 32;

// The shortest text that reads back as the same double ("0.1", "1e+20", "0.30000000000000004"),
// whole numbers below 1e15 as plain digits ("100000", not "1e+05") as other producers write
// them. Writes no terminator; returns the length.
size_t formatNumber(double value, char* buffer);
void appendNumber(std::string& out, double value);

}  // namespace tavlora::host::xlsx
