#include "host/formula/functions/SubtotalAggregation.h"

#include "host/formula/functions/NumberArguments.h"
#include "host/formula/functions/SampleStatistics.h"
#include "host/formula/functions/ScalarArguments.h"

namespace tavlora::host::formula::functions {

namespace {

enum ListFunction : int {
    Average = 1, Count, CountA, Max, Min, Product, StDev, StDevP, Sum, Var, VarP,
    Median, Mode, Large, Small, PercentileInc, QuartileInc, PercentileExc, QuartileExc
};

Value fromResult(const NumberResult& result) {
    return result.ok() ? numberValue(result.number) : Value::error(*result.error);
}

// COUNT and COUNTA look at every kept value, errors included, rather than at numbers.
Value countValues(CalcContext& context, std::span<const Value> references, const NumberRules& rules, bool anyKind) {
    double count = 0;
    forEachArgumentValue(context, references, rules.filter, [&](const Value& value, ValueOrigin origin) {
        if (anyKind) {
            if (value.isBlank() && origin != ValueOrigin::Direct) return;
            if (value.isError() && rules.ignoreErrors) return;
            ++count;
        } else if (value.isNumber()) {
            ++count;
        }
    });
    return Value::number(count);
}

Value computeOverList(int function, const std::vector<double>& numbers, double k) {
    switch (function) {
    case Average: return fromResult(averageOf(numbers));
    case Max: return numberValue(maximumOf(numbers));
    case Min: return numberValue(minimumOf(numbers));
    case Product: return numberValue(productOf(numbers));
    case StDev: return fromResult(deviationOf(numbers, Spread::Sample));
    case StDevP: return fromResult(deviationOf(numbers, Spread::Population));
    case Sum: {
        double sum = 0;
        for (double n : numbers) sum += n;
        return numberValue(sum);
    }
    case Var: return fromResult(varianceOf(numbers, Spread::Sample));
    case VarP: return fromResult(varianceOf(numbers, Spread::Population));
    case Median: return fromResult(medianOf(numbers));
    case Mode: return fromResult(modeOf(numbers));
    case Large: return fromResult(kthLargest(numbers, k));
    case Small: return fromResult(kthSmallest(numbers, k));
    case PercentileInc: return fromResult(percentileInclusive(numbers, k));
    case QuartileInc: return fromResult(quartileInclusive(numbers, k));
    case PercentileExc: return fromResult(percentileExclusive(numbers, k));
    case QuartileExc: return fromResult(quartileExclusive(numbers, k));
    default: return Value::error(ErrorValue::Value);
    }
}

Value computeOverReferences(CalcContext& context, int function, std::span<const Value> references,
                            const NumberRules& rules, double k) {
    if (function == Count || function == CountA) return countValues(context, references, rules, function == CountA);
    NumberList list = collectNumbers(context, references, rules);
    if (list.error) return Value::error(*list.error);
    return computeOverList(function, list.numbers, k);
}

}  // namespace

Value subtotal(CalcContext& context, std::span<const Value> arguments) {
    NumberResult number = integerArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    if (number.number < 0 || number.number > 200) return Value::error(ErrorValue::Value);
    int function = int(number.number);
    NumberRules rules;
    rules.filter.skipSubtotals = true;
    if (function > 100) {
        function -= 100;
        rules.filter.skipHiddenRows = true;
    }
    if (function < Average || function > VarP) return Value::error(ErrorValue::Value);
    return computeOverReferences(context, function, arguments.subspan(1), rules, 0);
}

Value aggregate(CalcContext& context, std::span<const Value> arguments) {
    NumberResult number = integerArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    NumberResult options = integerArgument(context, arguments, 1);
    if (!options.ok()) return errorOf(options);
    if (number.number < 1 || number.number > 19 || options.number < 0 || options.number > 7)
        return Value::error(ErrorValue::Value);
    int function = int(number.number);
    int option = int(options.number);
    NumberRules rules;
    rules.filter.skipSubtotals = option < 4;
    rules.filter.skipHiddenRows = option % 2 == 1;
    rules.ignoreErrors = option == 2 || option == 3 || option == 6 || option == 7;
    if (function < Large) return computeOverReferences(context, function, arguments.subspan(2), rules, 0);
    if (arguments.size() != 4) return Value::error(ErrorValue::Value);
    NumberResult k = numberArgument(context, arguments, 3);
    if (!k.ok()) return errorOf(k);
    return computeOverReferences(context, function, arguments.subspan(2, 1), rules, k.number);
}

}  // namespace tavlora::host::formula::functions
