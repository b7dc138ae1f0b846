#include "com/NumberThroughText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "com/ShortDecimalText.h"

namespace tavlora::com {

namespace {

constexpr int kGeneralDigits = 15;  // what toText shows of a double
constexpr double kLargestPlainWhole = 1e15;

// A double of at most ten binary fraction digits has as many decimal ones, exactly: told by
// arithmetic alone (most amounts and prices in quarters, halves or whole units are such).
// True when it is one and its digits are 15 at most; false also when it is not one.
bool fewDigitsExactly(double magnitude) {
    double scaled = magnitude * 1024;
    if (scaled >= 0x1p62 || scaled != std::trunc(scaled)) return false;
    int fractionDigits = std::max(0, 10 - std::countr_zero(static_cast<uint64_t>(scaled)));
    constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    // The digits as one whole number (below 2^53, so the product is exact).
    return magnitude * kPowersOfTen[fractionDigits] < kLargestPlainWhole;
}

// A double whose shortest form has at most 15 significant digits is within half an ulp of that
// form, far nearer than half a unit of the 15th digit: rounding it to 15 digits gives that form
// again, and the form reads back as the double.
bool showsWholeInGeneralForm(double value) {
    if (!std::isfinite(value) || value == 0) return false;
    double magnitude = std::fabs(value);
    if (magnitude < 1e-4 || magnitude >= kLargestPlainWhole) return false;  // toText's exponent form
    if (fewDigitsExactly(magnitude)) return true;
    // Amounts and prices of up to six decimals below 1e9: fifteen digits at most, found without
    // the general shortest round-trip search.
    constexpr double kLargestShortDecimal = 1e9;
    char text[32];
    static_assert(kShortDecimalCapacity <= sizeof text);
    if (magnitude < kLargestShortDecimal && formatShortDecimal(magnitude, text) != 0) return true;
    auto [end, ec] = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
    if (ec != std::errc()) return false;
    int digits = 0;
    for (const char* at = text; at != end && *at != 'e'; ++at) digits += *at != '.';
    return digits <= kGeneralDigits;
}

std::optional<double> wholeNumber(int64_t value) {
    if (value == 0 || std::llabs(value) >= static_cast<int64_t>(kLargestPlainWhole)) return std::nullopt;
    return static_cast<double>(value);
}

}  // namespace

std::optional<double> numberThroughText(const Variant& value) {
    switch (value.type()) {
        case VarType::Integer: return wholeNumber(value.asInt16());
        case VarType::Long: return wholeNumber(value.asInt32());
        case VarType::LongLong: {
            int64_t whole = value.asInt64();
            // llabs of the most negative value is undefined; it has 19 digits anyway.
            if (whole == INT64_MIN) return std::nullopt;
            return wholeNumber(whole);
        }
        case VarType::Double:
            if (showsWholeInGeneralForm(value.asDouble())) return value.asDouble();
            return std::nullopt;
        default: return std::nullopt;
    }
}

}  // namespace tavlora::com
