#include "com/ShortDecimalText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace tavlora::com {

namespace {

constexpr int kMostDecimals = 6;
constexpr double kPowersOfTen[kMostDecimals + 1] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
constexpr int64_t kIntegerPowersOfTen[kMostDecimals + 1] = {1, 10, 100, 1000, 10000, 100000, 1000000};
// Below 2^32 a double's spacing is under 1e-6, so at most one number of up to six decimals reads
// back as a given double, and value * 1e6 stays below 2^52, where adding 0.5 is exact.
constexpr double kLargestDecimal = 4294967296.0;
// From 0.1 up, plain decimals are never longer than the exponent form, so the shortest text is
// the fixed one (to_chars writes 0.0001 as "1e-04").
constexpr double kSmallestDecimal = 0.1;

// Does `digits` / 10^decimals read back as `magnitude`? Both division operands are exact, and
// IEEE division rounds to the nearest double exactly as reading the decimal text does.
bool readsBackAs(int64_t digits, int decimals, double magnitude) {
    return static_cast<double>(digits) / kPowersOfTen[decimals] == magnitude;
}

}  // namespace

// The text found has the fewest decimals that read back: a shorter one would lie on a coarser
// grid, and the set of texts reading back as one double is an interval around it, so if any point
// of the grid one decimal coarser were in it, one of the two around the found text would be, and
// neither is.
size_t formatShortDecimal(double value, char* buffer) {
    const double magnitude = std::fabs(value);
    if (!(magnitude >= kSmallestDecimal && magnitude < kLargestDecimal)) return 0;
    for (int decimals = 1; decimals <= kMostDecimals; ++decimals) {
        const auto digits = static_cast<int64_t>(magnitude * kPowersOfTen[decimals] + 0.5);
        if (!readsBackAs(digits, decimals, magnitude)) continue;
        const int64_t coarse = digits / 10;
        if (readsBackAs(coarse, decimals - 1, magnitude) || readsBackAs(coarse + 1, decimals - 1, magnitude))
            return 0;
        char* at = buffer;
        if (value < 0) *at++ = '-';
        at = std::to_chars(at, buffer + kShortDecimalCapacity, digits / kIntegerPowersOfTen[decimals]).ptr;
        *at++ = '.';
        int64_t fraction = digits % kIntegerPowersOfTen[decimals];
        for (int i = decimals; i-- > 0;) {
            at[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        return static_cast<size_t>(at + decimals - buffer);
    }
    return 0;
}

size_t formatShortGeneralNumber(double value, char* buffer) {
    // Below 1e9 a number of up to six decimals has fifteen significant digits at most, so its
    // shortest text is also its text rounded to fifteen digits.
    constexpr double kLargestShortDecimal = 1e9;
    if (std::fabs(value) < 1e15 && static_cast<double>(static_cast<int64_t>(value)) == value)
        return static_cast<size_t>(
            std::to_chars(buffer, buffer + kShortDecimalCapacity, static_cast<int64_t>(value)).ptr - buffer);
    if (!(std::fabs(value) < kLargestShortDecimal)) return 0;
    return formatShortDecimal(value, buffer);
}

}  // namespace tavlora::com
