#include "com/Conversions.h"

#include <unicode/uchar.h>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "com/Dispatch.h"

namespace tavlora::com {

namespace {

// ---------------------------------------------------------------------------------------------
// Errors

[[noreturn]] void throwTypeMismatch(const std::string& detail) {
    throw Error(hr::kTypeMismatch, "Type mismatch: " + detail);
}
[[noreturn]] void throwOverflow(const std::string& detail) { throw Error(hr::kOverflow, "Overflow: " + detail); }
[[noreturn]] void throwInvalidUseOfNull() { throw Error(hr::kInvalidUseOfNull, "Invalid use of Null"); }

const char* typeName(VarType type) {
    switch (type) {
        case VarType::Empty: return "Empty";
        case VarType::Null: return "Null";
        case VarType::Boolean: return "Boolean";
        case VarType::Integer: return "Integer";
        case VarType::Long: return "Long";
        case VarType::LongLong: return "LongLong";
        case VarType::Double: return "Double";
        case VarType::Currency: return "Currency";
        case VarType::Date: return "Date";
        case VarType::String: return "String";
        case VarType::Object: return "Object";
        case VarType::Array: return "Array";
        case VarType::Error: return "Error";
        case VarType::Any: return "Variant";
    }
    return "Variant";
}

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

// Numeric text: [blanks][sign](digits[.digits]|.digits)[(e|E)[sign]digits][blanks].
struct NumericText {
    std::string_view body;  // without blanks and without a leading '+'
    int64_t magnitude = 0;  // decimal exponent of the first significant digit (when not zero)
    bool allZero = true;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool scanNumericText(std::string_view text, NumericText& out) {
    text = std::string_view(text);
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
    for (; i < text.size() && isDigit(text[i]); ++i, ++digitCount) {
        if (text[i] != '0') out.allZero = false;
        if (!out.allZero) ++integerDigits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++digitCount) {
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
        for (; i < text.size() && isDigit(text[i]); ++i)
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

// ---------------------------------------------------------------------------------------------
// Dates

constexpr double kMinDateSerial = -657434.0;          // 0100-01-01
constexpr double kMaxDateSerialExclusive = 2958466.0;  // day after 9999-12-31
constexpr int64_t kUnixEpochSerial = 25569;           // 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian calendar from days since 1970-01-01 (H. Hinnant's algorithm).
CivilDate civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

unsigned daysInMonth(int64_t year, unsigned month) {
    static constexpr std::array<unsigned, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

void appendPadded(std::string& text, int64_t value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) text.append(static_cast<size_t>(width) - digits.size(), '0');
    text += digits;
}

double checkedDateSerial(double serial) {
    if (!(serial >= kMinDateSerial && serial < kMaxDateSerialExclusive)) {
        throwOverflow("the value " + formatGeneralNumber(serial) + " is not a date between 0100-01-01 and 9999-12-31");
    }
    return serial;
}

// Reads up to `maxDigits` digits (at least one) at text[i].
bool readNumber(std::string_view text, size_t& i, size_t maxDigits, unsigned& value) {
    size_t start = i;
    value = 0;
    while (i < text.size() && i - start < maxDigits && isDigit(text[i])) value = value * 10 + (text[i++] - '0');
    return i > start;
}

bool readChar(std::string_view text, size_t& i, char wanted) {
    if (i >= text.size() || text[i] != wanted) return false;
    ++i;
    return true;
}

// ---------------------------------------------------------------------------------------------
// UTF-8

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[i] and advances i. An ill-formed sequence (bad lead byte,
// missing continuation, overlong form, surrogate, beyond U+10FFFF) gives U+FFFD.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t continuationBytes;
    char32_t codePoint;
    char32_t smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuationBytes = 1, codePoint = lead & 0x1Fu, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuationBytes = 2, codePoint = lead & 0x0Fu, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuationBytes = 3, codePoint = lead & 0x07u, smallest = 0x10000;
    } else {
        ++i;
        return kReplacementCharacter;
    }
    size_t j = i + 1;
    for (size_t k = 0; k < continuationBytes; ++k, ++j) {
        if (j >= text.size() || (static_cast<unsigned char>(text[j]) & 0xC0u) != 0x80u) {
            i = j;
            return kReplacementCharacter;
        }
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[j]) & 0x3Fu);
    }
    i = j;
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return kReplacementCharacter;
    }
    return codePoint;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t simpleUpper(char32_t cp) {
    if (cp < 0x80) return cp >= 'a' && cp <= 'z' ? cp - ('a' - 'A') : cp;
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(cp)));
}

// Full-width ASCII forms and the ideographic space to their ASCII counterparts.
char32_t foldWidth(char32_t cp) {
    if (cp >= 0xFF01 && cp <= 0xFF5E) return cp - 0xFEE0;
    if (cp == 0x3000) return U' ';
    return cp;
}

char32_t foldCaseAndWidthOf(char32_t cp) { return simpleUpper(foldWidth(cp)); }

template <typename Map>
std::string mapCodePoints(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) appendUtf8(out, map(nextCodePoint(text, i)));
    return out;
}

}  // namespace

// -------------------------------------------------------------------------------------------------
// Text

std::string formatGeneralNumber(double value) {
    if (!std::isfinite(value)) return specialNumberText(value);
    if (value == 0) return "0";  // also for -0
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
        std::string decimals;
        appendPadded(decimals, fraction, 4);
        while (decimals.back() == '0') decimals.pop_back();
        text += '.' + decimals;
    }
    return text;
}

std::string formatDate(double serial) {
    checkedDateSerial(serial);
    double wholeDays = std::trunc(serial);
    auto day = static_cast<int64_t>(wholeDays);
    auto seconds = static_cast<int64_t>(std::llround(std::fabs(serial - wholeDays) * kSecondsPerDay));
    if (seconds >= kSecondsPerDay) {  // rounds up to the next midnight
        seconds -= kSecondsPerDay;
        ++day;
    }
    CivilDate date = civilFromDays(day - kUnixEpochSerial);
    std::string text;
    text.reserve(19);
    appendPadded(text, date.year, 4);
    text += '-';
    appendPadded(text, date.month, 2);
    text += '-';
    appendPadded(text, date.day, 2);
    if (seconds != 0) {
        text += ' ';
        appendPadded(text, seconds / 3600, 2);
        text += ':';
        appendPadded(text, seconds / 60 % 60, 2);
        text += ':';
        appendPadded(text, seconds % 60, 2);
    }
    return text;
}

bool parseDateText(std::string_view text, double& serial) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    size_t i = 0;
    unsigned year, month, day, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, i, 4, year) || i != 4 || !readChar(text, i, '-') || !readNumber(text, i, 2, month) ||
        !readChar(text, i, '-') || !readNumber(text, i, 2, day)) {
        return false;
    }
    if (i < text.size()) {
        if (!readChar(text, i, ' ')) return false;
        while (i < text.size() && text[i] == ' ') ++i;
        if (!readNumber(text, i, 2, hour) || !readChar(text, i, ':') || !readNumber(text, i, 2, minute)) return false;
        if (readChar(text, i, ':') && !readNumber(text, i, 2, second)) return false;
        if (i != text.size()) return false;
    }
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return false;
    }
    int64_t days = daysFromCivil(year, month, day) + kUnixEpochSerial;
    double timeOfDay = static_cast<double>(hour * 3600 + minute * 60 + second) / kSecondsPerDay;
    // Before 1899-12-30 the fraction still counts forward within the day, away from zero.
    serial = days < 0 ? static_cast<double>(days) - timeOfDay : static_cast<double>(days) + timeOfDay;
    return true;
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
            constexpr uint32_t kRuntimeFacility = 0x800A0000u;
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
        case VarType::Currency: return checkedDateSerial(toDouble(v));
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

// -------------------------------------------------------------------------------------------------
// Unicode text

std::string upperCase(std::string_view text) { return mapCodePoints(text, simpleUpper); }

std::string foldCaseAndWidth(std::string_view text) { return mapCodePoints(text, foldCaseAndWidthOf); }

bool equalsIgnoreCaseAndWidth(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (foldCaseAndWidthOf(nextCodePoint(a, i)) != foldCaseAndWidthOf(nextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

int64_t utf16Length(std::string_view text) {
    int64_t length = 0;
    for (size_t i = 0; i < text.size();) length += nextCodePoint(text, i) >= 0x10000 ? 2 : 1;
    return length;
}

std::string trimBlanks(std::string_view text) { return trimRightBlanks(trimLeftBlanks(text)); }

std::string trimLeftBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string trimRightBlanks(std::string_view text) {
    size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

}  // namespace tavlora::com
