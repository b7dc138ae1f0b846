#include "host/formula/FormulaValue.h"

#include <array>

#include "base/Ascii.h"

namespace tavlora::host::formula {

namespace {

struct ErrorSpelling {
    ErrorValue error;
    std::string_view text;
};

constexpr std::array kErrorSpellings{
    ErrorSpelling{ErrorValue::Null, "#NULL!"},       ErrorSpelling{ErrorValue::Div0, "#DIV/0!"},
    ErrorSpelling{ErrorValue::Value, "#VALUE!"},     ErrorSpelling{ErrorValue::Ref, "#REF!"},
    ErrorSpelling{ErrorValue::Name, "#NAME?"},       ErrorSpelling{ErrorValue::Num, "#NUM!"},
    ErrorSpelling{ErrorValue::NA, "#N/A"},           ErrorSpelling{ErrorValue::GettingData, "#GETTING_DATA"},
    ErrorSpelling{ErrorValue::Spill, "#SPILL!"},     ErrorSpelling{ErrorValue::Calc, "#CALC!"},
};

}  // namespace

std::string_view errorText(ErrorValue error) {
    for (const auto& spelling : kErrorSpellings)
        if (spelling.error == error) return spelling.text;
    return "#VALUE!";
}

std::optional<ErrorValue> errorFromText(std::string_view text) {
    for (const auto& spelling : kErrorSpellings)
        if (base::equalsIgnoringAsciiCase(spelling.text, text)) return spelling.error;
    return std::nullopt;
}

const Value& ValueArray::at(int32_t row, int32_t column) const {
    return values[size_t(row) * size_t(columns) + size_t(column)];
}

bool Value::operator==(const Value& other) const {
    if (kind() != other.kind()) return false;
    if (kind() != Kind::Array) return payload_ == other.payload_;
    const ValueArray& a = asArray();
    const ValueArray& b = other.asArray();
    return a.rows == b.rows && a.columns == b.columns && a.values == b.values;
}

}  // namespace tavlora::host::formula
