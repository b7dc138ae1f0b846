#pragma once
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "host/formula/functions/ArgumentValues.h"

// The numbers of SUM-like arguments, by the application's rules: in references and arrays only
// numbers count (texts, booleans and blanks are passed over, errors are the result); a direct
// argument counts when it reads as a number (TRUE, "3"), and a direct text that does not is #VALUE!.
namespace tavlora::host::formula::functions {

struct NumberRules {
    CellFilter filter;
    bool ignoreErrors = false;  // AGGREGATE's options 2, 3, 6 and 7
};

using NumberSink = std::function<void(double)>;
using NumberBatchSink = std::function<void(std::span<const double>)>;

// The first error met (nullopt when none, or when errors are ignored); every number before and
// after it still reaches `sink`, so a caller must not use what it gathered when there is one.
std::optional<ErrorValue> forEachNumber(CalcContext& context, std::span<const Value> arguments,
                                        const NumberRules& rules, const NumberSink& sink);
// The same numbers in the same order, handed over a run at a time (the numbers of a range come in
// runs of up to 64): for sums over long ranges, where a call per number would cost more than the sum.
std::optional<ErrorValue> forEachNumberRun(CalcContext& context, std::span<const Value> arguments,
                                           const NumberRules& rules, const NumberBatchSink& sink);

struct NumberList {
    std::vector<double> numbers;
    std::optional<ErrorValue> error;
};
NumberList collectNumbers(CalcContext& context, std::span<const Value> arguments, const NumberRules& rules = {});

}  // namespace tavlora::host::formula::functions
