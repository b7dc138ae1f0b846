#include "host/formula/functions/MatchedNumbers.h"

#include <algorithm>
#include <array>
#include <vector>

#include "host/formula/functions/CriteriaRanges.h"
#include "host/formula/functions/ScalarArguments.h"

namespace tavlora::host::formula::functions {

namespace {

MatchedNumbers failed(ErrorValue error) {
    MatchedNumbers result;
    result.error = error;
    return result;
}

MatchedNumbers matchesOf(CalcContext& context, const CriteriaRanges& criteria, const ArgumentGrid& target) {
    MatchedNumbers result;
    criteria.forEachMatchingValue(context, target, [&](const CellEntry& value) {
        if (value.kind == Value::Kind::Error) {
            if (!result.error) result.error = value.error;
        } else if (value.kind == Value::Kind::Number) {
            double n = value.number;
            result.minimum = result.count ? std::min(result.minimum, n) : n;
            result.maximum = result.count ? std::max(result.maximum, n) : n;
            result.sum += n;
            ++result.count;
        }
    });
    return result;
}

}  // namespace

MatchedNumbers singleCriterionMatches(CalcContext& context, std::span<const Value> arguments) {
    std::array<Value, 2> pair{arguments[0], singleValue(context, arguments[1])};
    auto criteria = CriteriaRanges::from(context, pair, 0);
    if (auto* error = std::get_if<ErrorValue>(&criteria)) return failed(*error);
    const auto& ranges = std::get<CriteriaRanges>(criteria);
    std::optional<ArgumentGrid> target = ArgumentGrid::from(isAbsent(arguments, 2) ? arguments[0] : arguments[2]);
    if (!target) return failed(ErrorValue::Value);
    return matchesOf(context, ranges, target->reshaped(ranges.rows(), ranges.columns()));
}

MatchedNumbers multipleCriteriaMatches(CalcContext& context, std::span<const Value> arguments) {
    if (arguments.size() % 2 == 0) return failed(ErrorValue::Value);
    std::vector<Value> pairs(arguments.begin() + 1, arguments.end());
    for (size_t i = 1; i < pairs.size(); i += 2) pairs[i] = singleValue(context, pairs[i]);
    auto criteria = CriteriaRanges::from(context, pairs, 0);
    if (auto* error = std::get_if<ErrorValue>(&criteria)) return failed(*error);
    const auto& ranges = std::get<CriteriaRanges>(criteria);
    std::optional<ArgumentGrid> target = ArgumentGrid::from(arguments[0]);
    if (!target || target->rows() != ranges.rows() || target->columns() != ranges.columns())
        return failed(ErrorValue::Value);
    return matchesOf(context, ranges, *target);
}

}  // namespace tavlora::host::formula::functions
