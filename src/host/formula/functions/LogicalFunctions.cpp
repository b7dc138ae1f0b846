#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ArgumentValues.h"
#include "host/formula/functions/ScalarArguments.h"

namespace tavlora::host::formula {

namespace {

using Arguments = std::span<const Value>;

// An argument given back as a function's result: one left out ("IF(A1,)") is 0.
Value resultOf(const Value& argument) { return argument.isMissing() ? Value::number(0) : argument; }

Value booleanError(const BooleanResult& result) { return Value::error(result.error.value_or(ErrorValue::Value)); }

// The branches are taken by reference so that SUM(IF(A1, B1:B9, C1:C9)) sums a range; the engine
// reduces a reference result to a value where a value is wanted. It may also skip this body and
// compute only the branch taken.
Value ifFunction(CalcContext&, Arguments arguments) {
    BooleanResult condition = toBoolean(arguments[0]);
    if (!condition.ok()) return booleanError(condition);
    if (condition.boolean) return arguments.size() > 1 ? resultOf(arguments[1]) : Value::boolean(true);
    return arguments.size() > 2 ? resultOf(arguments[2]) : Value::boolean(false);
}

Value ifs(CalcContext&, Arguments arguments) {
    if (arguments.size() % 2) return Value::error(ErrorValue::NA);
    for (size_t i = 0; i + 1 < arguments.size(); i += 2) {
        BooleanResult condition = toBoolean(arguments[i]);
        if (!condition.ok()) return booleanError(condition);
        if (condition.boolean) return resultOf(arguments[i + 1]);
    }
    return Value::error(ErrorValue::NA);
}

Value ifError(CalcContext&, Arguments arguments) {
    return arguments[0].isError() ? resultOf(arguments[1]) : resultOf(arguments[0]);
}

Value ifNa(CalcContext&, Arguments arguments) {
    bool na = arguments[0].isError() && arguments[0].asError() == ErrorValue::NA;
    return na ? resultOf(arguments[1]) : resultOf(arguments[0]);
}

// AND, OR and XOR over lists: in references and arrays booleans and numbers count and texts are
// passed over; a direct text must read as TRUE or FALSE. Nothing to count at all is #VALUE!.
template <typename Combine>
Value combineBooleans(CalcContext& context, Arguments arguments, bool start, Combine combine) {
    bool result = start;
    bool any = false;
    std::optional<ErrorValue> error;
    functions::forEachArgumentValue(context, arguments, {}, [&](const Value& value, functions::ValueOrigin origin) {
        if (error) return;
        if (value.isError()) {
            error = value.asError();
            return;
        }
        if (origin != functions::ValueOrigin::Direct && !value.isBoolean() && !value.isNumber()) return;
        BooleanResult boolean = toBoolean(value);
        if (!boolean.ok()) {
            error = boolean.error;
            return;
        }
        result = combine(result, boolean.boolean);
        any = true;
    });
    if (error) return Value::error(*error);
    if (!any) return Value::error(ErrorValue::Value);
    return Value::boolean(result);
}

Value andFunction(CalcContext& context, Arguments arguments) {
    return combineBooleans(context, arguments, true, [](bool a, bool b) { return a && b; });
}

Value orFunction(CalcContext& context, Arguments arguments) {
    return combineBooleans(context, arguments, false, [](bool a, bool b) { return a || b; });
}

Value xorFunction(CalcContext& context, Arguments arguments) {
    return combineBooleans(context, arguments, false, [](bool a, bool b) { return a != b; });
}

Value notFunction(CalcContext&, Arguments arguments) {
    BooleanResult value = toBoolean(arguments[0]);
    if (!value.ok()) return booleanError(value);
    return Value::boolean(!value.boolean);
}

// SWITCH(expression, value1, result1, ..., [default]): equal as "=" compares, so 1 and "1" differ.
Value switchFunction(CalcContext&, Arguments arguments) {
    const Value& expression = arguments[0];
    if (expression.isError()) return expression;
    size_t pairs = (arguments.size() - 1) / 2;
    for (size_t i = 0; i < pairs; ++i) {
        const Value& candidate = arguments[1 + 2 * i];
        if (candidate.isError()) return candidate;
        Value left = expression.isMissing() ? Value() : expression;
        Value right = candidate.isMissing() ? Value() : candidate;
        if (compareValues(left, right) == 0) return resultOf(arguments[2 + 2 * i]);
    }
    if (arguments.size() % 2 == 0) return resultOf(arguments.back());
    return Value::error(ErrorValue::NA);
}

// The choices are taken by reference: SUM(CHOOSE(2, A1:A3, B1:B3)) sums B1:B3.
Value choose(CalcContext& context, Arguments arguments) {
    NumberResult index = functions::integerArgument(context, arguments, 0);
    if (!index.ok()) return functions::errorOf(index);
    if (index.number < 1 || index.number >= double(arguments.size())) return Value::error(ErrorValue::Value);
    return resultOf(arguments[size_t(index.number)]);
}

Value trueFunction(CalcContext&, Arguments) { return Value::boolean(true); }
Value falseFunction(CalcContext&, Arguments) { return Value::boolean(false); }

constexpr FunctionDefinition kLogicalFunctions[] = {
    {"IF", 1, 3, 0b110, ifFunction},
    {"IFS", 2, kManyArguments, 0, ifs},
    {"IFERROR", 2, 2, 0, ifError},
    {"IFNA", 2, 2, 0, ifNa},
    {"AND", 1, kManyArguments, kAllArgumentsByReference, andFunction},
    {"OR", 1, kManyArguments, kAllArgumentsByReference, orFunction},
    {"XOR", 1, kManyArguments, kAllArgumentsByReference, xorFunction},
    {"NOT", 1, 1, 0, notFunction},
    {"SWITCH", 3, kManyArguments, 0, switchFunction},
    {"CHOOSE", 2, kManyArguments, ~uint32_t{1}, choose},
    {"TRUE", 0, 0, 0, trueFunction},
    {"FALSE", 0, 0, 0, falseFunction},
};

}  // namespace

std::span<const FunctionDefinition> logicalFunctions() { return kLogicalFunctions; }

}  // namespace tavlora::host::formula
