#include "host/formula/ValueCoercion.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Ascii.h"
#include "base/CivilDate.h"
#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "host/cells/DateSerial.h"

namespace tavlora::host::formula {

namespace {

// A cursor over a typed entry; every reader below advances it only on success.
struct Scanner {
    std::string_view text;
    size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return atEnd() ? '\0' : text[pos]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++pos;
        return true;
    }
    void skipBlanks() {
        while (!atEnd() && text[pos] == ' ') ++pos;
    }
    // Up to `maxDigits` digits as a number; false (nothing taken) when none.
    bool digits(int64_t& out, size_t maxDigits = 9) {
        size_t start = pos;
        int64_t value = 0;
        while (!atEnd() && base::isAsciiDigit(text[pos]) && pos - start < maxDigits) value = value * 10 + (text[pos++] - '0');
        if (pos == start) return false;
        out = value;
        return true;
    }
    size_t digitCountAt(size_t at) const {
        size_t n = 0;
        while (at + n < text.size() && base::isAsciiDigit(text[at + n])) ++n;
        return n;
    }
    // A word of ASCII letters.
    std::string_view word() {
        size_t start = pos;
        while (!atEnd() && base::isAsciiLetter(text[pos])) ++pos;
        return text.substr(start, pos - start);
    }
};

constexpr std::array<std::string_view, 12> kMonthNames{"january", "february", "march",     "april",   "may",      "june",
                                                        "july",    "august",   "september", "october", "november", "december"};

// "Jan", "january", "Sept": 1 to 12; 0 for any other word.
unsigned monthOfName(std::string_view word) {
    if (word.size() < 3) return 0;
    std::string lower = base::asciiLower(word);
    for (size_t i = 0; i < kMonthNames.size(); ++i) {
        std::string_view name = kMonthNames[i];
        if (lower == name || lower == name.substr(0, 3) || (i == 8 && lower == "sept")) return unsigned(i + 1);
    }
    return 0;
}

int64_t fullYear(int64_t year, size_t digitsWritten) {
    if (digitsWritten > 2) return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

std::optional<double> serialOfDay(int64_t year, int64_t month, int64_t day, bool date1904) {
    if (month < 1 || month > 12 || day < 1) return std::nullopt;
    if (year < (date1904 ? 1904 : 1900) || year > 9999) return std::nullopt;
    // The 1900 system's 29 February 1900, which the application accepts as serial 60.
    if (!date1904 && year == 1900 && month == 2 && day == 29) return 60.0;
    if (day > int64_t(base::daysInMonth(year, unsigned(month)))) return std::nullopt;
    return serialOfCivilDate(year, unsigned(month), unsigned(day), date1904);
}

// Numeric dates: "2024-01-31", "2024/1/31", "1/31/2024", "1-31-24".
std::optional<double> readNumericDate(Scanner& s, bool date1904) {
    Scanner t = s;
    size_t firstDigits = t.digitCountAt(t.pos);
    int64_t a = 0, b = 0, c = 0;
    if (!t.digits(a, 4)) return std::nullopt;
    char sep = t.peek();
    if (sep != '-' && sep != '/') return std::nullopt;
    ++t.pos;
    if (!t.digits(b, 2) || !t.take(sep)) return std::nullopt;
    size_t lastDigits = t.digitCountAt(t.pos);
    if (!t.digits(c, 4)) return std::nullopt;
    std::optional<double> serial = firstDigits == 4 ? serialOfDay(a, b, c, date1904)
                                                    : serialOfDay(fullYear(c, lastDigits), a, b, date1904);
    if (serial) s = t;
    return serial;
}

// Dates with a month name: "31-Jan-2024", "31 January 2024", "Jan 31, 2024", "January 31 2024".
std::optional<double> readNamedDate(Scanner& s, bool date1904) {
    Scanner t = s;
    int64_t day = 0, year = 0;
    unsigned month = 0;
    if (t.digits(day, 2)) {
        if (!t.take('-') && !t.take(' ') && !t.take('/')) return std::nullopt;
        month = monthOfName(t.word());
        if (!month || (!t.take('-') && !t.take(' ') && !t.take('/'))) return std::nullopt;
    } else {
        month = monthOfName(t.word());
        if (!month || !(t.take(' ') || t.take('-'))) return std::nullopt;
        if (!t.digits(day, 2)) return std::nullopt;
        t.take(',');
        if (!t.take(' ') && !t.take('-') && t.text[t.pos - 1] != ',') return std::nullopt;
        t.skipBlanks();
    }
    size_t yearDigits = t.digitCountAt(t.pos);
    if (yearDigits != 2 && yearDigits != 4) return std::nullopt;
    t.digits(year, 4);
    std::optional<double> serial = serialOfDay(fullYear(year, yearDigits), month, day, date1904);
    if (serial) s = t;
    return serial;
}

// "13:30", "1:30 PM", "13:30:15.25", "9 am": the fraction of a day.
std::optional<double> readTime(Scanner& s) {
    Scanner t = s;
    int64_t hours = 0, minutes = 0;
    double seconds = 0;
    if (!t.digits(hours, 4)) return std::nullopt;
    bool hasMinutes = t.take(':');
    if (hasMinutes) {
        if (t.digitCountAt(t.pos) > 2 || !t.digits(minutes, 2) || minutes > 59) return std::nullopt;
        if (t.take(':')) {
            int64_t whole = 0;
            if (t.digitCountAt(t.pos) > 2 || !t.digits(whole, 2) || whole > 59) return std::nullopt;
            seconds = double(whole);
            if (t.take('.')) {
                size_t start = t.pos;
                double scale = 0.1;
                while (!t.atEnd() && base::isAsciiDigit(t.peek())) {
                    seconds += (t.text[t.pos++] - '0') * scale;
                    scale /= 10;
                }
                if (t.pos == start) return std::nullopt;
            }
        }
    }
    Scanner afterTime = t;
    t.skipBlanks();
    std::string lower = base::asciiLower(t.text.substr(t.pos, 2));
    bool meridiem = (lower == "am" || lower == "pm") &&
                    (t.pos + 2 == t.text.size() || !base::isAsciiLetter(t.text[t.pos + 2]));
    if (meridiem) {
        if (hours < 1 || hours > 12) return std::nullopt;
        hours = (hours % 12) + (lower == "pm" ? 12 : 0);
        t.pos += 2;
    } else {
        if (!hasMinutes) return std::nullopt;
        t = afterTime;
    }
    s = t;
    return (double(hours) * 3600 + double(minutes) * 60 + seconds) / 86400.0;
}

std::optional<double> readDateTime(std::string_view text, bool date1904) {
    Scanner s{text};
    std::optional<double> date = readNumericDate(s, date1904);
    if (!date) date = readNamedDate(s, date1904);
    if (date) {
        s.skipBlanks();
        if (s.atEnd()) return date;
        std::optional<double> time = readTime(s);
        s.skipBlanks();
        if (!time || !s.atEnd()) return std::nullopt;
        return *date + *time;
    }
    std::optional<double> time = readTime(s);
    s.skipBlanks();
    if (!time || !s.atEnd()) return std::nullopt;
    return time;
}

// Plain numbers with the decorations a typed entry may carry: sign or parentheses, "$", thousands
// separators, a decimal part, an exponent, "%".
std::optional<double> readDecoratedNumber(std::string_view text) {
    Scanner s{text};
    bool parenthesized = s.take('(');
    auto takeSign = [&] {
        if (parenthesized) return false;
        if (s.take('-')) return true;
        s.take('+');
        return false;
    };
    bool negative = takeSign();
    // "$-5" as well as "-$5".
    if (s.take('$') && !negative && s.peek() != '+') negative = takeSign();
    std::string plain;
    bool sawDigit = false;
    while (!s.atEnd() && (base::isAsciiDigit(s.peek()) || s.peek() == ',')) {
        char c = s.text[s.pos++];
        if (c == ',') {
            // A separator needs a digit before it and three after it.
            if (!sawDigit || s.digitCountAt(s.pos) < 3) return std::nullopt;
            continue;
        }
        sawDigit = true;
        plain += c;
    }
    if (s.take('.')) {
        plain += '.';
        while (!s.atEnd() && base::isAsciiDigit(s.peek())) {
            plain += s.text[s.pos++];
            sawDigit = true;
        }
    }
    if (!sawDigit) return std::nullopt;
    if (s.peek() == 'e' || s.peek() == 'E') {
        plain += 'e';
        ++s.pos;
        if (s.peek() == '+' || s.peek() == '-') plain += s.text[s.pos++];
        if (!base::isAsciiDigit(s.peek())) return std::nullopt;
        while (!s.atEnd() && base::isAsciiDigit(s.peek())) plain += s.text[s.pos++];
    }
    bool percent = s.take('%');
    if (parenthesized && !s.take(')')) return std::nullopt;
    if (!s.atEnd()) return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) return std::nullopt;
    if (percent) value /= 100;
    return negative || parenthesized ? -value : value;
}

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

int kindRank(Value::Kind kind) {
    switch (kind) {
    case Value::Kind::Text: return 1;
    case Value::Kind::Boolean: return 2;
    default: return 0;
    }
}

int compareTexts(std::string_view a, std::string_view b) {
    std::string foldedA = com::upperCase(a);
    std::string foldedB = com::upperCase(b);
    // UTF-8 byte order is code point order.
    int c = foldedA.compare(foldedB);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

template <class T>
int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The blank side of a comparison takes the other side's kind.
Value emptyOfKind(Value::Kind kind) {
    switch (kind) {
    case Value::Kind::Text: return Value::text("");
    case Value::Kind::Boolean: return Value::boolean(false);
    default: return Value::number(0);
    }
}

bool isBlankLike(const Value& v) { return v.isBlank() || v.isMissing(); }

}  // namespace

std::optional<double> numberFromText(std::string_view text, bool date1904) {
    std::string_view trimmed = trimmedBlanks(text);
    if (trimmed.empty()) return std::nullopt;
    if (std::optional<double> number = readDecoratedNumber(trimmed)) return number;
    return readDateTime(trimmed, date1904);
}

std::optional<double> dateTimeFromText(std::string_view text, bool date1904) {
    std::string_view trimmed = trimmedBlanks(text);
    if (trimmed.empty()) return std::nullopt;
    return readDateTime(trimmed, date1904);
}

NumberResult toNumber(const Value& value, bool date1904) {
    switch (value.kind()) {
    case Value::Kind::Number: return {value.asNumber(), std::nullopt};
    case Value::Kind::Blank:
    case Value::Kind::Missing: return {0, std::nullopt};
    case Value::Kind::Boolean: return {value.asBoolean() ? 1.0 : 0.0, std::nullopt};
    case Value::Kind::Error: return {0, value.asError()};
    case Value::Kind::Text:
        if (std::optional<double> n = numberFromText(value.asText(), date1904)) return {*n, std::nullopt};
        return {0, ErrorValue::Value};
    default: return {0, ErrorValue::Value};
    }
}

TextResult toText(const Value& value) {
    switch (value.kind()) {
    case Value::Kind::Text: return {value.asText(), std::nullopt};
    case Value::Kind::Number: return {com::formatGeneralNumber(value.asNumber()), std::nullopt};
    case Value::Kind::Boolean: return {value.asBoolean() ? "TRUE" : "FALSE", std::nullopt};
    case Value::Kind::Blank:
    case Value::Kind::Missing: return {"", std::nullopt};
    case Value::Kind::Error: return {"", value.asError()};
    default: return {"", ErrorValue::Value};
    }
}

BooleanResult toBoolean(const Value& value) {
    switch (value.kind()) {
    case Value::Kind::Boolean: return {value.asBoolean(), std::nullopt};
    case Value::Kind::Number: return {value.asNumber() != 0, std::nullopt};
    case Value::Kind::Blank:
    case Value::Kind::Missing: return {false, std::nullopt};
    case Value::Kind::Error: return {false, value.asError()};
    case Value::Kind::Text:
        if (base::equalsIgnoringAsciiCase(value.asText(), "TRUE")) return {true, std::nullopt};
        if (base::equalsIgnoringAsciiCase(value.asText(), "FALSE")) return {false, std::nullopt};
        return {false, ErrorValue::Value};
    default: return {false, ErrorValue::Value};
    }
}

int compareValues(const Value& left, const Value& right) {
    if (isBlankLike(left) && isBlankLike(right)) return 0;
    if (isBlankLike(left)) return compareValues(emptyOfKind(right.kind()), right);
    if (isBlankLike(right)) return compareValues(left, emptyOfKind(left.kind()));
    int rankLeft = kindRank(left.kind());
    int rankRight = kindRank(right.kind());
    if (rankLeft != rankRight) return threeWay(rankLeft, rankRight);
    switch (left.kind()) {
    case Value::Kind::Number: return threeWay(left.asNumber(), right.asNumber());
    case Value::Kind::Text: return compareTexts(left.asText(), right.asText());
    case Value::Kind::Boolean: return threeWay(int(left.asBoolean()), int(right.asBoolean()));
    default: return 0;
    }
}

double roundToSignificant15(double value) {
    if (value == 0 || !std::isfinite(value)) return value;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    return std::strtod(buffer, nullptr);
}

Criterion::Criterion(const Value& criterion, bool date1904) : date1904_(date1904) {
    if (isBlankLike(criterion)) {
        // An empty criterion cell stands for 0, as the application documents.
        operand_ = Value::number(0);
        return;
    }
    if (!criterion.isText()) {
        operand_ = criterion;
        return;
    }
    std::string_view text = criterion.asText();
    struct Prefix {
        std::string_view text;
        Operator op;
    };
    static constexpr std::array kPrefixes{Prefix{"<=", Operator::LessOrEqual}, Prefix{">=", Operator::GreaterOrEqual},
                                          Prefix{"<>", Operator::NotEqual},    Prefix{"<", Operator::Less},
                                          Prefix{">", Operator::Greater},      Prefix{"=", Operator::Equal}};
    bool hadOperator = false;
    for (const Prefix& prefix : kPrefixes) {
        if (text.starts_with(prefix.text)) {
            operator_ = prefix.op;
            text.remove_prefix(prefix.text.size());
            hadOperator = true;
            break;
        }
    }
    if (text.empty()) {
        // "=" alone asks for blank cells, "<>" for every other cell; "" for blanks and empty texts.
        operand_ = hadOperator ? Value() : Value::text("");
        return;
    }
    if (std::optional<double> number = numberFromText(text, date1904)) {
        operand_ = Value::number(*number);
    } else if (base::equalsIgnoringAsciiCase(text, "TRUE") || base::equalsIgnoringAsciiCase(text, "FALSE")) {
        operand_ = Value::boolean(base::equalsIgnoringAsciiCase(text, "TRUE"));
    } else if (std::optional<ErrorValue> error = errorFromText(text)) {
        operand_ = Value::error(*error);
    } else {
        operand_ = Value::text(std::string(text));
        if (operator_ == Operator::Equal || operator_ == Operator::NotEqual)
            pattern_.emplace(text, TextPattern::Extent::WholeText);
    }
}

bool Criterion::matches(const Value& cell) const {
    bool equalOrNot = operator_ == Operator::Equal || operator_ == Operator::NotEqual;
    if (!equalOrNot) {
        // Order comparisons only meet values of the operand's own kind.
        if (cell.kind() != operand_.kind() || cell.isError()) return false;
        int c = compareValues(cell, operand_);
        switch (operator_) {
        case Operator::Less: return c < 0;
        case Operator::LessOrEqual: return c <= 0;
        case Operator::Greater: return c > 0;
        default: return c >= 0;
        }
    }
    bool equal = matchesOperand(cell);
    return operator_ == Operator::Equal ? equal : !equal;
}

bool Criterion::matches(const CellEntry& cell) const {
    if (operator_ != Operator::Equal && operator_ != Operator::NotEqual) return matches(cell.value());
    bool equal;
    if (cell.kind == Value::Kind::Text && operand_.isText())
        equal = operand_.asText().empty() ? cell.text.empty() : pattern_ && pattern_->matches(cell.text);
    else if (cell.kind == Value::Kind::Number && operand_.isNumber())
        equal = cell.number == operand_.asNumber();
    else
        equal = matchesOperand(cell.value());
    return operator_ == Operator::Equal ? equal : !equal;
}

bool Criterion::matchesOperand(const Value& cell) const {
    switch (operand_.kind()) {
    case Value::Kind::Blank: return isBlankLike(cell);
    case Value::Kind::Number:
        if (cell.isNumber()) return cell.asNumber() == operand_.asNumber();
        // A number stored as text matches a number criterion, as in the application.
        if (cell.isText()) {
            std::optional<double> n = numberFromText(cell.asText(), date1904_);
            return n && *n == operand_.asNumber();
        }
        return false;
    case Value::Kind::Boolean: return cell.isBoolean() && cell.asBoolean() == operand_.asBoolean();
    case Value::Kind::Error: return cell.isError() && cell.asError() == operand_.asError();
    case Value::Kind::Text:
        if (operand_.asText().empty()) return isBlankLike(cell) || (cell.isText() && cell.asText().empty());
        return cell.isText() && pattern_ && pattern_->matches(cell.asText());
    default: return false;
    }
}

}  // namespace tavlora::host::formula
