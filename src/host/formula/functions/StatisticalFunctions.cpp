#include <array>
#include <variant>
#include <vector>

#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ArgumentGrid.h"
#include "host/formula/functions/CriteriaRanges.h"
#include "host/formula/functions/MatchedNumbers.h"
#include "host/formula/functions/NumberArguments.h"
#include "host/formula/functions/SampleStatistics.h"
#include "host/formula/functions/ScalarArguments.h"

namespace tavlora::host::formula {

namespace {

using functions::numberArgument;
using functions::numberValue;
using functions::errorOf;
using functions::Spread;
using Arguments = std::span<const Value>;

using functions::kValueRangeAndCriteriaRanges;

Value fromResult(const NumberResult& result) {
    return result.ok() ? numberValue(result.number) : Value::error(*result.error);
}

// --- counting ---

// A direct argument counts when it reads as a number; errors and other texts are passed over.
Value count(CalcContext& context, Arguments arguments) {
    double total = 0;
    bool date1904 = context.uses1904Dates();
    functions::forEachArgumentValue(context, arguments, {}, [&](const Value& value, functions::ValueOrigin origin) {
        if (value.isNumber()) {
            ++total;
        } else if (origin == functions::ValueOrigin::Direct) {
            if (value.isBoolean() || (value.isText() && numberFromText(value.asText(), date1904))) ++total;
        }
    });
    return Value::number(total);
}

// Cells holding anything (an empty text too); a direct argument always counts, even one left out.
Value countA(CalcContext& context, Arguments arguments) {
    double total = 0;
    functions::forEachArgumentValue(context, arguments, {}, [&](const Value&, functions::ValueOrigin) { ++total; });
    return Value::number(total);
}

// Blank cells and cells with an empty text, counted without walking the blanks.
Value countBlank(CalcContext& context, Arguments arguments) {
    std::optional<functions::ArgumentGrid> grid = functions::ArgumentGrid::from(arguments[0]);
    if (!grid) return Value::error(ErrorValue::Value);
    int64_t nonBlank = 0;
    int64_t emptyTexts = 0;
    if (std::optional<functions::GridBox> used = grid->usedBox(context))
        grid->forEachNonBlank(context, *used, [&](int32_t, int32_t, const Value& value) {
            ++nonBlank;
            if (value.isText() && value.asText().empty()) ++emptyTexts;
        });
    return Value::number(double(grid->cellCount() - nonBlank + emptyTexts));
}

Value countIf(CalcContext& context, Arguments arguments) {
    std::array<Value, 2> pair{arguments[0], functions::singleValue(context, arguments[1])};
    auto criteria = functions::CriteriaRanges::from(context, pair, 0);
    if (auto* error = std::get_if<ErrorValue>(&criteria)) return Value::error(*error);
    return Value::number(double(std::get<functions::CriteriaRanges>(criteria).countMatches(context)));
}

Value countIfs(CalcContext& context, Arguments arguments) {
    if (arguments.size() % 2) return Value::error(ErrorValue::Value);
    std::vector<Value> pairs(arguments.begin(), arguments.end());
    for (size_t i = 1; i < pairs.size(); i += 2) pairs[i] = functions::singleValue(context, pairs[i]);
    auto criteria = functions::CriteriaRanges::from(context, pairs, 0);
    if (auto* error = std::get_if<ErrorValue>(&criteria)) return Value::error(*error);
    return Value::number(double(std::get<functions::CriteriaRanges>(criteria).countMatches(context)));
}

// --- averages and extremes ---

Value average(CalcContext& context, Arguments arguments) {
    double sum = 0;
    double n = 0;
    auto error = functions::forEachNumberRun(context, arguments, {}, [&](std::span<const double> numbers) {
        for (double number : numbers) sum += number;
        n += double(numbers.size());
    });
    if (error) return Value::error(*error);
    if (n == 0) return Value::error(ErrorValue::Div0);
    return numberValue(sum / n);
}

Value extreme(CalcContext& context, Arguments arguments, bool largest) {
    std::optional<double> best;
    auto error = functions::forEachNumber(context, arguments, {}, [&](double number) {
        if (!best || (largest ? number > *best : number < *best)) best = number;
    });
    if (error) return Value::error(*error);
    return Value::number(best.value_or(0));
}

Value max(CalcContext& context, Arguments arguments) { return extreme(context, arguments, true); }
Value min(CalcContext& context, Arguments arguments) { return extreme(context, arguments, false); }

Value averageOfMatches(const functions::MatchedNumbers& matches) {
    if (matches.error) return Value::error(*matches.error);
    if (matches.count == 0) return Value::error(ErrorValue::Div0);
    return numberValue(matches.sum / matches.count);
}

Value averageIf(CalcContext& context, Arguments arguments) {
    return averageOfMatches(functions::singleCriterionMatches(context, arguments));
}

Value averageIfs(CalcContext& context, Arguments arguments) {
    return averageOfMatches(functions::multipleCriteriaMatches(context, arguments));
}

Value minIfs(CalcContext& context, Arguments arguments) {
    functions::MatchedNumbers matches = functions::multipleCriteriaMatches(context, arguments);
    if (matches.error) return Value::error(*matches.error);
    return Value::number(matches.minimum);
}

Value maxIfs(CalcContext& context, Arguments arguments) {
    functions::MatchedNumbers matches = functions::multipleCriteriaMatches(context, arguments);
    if (matches.error) return Value::error(*matches.error);
    return Value::number(matches.maximum);
}

// --- over the whole list ---

template <NumberResult (*Statistic)(std::vector<double>)>
Value ofList(CalcContext& context, Arguments arguments) {
    functions::NumberList list = functions::collectNumbers(context, arguments);
    if (list.error) return Value::error(*list.error);
    return fromResult(Statistic(std::move(list.numbers)));
}

template <Spread S, bool Root>
Value spread(CalcContext& context, Arguments arguments) {
    functions::NumberList list = functions::collectNumbers(context, arguments);
    if (list.error) return Value::error(*list.error);
    return fromResult(Root ? functions::deviationOf(list.numbers, S) : functions::varianceOf(list.numbers, S));
}

NumberResult modeOfList(std::vector<double> numbers) { return functions::modeOf(numbers); }

// LARGE(array, k), PERCENTILE(array, k), ...: a list and a number.
template <NumberResult (*Statistic)(std::vector<double>, double)>
Value ofListAt(CalcContext& context, Arguments arguments) {
    functions::NumberList list = functions::collectNumbers(context, arguments.first(1));
    if (list.error) return Value::error(*list.error);
    NumberResult k = numberArgument(context, arguments, 1);
    if (!k.ok()) return errorOf(k);
    return fromResult(Statistic(std::move(list.numbers), k.number));
}

// RANK(number, ref, [order]): 1 for the largest (smallest when order is not 0); ties share the
// best rank, RANK.AVG gives them their mean.
Value rankWith(CalcContext& context, Arguments arguments, bool averageTies) {
    NumberResult number = numberArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    NumberResult order = numberArgument(context, arguments, 2, 0);
    if (!order.ok()) return errorOf(order);
    functions::NumberList list = functions::collectNumbers(context, arguments.subspan(1, 1));
    if (list.error) return Value::error(*list.error);
    double ahead = 0;
    double equal = 0;
    for (double n : list.numbers) {
        if (n == number.number)
            ++equal;
        else if (order.number == 0 ? n > number.number : n < number.number)
            ++ahead;
    }
    if (equal == 0) return Value::error(ErrorValue::NA);
    return Value::number(averageTies ? ahead + (equal + 1) / 2 : ahead + 1);
}

Value rank(CalcContext& context, Arguments arguments) { return rankWith(context, arguments, false); }
Value rankAverage(CalcContext& context, Arguments arguments) { return rankWith(context, arguments, true); }

constexpr FunctionDefinition kStatisticalFunctions[] = {
    {"COUNT", 1, kManyArguments, kAllArgumentsByReference, count},
    {"COUNTA", 1, kManyArguments, kAllArgumentsByReference, countA},
    {"COUNTBLANK", 1, 1, 1, countBlank},
    {"COUNTIF", 2, 2, 1, countIf},
    {"COUNTIFS", 2, kManyArguments, functions::kCriteriaRangeArguments, countIfs},
    {"AVERAGE", 1, kManyArguments, kAllArgumentsByReference, average},
    {"AVERAGEIF", 2, 3, 0b101, averageIf},
    {"AVERAGEIFS", 3, kManyArguments, kValueRangeAndCriteriaRanges, averageIfs},
    {"MIN", 1, kManyArguments, kAllArgumentsByReference, min},
    {"MAX", 1, kManyArguments, kAllArgumentsByReference, max},
    {"MINIFS", 3, kManyArguments, kValueRangeAndCriteriaRanges, minIfs},
    {"MAXIFS", 3, kManyArguments, kValueRangeAndCriteriaRanges, maxIfs},
    {"MEDIAN", 1, kManyArguments, kAllArgumentsByReference, ofList<functions::medianOf>},
    {"MODE", 1, kManyArguments, kAllArgumentsByReference, ofList<modeOfList>},
    {"MODE.SNGL", 1, kManyArguments, kAllArgumentsByReference, ofList<modeOfList>},
    {"LARGE", 2, 2, 1, ofListAt<functions::kthLargest>},
    {"SMALL", 2, 2, 1, ofListAt<functions::kthSmallest>},
    {"RANK", 2, 3, 0b10, rank},
    {"RANK.EQ", 2, 3, 0b10, rank},
    {"RANK.AVG", 2, 3, 0b10, rankAverage},
    {"STDEV", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Sample, true>},
    {"STDEV.S", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Sample, true>},
    {"STDEVP", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Population, true>},
    {"STDEV.P", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Population, true>},
    {"VAR", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Sample, false>},
    {"VAR.S", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Sample, false>},
    {"VARP", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Population, false>},
    {"VAR.P", 1, kManyArguments, kAllArgumentsByReference, spread<Spread::Population, false>},
    {"PERCENTILE", 2, 2, 1, ofListAt<functions::percentileInclusive>},
    {"PERCENTILE.INC", 2, 2, 1, ofListAt<functions::percentileInclusive>},
    {"PERCENTILE.EXC", 2, 2, 1, ofListAt<functions::percentileExclusive>},
    {"QUARTILE", 2, 2, 1, ofListAt<functions::quartileInclusive>},
    {"QUARTILE.INC", 2, 2, 1, ofListAt<functions::quartileInclusive>},
    {"QUARTILE.EXC", 2, 2, 1, ofListAt<functions::quartileExclusive>},
};

}  // namespace

std::span<const FunctionDefinition> statisticalFunctions() { return kStatisticalFunctions; }

}  // namespace tavlora::host::formula
