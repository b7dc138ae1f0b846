#include "host/formula/functions/DecimalRounding.h"

#include <cmath>

#include "host/formula/ValueCoercion.h"

namespace tavlora::host::formula::functions {

namespace {

// Beyond 2^52 every double is a whole number: there are no decimals left to round.
constexpr double kWholeNumbersOnly = 4503599627370496.0;

double roundWhole(double scaled, RoundingMode mode) {
    scaled = roundToSignificant15(scaled);
    switch (mode) {
    case RoundingMode::HalfAwayFromZero:
        return std::round(scaled);
    case RoundingMode::AwayFromZero:
        return scaled < 0 ? -std::ceil(-scaled) : std::ceil(scaled);
    case RoundingMode::TowardZero:
        return std::trunc(scaled);
    }
    return scaled;
}

}  // namespace

double roundToDigits(double value, int digits, RoundingMode mode) {
    if (value == 0 || !std::isfinite(value)) return value;
    if (digits > 308) return value;
    if (digits < -308) return 0;
    double scale = std::pow(10.0, std::abs(digits));
    if (digits >= 0) {
        double scaled = value * scale;
        if (std::abs(scaled) >= kWholeNumbersOnly || !std::isfinite(scaled)) return value;
        return roundWhole(scaled, mode) / scale;
    }
    return roundWhole(value / scale, mode) * scale;
}

double wholeBelow(double quotient) { return std::floor(roundToSignificant15(quotient)); }
double wholeAbove(double quotient) { return std::ceil(roundToSignificant15(quotient)); }

}  // namespace tavlora::host::formula::functions
