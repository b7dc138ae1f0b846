#include "host/formula/functions/NumberArguments.h"

#include "host/formula/ValueCoercion.h"

namespace tavlora::host::formula::functions {

std::optional<ErrorValue> forEachNumber(CalcContext& context, std::span<const Value> arguments,
                                        const NumberRules& rules, const NumberSink& sink) {
    std::optional<ErrorValue> firstError;
    auto fail = [&](ErrorValue error) {
        if (!rules.ignoreErrors && !firstError) firstError = error;
    };
    bool date1904 = context.uses1904Dates();
    forEachArgumentValue(context, arguments, rules.filter, [&](const Value& value, ValueOrigin origin) {
        if (value.isNumber()) {
            sink(value.asNumber());
        } else if (value.isError()) {
            fail(value.asError());
        } else if (origin == ValueOrigin::Direct) {
            NumberResult number = toNumber(value, date1904);
            if (number.ok())
                sink(number.number);
            else
                fail(*number.error);
        }
    });
    return firstError;
}

NumberList collectNumbers(CalcContext& context, std::span<const Value> arguments, const NumberRules& rules) {
    NumberList list;
    list.error = forEachNumber(context, arguments, rules, [&](double n) { list.numbers.push_back(n); });
    if (list.error) list.numbers.clear();
    return list;
}

}  // namespace tavlora::host::formula::functions
