#include <cmath>

#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ScalarArguments.h"

namespace tavlora::host::formula {

namespace {

using Arguments = std::span<const Value>;

Value isBlank(CalcContext&, Arguments arguments) { return Value::boolean(arguments[0].isBlank()); }
Value isNumber(CalcContext&, Arguments arguments) { return Value::boolean(arguments[0].isNumber()); }
Value isText(CalcContext&, Arguments arguments) { return Value::boolean(arguments[0].isText()); }
Value isNonText(CalcContext&, Arguments arguments) { return Value::boolean(!arguments[0].isText()); }
Value isLogical(CalcContext&, Arguments arguments) { return Value::boolean(arguments[0].isBoolean()); }
Value isError(CalcContext&, Arguments arguments) { return Value::boolean(arguments[0].isError()); }
Value isRef(CalcContext&, Arguments arguments) { return Value::boolean(arguments[0].isReference()); }

Value isErr(CalcContext&, Arguments arguments) {
    return Value::boolean(arguments[0].isError() && arguments[0].asError() != ErrorValue::NA);
}

Value isNa(CalcContext&, Arguments arguments) {
    return Value::boolean(arguments[0].isError() && arguments[0].asError() == ErrorValue::NA);
}

// ISEVEN and ISODD take a number, truncated; a boolean is #VALUE! although arithmetic takes it.
Value parity(CalcContext& context, Arguments arguments, bool even) {
    if (arguments[0].isBoolean()) return Value::error(ErrorValue::Value);
    NumberResult number = functions::numberArgument(context, arguments, 0);
    if (!number.ok()) return functions::errorOf(number);
    bool isEven = std::fmod(std::trunc(number.number), 2.0) == 0;
    return Value::boolean(isEven == even);
}

Value isEven(CalcContext& context, Arguments arguments) { return parity(context, arguments, true); }
Value isOdd(CalcContext& context, Arguments arguments) { return parity(context, arguments, false); }

Value na(CalcContext&, Arguments) { return Value::error(ErrorValue::NA); }

Value errorType(CalcContext&, Arguments arguments) {
    if (!arguments[0].isError()) return Value::error(ErrorValue::NA);
    return Value::number(double(static_cast<int>(arguments[0].asError())));
}

double typeOf(const Value& value) {
    switch (value.kind()) {
    case Value::Kind::Text: return 2;
    case Value::Kind::Boolean: return 4;
    case Value::Kind::Error: return 16;
    case Value::Kind::Array: return 64;
    default: return 1;
    }
}

// TYPE takes its argument by reference to tell an array (64) from the value of one cell; a
// range of several cells is an array too.
Value type(CalcContext& context, Arguments arguments) {
    const Value& argument = arguments[0];
    if (!argument.isReference()) return Value::number(typeOf(argument));
    const auto& areas = argument.asReferences();
    if (areas.size() != 1) return Value::number(16);
    const SheetArea& reference = areas.front();
    if (reference.area.cellCount() != 1) return Value::number(64);
    return Value::number(typeOf(context.cellValue(reference.sheet, reference.area.firstRow, reference.area.firstColumn)));
}

constexpr FunctionDefinition kInformationFunctions[] = {
    {"ISBLANK", 1, 1, 0, isBlank},
    {"ISNUMBER", 1, 1, 0, isNumber},
    {"ISTEXT", 1, 1, 0, isText},
    {"ISNONTEXT", 1, 1, 0, isNonText},
    {"ISLOGICAL", 1, 1, 0, isLogical},
    {"ISERROR", 1, 1, 0, isError},
    {"ISERR", 1, 1, 0, isErr},
    {"ISNA", 1, 1, 0, isNa},
    {"ISREF", 1, 1, 1, isRef},
    {"ISEVEN", 1, 1, 0, isEven},
    {"ISODD", 1, 1, 0, isOdd},
    {"NA", 0, 0, 0, na},
    {"ERROR.TYPE", 1, 1, 0, errorType},
    {"TYPE", 1, 1, 1, type},
};

}  // namespace

std::span<const FunctionDefinition> informationFunctions() { return kInformationFunctions; }

}  // namespace tavlora::host::formula
