#include "com/Conversions.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "base/Ascii.h"
#include "com/DateText.h"
#include "com/Dispatch.h"
#include "com/ShortDecimalText.h"
#include "com/TypeName.h"

namespace tavlora::com {

namespace {

// ---------------------------------------------------------------------------------------------
// Errors

[[noreturn]] void throwTypeMismatch(const std::string& detail) {
    throw Error(hr::kTypeMismatch, "Type mismatch: " + detail);
}
[[noreturn]] void throwOverflow(const std::string& detail) { throw Error(hr::kOverflow, "Overflow: " + detail); }
[[noreturn]] void throwInvalidUseOfNull() { throw Error(hr::kInvalidUseOfNull, "Invalid use of Null"); }

[[noreturn]] void throwCannotConvert(const Variant& v, const char* target) {
    if (v.type() == VarType::String) {
        throwTypeMismatch("the text \"" + v.asString() + "\" cannot be converted to " + target);
    }
    throwTypeMismatch(std::string("a value of type ") + typeName(v.type()) + " cannot be converted to " + target);
}

// An object converts through its default property (dispatch identifier 0), as automation does.
Variant defaultValueOf(const Variant& v) {
    const ObjectPtr& object = v.asObject();
    if (!object) throw Error(hr::kObjectNotSet, "Object variable not set");
    constexpr DISPID kDefaultMember = 0;
    if (!object->dispatchTable().find(kDefaultMember, MemberKind::PropertyGet)) {
        throwTypeMismatch("the object " + object->dispatchTable().interfaceName() + " has no default value");
    }
    std::vector<Variant> noArguments;
    Variant value = object->Invoke(kDefaultMember, MemberKind::PropertyGet, noArguments);
    if (value.type() == VarType::Object) {
        throwTypeMismatch("the default value of " + object->dispatchTable().interfaceName() + " is an object");
    }
    return value;
}

// ---------------------------------------------------------------------------------------------
// Numbers

constexpr int64_t kCurrencyScale = 10000;
constexpr int kGeneralDigits = 15;

double roundHalfToEven(double value) {
    double floor = std::floor(value);
    double fraction = value - floor;
    if (fraction > 0.5) return floor + 1;
    if (fraction < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

// Rounds half to even and checks the result against [min, max]; NaN and infinities overflow.
int64_t roundIntoRange(double value, int64_t min, int64_t max, const char* target) {
    double rounded = std::isfinite(value) ? roundHalfToEven(value) : value;
    // max + 1 as a double is exact for every range used here (2^15, 2^31, 2^63).
    double upperLimit = static_cast<double>(max) + 1.0;
    if (!(rounded >= static_cast<double>(min) && rounded < upperLimit)) {
        throwOverflow("the value " + formatGeneralNumber(value) + " does not fit in " + target);
    }
    return static_cast<int64_t>(rounded);
}

int64_t checkRange(int64_t value, int64_t min, int64_t max, const char* target) {
    if (value < min || value > max) {
        throwOverflow("the value " + std::to_string(value) + " does not fit in " + target);
    }
    return value;
}

// Currency to a whole number, rounding half to even in exact integer arithmetic.
int64_t roundCurrency(int64_t scaled) {
    int64_t whole = scaled / kCurrencyScale;
    int64_t remainder = scaled % kCurrencyScale;
    int64_t half = kCurrencyScale / 2;
    if (remainder > half || (remainder == half && whole % 2 != 0)) return whole + 1;
    if (remainder < -half || (remainder == -half && whole % 2 != 0)) return whole - 1;
    return whole;
}

std::string specialNumberText(double value) {
    if (std::isnan(value)) return "1.#QNAN";
    return value < 0 ? "-1.#INF" : "1.#INF";
}

// The scientific digits of a value rounded to `digits` significant digits.
struct DecimalDigits {
    bool negative = false;
    std::string digits;  // no leading zero, no trailing zeros, at least one digit
    int exponent = 0;    // of the first digit
};

DecimalDigits decimalDigits(double value, int significant) {
    std::array<char, 64> buffer;
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::scientific, significant - 1);
    DecimalDigits result;
    const char* p = buffer.data();
    if (*p == '-') {
        result.negative = true;
        ++p;
    }
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.') result.digits.push_back(*p);
    if (p != end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, result.exponent);
    while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
    return result;
}

std::string exponentForm(const DecimalDigits& d) {
    std::string text = d.negative ? "-" : "";
    text += d.digits[0];
    if (d.digits.size() > 1) {
        text += '.';
        text.append(d.digits, 1);
    }
    text += d.exponent < 0 ? "E-" : "E+";
    int magnitude = std::abs(d.exponent);
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
    return text;
}

std::string fixedForm(const DecimalDigits& d) {
    std::string text = d.negative ? "-" : "";
    if (d.exponent < 0) {
        text += "0.";
        text.append(static_cast<size_t>(-d.exponent - 1), '0');
        text += d.digits;
        return text;
    }
    size_t integerDigits = static_cast<size_t>(d.exponent) + 1;
    if (d.digits.size() <= integerDigits) {
        text += d.digits;
        text.append(integerDigits - d.digits.size(), '0');
    } else {
        text.append(d.digits, 0, integerDigits);
        text += '.';
        text.append(d.digits, integerDigits);
    }
    return text;
}

// The common numbers of a sheet (counts, amounts, prices), written without rounding to fifteen
// digits: a whole number below 1e15 is its digits, and a number whose shortest text has at most
// six decimals and fifteen significant digits (a magnitude below 1e9) is that text, as any decimal
// of up to fifteen significant digits comes back unchanged from the nearest double rounded to
// fifteen digits. Nothing when the general way is needed.
std::optional<std::string> shortGeneralNumber(double value) {
    char buffer[kShortDecimalCapacity];
    if (size_t length = formatShortGeneralNumber(value, buffer)) return std::string(buffer, length);
    return std::nullopt;
}

// Numeric text: [blanks][sign](digits[.digits]|.digits)[(e|E)[sign]digits][blanks].
struct NumericText {
    std::string_view body;  // without blanks and without a leading '+'
    int64_t magnitude = 0;  // decimal exponent of the first significant digit (when not zero)
    bool allZero = true;
};

bool scanNumericText(std::string_view text, NumericText& out) {
    // Most texts a sheet is given are no numbers, and most of those say so by their first
    // character, before the blanks are looked for at both ends.
    if (!text.empty() && !base::isAsciiDigit(text[0]) && text[0] != ' ' && text[0] != '+' && text[0] != '-' &&
        text[0] != '.')
        return false;
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    size_t last = text.find_last_not_of(' ');
    text = text.substr(first, last - first + 1);

    size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    size_t bodyStart = text[0] == '+' ? 1 : 0;
    int64_t integerDigits = 0;  // significant digits before the point
    int64_t leadingFractionZeros = 0;
    size_t digitCount = 0;
    for (; i < text.size() && base::isAsciiDigit(text[i]); ++i, ++digitCount) {
        if (text[i] != '0') out.allZero = false;
        if (!out.allZero) ++integerDigits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && base::isAsciiDigit(text[i]); ++i, ++digitCount) {
            if (text[i] != '0') out.allZero = false;
            if (out.allZero) ++leadingFractionZeros;
        }
    }
    if (digitCount == 0) return false;
    int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        size_t exponentStart = i;
        for (; i < text.size() && base::isAsciiDigit(text[i]); ++i)
            exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 1000000);
        if (i == exponentStart) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != text.size()) return false;
    out.body = text.substr(bodyStart);
    out.magnitude = (integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1)) + exponent;
    return true;
}

int64_t scaleToCurrency(double value) {
    return roundIntoRange(value * static_cast<double>(kCurrencyScale), std::numeric_limits<int64_t>::min(),
                          std::numeric_limits<int64_t>::max(), "Currency");
}


}  // namespace

// -------------------------------------------------------------------------------------------------
// Text

std::string formatGeneralNumber(double value) {
    if (!std::isfinite(value)) return specialNumberText(value);
    if (value == 0) return "0";  // also for -0
    if (std::optional<std::string> text = shortGeneralNumber(value)) return *std::move(text);
    DecimalDigits d = decimalDigits(value, kGeneralDigits);
    bool needsExponent = d.exponent < -4 || d.exponent >= kGeneralDigits;
    return needsExponent ? exponentForm(d) : fixedForm(d);
}

std::string formatRoundTripNumber(double value) {
    if (!std::isfinite(value)) return specialNumberText(value);
    if (value == 0) return "0";
    std::array<char, 64> buffer;
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), end);
}

std::string formatCurrency(int64_t scaled) {
    bool negative = scaled < 0;
    // Magnitude in unsigned arithmetic, so that the most negative value has one too.
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / kCurrencyScale);
    auto fraction = static_cast<int64_t>(magnitude % kCurrencyScale);
    if (fraction != 0) {
        std::string decimals = std::to_string(fraction + kCurrencyScale).substr(1);  // four digits
        while (decimals.back() == '0') decimals.pop_back();
        text += '.' + decimals;
    }
    return text;
}

std::string toText(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return {};
        case VarType::Null: throwInvalidUseOfNull();
        case VarType::Boolean: return v.asBool() ? "True" : "False";
        case VarType::Integer: return std::to_string(v.asInt16());
        case VarType::Long: return std::to_string(v.asInt32());
        case VarType::LongLong: return std::to_string(v.asInt64());
        case VarType::Double: return formatGeneralNumber(v.asDouble());
        case VarType::Currency: return formatCurrency(v.asCurrency().scaled);
        case VarType::Date: return formatDate(v.asDate().serial);
        case VarType::String: return v.asString();
        case VarType::Object: return toText(defaultValueOf(v));
        case VarType::Error: {
            // "Error 13" for the language's own errors, the full code otherwise.
            constexpr auto kRuntimeFacility = static_cast<uint32_t>(hr::runtime(0));
            auto code = static_cast<uint32_t>(v.asError());
            if ((code & 0xFFFF0000u) == kRuntimeFacility) return "Error " + std::to_string(code & 0xFFFFu);
            return "Error " + std::to_string(v.asError());
        }
        case VarType::Array:
        case VarType::Any: break;
    }
    throwCannotConvert(v, "String");
}

std::string toTextOrEmpty(const Variant& v) {
    if (v.isNull() || v.type() == VarType::Error) return {};
    return toText(v);
}

bool isNumericText(std::string_view text) {
    NumericText parts;
    return scanNumericText(text, parts);
}

bool parseNumericText(std::string_view text, double& out) {
    NumericText parts;
    if (!scanNumericText(text, parts)) return false;
    if (parts.allZero) {
        out = 0;
        return true;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(parts.body.data(), parts.body.data() + parts.body.size(), value);
    if (ec == std::errc::result_out_of_range) {
        if (parts.magnitude > 0) throwOverflow("the number \"" + std::string(text) + "\" is too large");
        value = 0;  // too small to tell from zero
    } else if (ec != std::errc() || end != parts.body.data() + parts.body.size()) {
        return false;
    }
    out = value;
    return true;
}

// -------------------------------------------------------------------------------------------------
// Numbers

double toDouble(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return 0;
        case VarType::Null: throwInvalidUseOfNull();
        case VarType::Boolean: return v.asBool() ? -1 : 0;
        case VarType::Integer: return v.asInt16();
        case VarType::Long: return v.asInt32();
        case VarType::LongLong: return static_cast<double>(v.asInt64());
        case VarType::Double: return v.asDouble();
        case VarType::Currency: return static_cast<double>(v.asCurrency().scaled) / kCurrencyScale;
        case VarType::Date: return v.asDate().serial;
        case VarType::String: {
            double value = 0;
            if (!parseNumericText(v.asString(), value)) throwCannotConvert(v, "a number");
            return value;
        }
        case VarType::Object: return toDouble(defaultValueOf(v));
        default: break;
    }
    throwCannotConvert(v, "a number");
}

namespace {

// The shared body of CInt, CLng and CLngLng.
int64_t toWholeNumber(const Variant& v, int64_t min, int64_t max, const char* target) {
    switch (v.type()) {
        case VarType::Empty: return 0;
        case VarType::Null: throwInvalidUseOfNull();
        case VarType::Boolean: return v.asBool() ? -1 : 0;
        case VarType::Integer: return checkRange(v.asInt16(), min, max, target);
        case VarType::Long: return checkRange(v.asInt32(), min, max, target);
        case VarType::LongLong: return checkRange(v.asInt64(), min, max, target);
        case VarType::Currency: return checkRange(roundCurrency(v.asCurrency().scaled), min, max, target);
        case VarType::Double: return roundIntoRange(v.asDouble(), min, max, target);
        case VarType::Date: return roundIntoRange(v.asDate().serial, min, max, target);
        case VarType::String: {
            double value = 0;
            if (!parseNumericText(v.asString(), value)) throwCannotConvert(v, target);
            return roundIntoRange(value, min, max, target);
        }
        case VarType::Object: return toWholeNumber(defaultValueOf(v), min, max, target);
        default: break;
    }
    throwCannotConvert(v, target);
}

}  // namespace

int16_t toInt16(const Variant& v) {
    return static_cast<int16_t>(toWholeNumber(v, std::numeric_limits<int16_t>::min(),
                                              std::numeric_limits<int16_t>::max(), "Integer"));
}

int32_t toInt32(const Variant& v) {
    return static_cast<int32_t>(toWholeNumber(v, std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max(), "Long"));
}

int64_t toInt64(const Variant& v) {
    return toWholeNumber(v, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), "LongLong");
}

bool toBool(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return false;
        case VarType::Null: throwInvalidUseOfNull();
        case VarType::Boolean: return v.asBool();
        case VarType::Integer: return v.asInt16() != 0;
        case VarType::Long: return v.asInt32() != 0;
        case VarType::LongLong: return v.asInt64() != 0;
        case VarType::Double: return v.asDouble() != 0;
        case VarType::Currency: return v.asCurrency().scaled != 0;
        case VarType::Date: return v.asDate().serial != 0;
        case VarType::String: {
            std::string word = upperCase(trimBlanks(v.asString()));
            if (word == "TRUE") return true;
            if (word == "FALSE") return false;
            double value = 0;
            if (!parseNumericText(v.asString(), value)) throwCannotConvert(v, "Boolean");
            return value != 0;
        }
        case VarType::Object: return toBool(defaultValueOf(v));
        default: break;
    }
    throwCannotConvert(v, "Boolean");
}

int64_t toCurrencyScaled(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return 0;
        case VarType::Null: throwInvalidUseOfNull();
        case VarType::Boolean: return v.asBool() ? -kCurrencyScale : 0;
        case VarType::Currency: return v.asCurrency().scaled;
        case VarType::Integer:
        case VarType::Long:
        case VarType::LongLong: {
            int64_t whole = toInt64(v);
            int64_t scaled = 0;
            if (__builtin_mul_overflow(whole, kCurrencyScale, &scaled)) {
                throwOverflow("the value " + std::to_string(whole) + " does not fit in Currency");
            }
            return scaled;
        }
        case VarType::Double:
        case VarType::Date:
        case VarType::String: return scaleToCurrency(toDouble(v));
        case VarType::Object: return toCurrencyScaled(defaultValueOf(v));
        default: break;
    }
    throwCannotConvert(v, "Currency");
}

double toDateSerial(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return 0;
        case VarType::Null: throwInvalidUseOfNull();
        case VarType::Date: return v.asDate().serial;
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Long:
        case VarType::LongLong:
        case VarType::Double:
        case VarType::Currency: return checkDateSerial(toDouble(v));
        case VarType::String: {
            double serial = 0;
            if (!parseDateText(v.asString(), serial)) throwCannotConvert(v, "Date");
            return serial;
        }
        case VarType::Object: return toDateSerial(defaultValueOf(v));
        default: break;
    }
    throwCannotConvert(v, "Date");
}

int16_t narrowToInt16(int64_t value) {
    return static_cast<int16_t>(
        checkRange(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), "Integer"));
}

int16_t roundToInt16(double value) {
    return static_cast<int16_t>(roundIntoRange(value, std::numeric_limits<int16_t>::min(),
                                               std::numeric_limits<int16_t>::max(), "Integer"));
}

int32_t roundToInt32(double value) {
    return static_cast<int32_t>(roundIntoRange(value, std::numeric_limits<int32_t>::min(),
                                               std::numeric_limits<int32_t>::max(), "Long"));
}

}  // namespace tavlora::com
