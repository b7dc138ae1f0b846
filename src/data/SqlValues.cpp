#include "data/SqlValues.h"

#include <charconv>
#include <limits>
#include <optional>
#include <string>

#include "base/Ascii.h"
#include "base/CivilDate.h"
#include "com/DateText.h"
#include "com/Error.h"

namespace tavlora::data {

namespace {

constexpr int kCurrencyDecimals = 4;

// A decimal number as digits times a power of ten. Leading zeros are dropped from the digits.
struct DecimalParts {
    bool negative = false;
    std::string digits;
    int64_t exponent = 0;
};

std::optional<DecimalParts> splitDecimal(std::string_view text) {
    DecimalParts parts;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) parts.negative = text[i++] == '-';
    bool sawDigit = false;
    bool afterPoint = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else if (base::isAsciiDigit(c)) {
            sawDigit = true;
            if (!(parts.digits.empty() && c == '0')) parts.digits += c;
            if (afterPoint) --parts.exponent;
        } else {
            break;
        }
    }
    if (!sawDigit) return std::nullopt;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') return std::nullopt;
        int64_t power = 0;
        std::string_view rest = text.substr(i + 1);
        if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
        auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), power);
        if (error != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
        parts.exponent += power;
    }
    return parts;
}

// The value scaled by 10,000 when that is a whole number within 64 bits.
std::optional<int64_t> currencyScaled(const DecimalParts& parts) {
    if (parts.digits.empty()) return 0;
    std::string_view digits = parts.digits;
    int64_t shift = parts.exponent + kCurrencyDecimals;
    if (shift < 0) {
        // The digits past the fourth decimal must all be zero.
        if (static_cast<int64_t>(digits.size()) <= -shift) return std::nullopt;
        std::string_view dropped = digits.substr(digits.size() - static_cast<size_t>(-shift));
        if (dropped.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
        digits.remove_suffix(dropped.size());
        shift = 0;
    }
    // At most 19 digits: below 10^19, which 64 unsigned bits hold.
    if (static_cast<int64_t>(digits.size()) + shift > 19) return std::nullopt;
    uint64_t magnitude = 0;
    for (char c : digits) magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    for (int64_t k = 0; k < shift; ++k) magnitude *= 10;
    const auto limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (magnitude > limit + (parts.negative ? 1 : 0)) return std::nullopt;
    if (parts.negative) return magnitude == limit + 1 ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

[[noreturn]] void throwNotANumber(std::string_view text) {
    throw com::Error(com::hr::kTypeMismatch, "Type mismatch: the exact numeric \"" + std::string(text) + "\" is no number");
}

}  // namespace

com::Variant integerValue(int64_t value) {
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())
        return com::Variant(static_cast<int32_t>(value));
    return com::Variant(value);
}

com::Variant decimalValue(std::string_view text) {
    if (auto parts = splitDecimal(text)) {
        if (auto scaled = currencyScaled(*parts)) return com::Variant::currency(*scaled);
    }
    std::string_view number = text;
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (end != number.data() + number.size() || number.empty()) throwNotANumber(text);
    if (error == std::errc::result_out_of_range) {
        // Beyond a Double's range: the infinity or zero the value tends to.
        const bool negative = number.front() == '-';
        auto parts = splitDecimal(text);
        const bool tiny = parts && parts->exponent + static_cast<int64_t>(parts->digits.size()) < 0;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (negative) value = -value;
    } else if (error != std::errc()) {
        throwNotANumber(text);
    }
    return com::Variant(value);
}

com::Variant dateTimeValue(const SqlDateTime& value) {
    const bool possible = value.month >= 1 && value.month <= 12 && value.day >= 1 &&
                          value.day <= base::daysInMonth(value.year, value.month) && value.hour < 24 &&
                          value.minute < 60 && value.second < 61 && value.nanosecond < 1'000'000'000;
    if (!possible || value.year < 100 || value.year > 9999) {
        throw com::Error(com::hr::kOverflow,
                         "Overflow: the date " + std::to_string(value.year) + "-" + std::to_string(value.month) + "-" +
                             std::to_string(value.day) + " lies outside 0100-01-01 .. 9999-12-31 or does not exist");
    }
    const int64_t days = base::daysFromCivil(value.year, value.month, value.day) + com::kUnixEpochDate;
    // A leap second is read as the last moment of its minute.
    const unsigned second = value.second > 59 ? 59 : value.second;
    const double timeOfDay =
        (static_cast<double>(value.hour * 3600 + value.minute * 60 + second) + value.nanosecond / 1e9) / 86400.0;
    // Before 1899-12-30 the fraction still counts forward within the day, away from zero.
    return com::Variant::date(days < 0 ? static_cast<double>(days) - timeOfDay : static_cast<double>(days) + timeOfDay);
}

}  // namespace tavlora::data
