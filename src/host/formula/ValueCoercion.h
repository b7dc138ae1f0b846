#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "host/formula/CellEntry.h"
#include "host/formula/FormulaValue.h"
#include "host/formula/TextPattern.h"

// The application's conversions between value kinds, shared by the operators and the functions:
// what arithmetic makes of a text, what "&" makes of a number, what IF makes of a text, and how
// two values of any kinds compare.
namespace tavlora::host::formula {

struct NumberResult {
    double number = 0;
    std::optional<ErrorValue> error;
    bool ok() const { return !error; }
};
struct TextResult {
    std::string text;
    std::optional<ErrorValue> error;
    bool ok() const { return !error; }
};
struct BooleanResult {
    bool boolean = false;
    std::optional<ErrorValue> error;
    bool ok() const { return !error; }
};

// A single value as arithmetic takes it: blank and missing are 0, booleans 1 and 0, a text that
// reads as a number (numberFromText) is that number, any other text #VALUE!; an error is itself.
// References and arrays must be reduced to a single value first (#VALUE! otherwise).
NumberResult toNumber(const Value& value, bool date1904);
// A text as the application reads a typed entry: blanks around it, a sign or parentheses for a
// negative, thousands separators, a leading "$", a trailing "%", an exponent; dates ("2024-01-31",
// "1/31/2024", "31-Jan-2024", "Jan 31, 2024", "31 January 2024") and times ("13:30", "1:30 PM",
// "13:30:15.5"), alone or together, as serials of the date system. nullopt for anything else.
std::optional<double> numberFromText(std::string_view text, bool date1904);
// The same reading, for dates and times only (DATEVALUE, TIMEVALUE): nullopt for a plain number.
std::optional<double> dateTimeFromText(std::string_view text, bool date1904);

// A single value as "&" and the text functions take it: numbers as the General format shows them
// (up to 15 significant digits), booleans "TRUE" and "FALSE", blank and missing "", an error is
// itself.
TextResult toText(const Value& value);
// A single value as IF, AND and NOT take it: numbers are true when not 0, the texts "TRUE" and
// "FALSE" (any case) are booleans, other text is #VALUE!, blank and missing are false.
BooleanResult toBoolean(const Value& value);

// The order of the comparison operators: numbers < texts < booleans; texts compared ignoring
// letter case; a blank compares as the other side's kind's empty (0, "", FALSE). -1, 0 or 1.
// Neither side may be an error, a reference or an array.
int compareValues(const Value& left, const Value& right);

// A result of arithmetic as the application keeps it: 15 significant digits where a difference
// of nearly equal numbers would otherwise show binary noise (0.1+0.2-0.3 is 0).
double roundToSignificant15(double value);

// A criterion of COUNTIF, SUMIF, AVERAGEIF, their *IFS forms and the database-like functions: a
// value to equal, or a text of an operator (=, <>, <, <=, >, >=) and an operand; "=" and "<>"
// with a text operand take wildcards. "" matches blank cells and empty texts; "=" only blanks;
// "<>" every cell that is not blank.
class Criterion {
public:
    Criterion(const Value& criterion, bool date1904);
    bool matches(const Value& cell) const;
    // The same for a cell read in bulk; texts and numbers are compared without making a Value.
    bool matches(const CellEntry& cell) const;

private:
    enum class Operator : uint8_t { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
    bool matchesOperand(const Value& cell) const;
    Operator operator_ = Operator::Equal;
    Value operand_;
    std::optional<TextPattern> pattern_;  // a text operand of = or <> with wildcards
    bool date1904_ = false;
};

}  // namespace tavlora::host::formula
