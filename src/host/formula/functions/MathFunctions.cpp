#include <array>
#include <cmath>
#include <numbers>

#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ArgumentGrid.h"
#include "host/formula/functions/DecimalRounding.h"
#include "host/formula/functions/MatchedNumbers.h"
#include "host/formula/functions/NumberArguments.h"
#include "host/formula/functions/ScalarArguments.h"
#include "host/formula/functions/SubtotalAggregation.h"

namespace tavlora::host::formula {

namespace {

using functions::numberArgument;
using functions::integerArgument;
using functions::numberValue;
using functions::errorOf;
using functions::RoundingMode;
using Arguments = std::span<const Value>;

Value sum(CalcContext& context, Arguments arguments) {
    double total = 0;
    auto error = functions::forEachNumberRun(context, arguments, {}, [&](std::span<const double> numbers) {
        for (double n : numbers) total += n;
    });
    if (error) return Value::error(*error);
    return numberValue(total);
}

Value product(CalcContext& context, Arguments arguments) {
    double total = 1;
    bool any = false;
    auto error = functions::forEachNumber(context, arguments, {}, [&](double n) {
        total *= n;
        any = true;
    });
    if (error) return Value::error(*error);
    return numberValue(any ? total : 0);
}

Value sumOfMatches(const functions::MatchedNumbers& matches) {
    if (matches.error) return Value::error(*matches.error);
    return numberValue(matches.sum);
}

Value sumIf(CalcContext& context, Arguments arguments) {
    return sumOfMatches(functions::singleCriterionMatches(context, arguments));
}

Value sumIfs(CalcContext& context, Arguments arguments) {
    return sumOfMatches(functions::multipleCriteriaMatches(context, arguments));
}

// Blank cells give a product of 0, so only the cells used in every argument are multiplied; an
// error anywhere is the result, so every used cell is looked at for one first.
Value sumProduct(CalcContext& context, Arguments arguments) {
    std::vector<functions::ArgumentGrid> grids;
    for (const Value& argument : arguments) {
        std::optional<functions::ArgumentGrid> grid = functions::ArgumentGrid::from(argument);
        if (!grid || (!grids.empty() && !grid->sameShape(grids.front()))) return Value::error(ErrorValue::Value);
        grids.push_back(*grid);
    }
    std::optional<functions::GridBox> box = functions::GridBox{0, 0, grids[0].rows() - 1, grids[0].columns() - 1};
    std::optional<ErrorValue> error;
    for (const auto& grid : grids) {
        std::optional<functions::GridBox> used = grid.usedBox(context);
        if (used)
            grid.forEachNonBlank(context, *used, [&](int32_t, int32_t, const Value& value) {
                if (value.isError() && !error) error = value.asError();
            });
        box = used && box ? box->intersection(*used) : std::nullopt;
    }
    if (error) return Value::error(*error);
    if (!box) return Value::number(0);
    double total = 0;
    for (int32_t row = box->firstRow; row <= box->lastRow; ++row)
        for (int32_t column = box->firstColumn; column <= box->lastColumn; ++column) {
            double term = 1;
            for (const auto& grid : grids) {
                Value value = grid.at(context, row, column);
                term *= value.isNumber() ? value.asNumber() : 0;
                if (term == 0) break;
            }
            total += term;
        }
    return numberValue(total);
}

// --- rounding ---

Value roundWith(CalcContext& context, Arguments arguments, RoundingMode mode) {
    NumberResult number = numberArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    NumberResult digits = integerArgument(context, arguments, 1);
    if (!digits.ok()) return errorOf(digits);
    double clamped = std::clamp(digits.number, -400.0, 400.0);
    return numberValue(functions::roundToDigits(number.number, int(clamped), mode));
}

Value round(CalcContext& context, Arguments arguments) { return roundWith(context, arguments, RoundingMode::HalfAwayFromZero); }
Value roundUp(CalcContext& context, Arguments arguments) { return roundWith(context, arguments, RoundingMode::AwayFromZero); }
Value roundDown(CalcContext& context, Arguments arguments) { return roundWith(context, arguments, RoundingMode::TowardZero); }
Value trunc(CalcContext& context, Arguments arguments) { return roundWith(context, arguments, RoundingMode::TowardZero); }

Value mround(CalcContext& context, Arguments arguments) {
    NumberResult number = numberArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    NumberResult multiple = numberArgument(context, arguments, 1);
    if (!multiple.ok()) return errorOf(multiple);
    if (multiple.number == 0) return Value::number(0);
    if ((number.number < 0) != (multiple.number < 0) && number.number != 0) return Value::error(ErrorValue::Num);
    double quotient = functions::roundToDigits(number.number / multiple.number, 0, RoundingMode::HalfAwayFromZero);
    return numberValue(roundToSignificant15(quotient * multiple.number));
}

// CEILING and FLOOR take the multiple's sign: with a negative number and a positive multiple they
// round toward +infinity and -infinity alike; a positive number with a negative multiple is #NUM!.
Value ceilingOrFloor(CalcContext& context, Arguments arguments, bool up) {
    NumberResult number = numberArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    NumberResult significance = numberArgument(context, arguments, 1, 1);
    if (!significance.ok()) return errorOf(significance);
    double n = number.number;
    double s = significance.number;
    if (n == 0) return Value::number(0);
    if (s == 0) return up ? Value::number(0) : Value::error(ErrorValue::Div0);
    if (n > 0 && s < 0) return Value::error(ErrorValue::Num);
    double whole = up ? functions::wholeAbove(n / s) : functions::wholeBelow(n / s);
    return numberValue(roundToSignificant15(whole * s));
}

Value ceiling(CalcContext& context, Arguments arguments) { return ceilingOrFloor(context, arguments, true); }
Value floor(CalcContext& context, Arguments arguments) { return ceilingOrFloor(context, arguments, false); }

// CEILING.MATH and FLOOR.MATH ignore the multiple's sign; a mode other than 0 turns the rounding
// of negative numbers around (toward or away from zero). The .PRECISE forms have no mode.
Value roundToMultiple(CalcContext& context, Arguments arguments, bool up) {
    NumberResult number = numberArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    NumberResult significance = numberArgument(context, arguments, 1, 1);
    if (!significance.ok()) return errorOf(significance);
    NumberResult mode = numberArgument(context, arguments, 2, 0);
    if (!mode.ok()) return errorOf(mode);
    double s = std::abs(significance.number);
    double n = number.number;
    if (s == 0 || n == 0) return Value::number(0);
    bool reverse = n < 0 && mode.number != 0;
    bool towardPlus = reverse ? !up : up;
    double whole = towardPlus ? functions::wholeAbove(n / s) : functions::wholeBelow(n / s);
    return numberValue(roundToSignificant15(whole * s));
}

Value ceilingMath(CalcContext& context, Arguments arguments) { return roundToMultiple(context, arguments, true); }
Value floorMath(CalcContext& context, Arguments arguments) { return roundToMultiple(context, arguments, false); }

// --- one or two numbers in, one out ---

template <Value (*Operation)(double)>
Value unary(CalcContext& context, Arguments arguments) {
    NumberResult number = numberArgument(context, arguments, 0);
    if (!number.ok()) return errorOf(number);
    return Operation(number.number);
}

// `Fallback` stands for a second argument left out (LOG's base); a whole number, because not every
// compiler we build with takes a floating-point template argument.
template <Value (*Operation)(double, double), int Fallback>
Value binary(CalcContext& context, Arguments arguments) {
    NumberResult first = numberArgument(context, arguments, 0);
    if (!first.ok()) return errorOf(first);
    NumberResult second = numberArgument(context, arguments, 1, double(Fallback));
    if (!second.ok()) return errorOf(second);
    return Operation(first.number, second.number);
}

Value wholeBelowOf(double n) { return numberValue(std::floor(n)); }
Value absoluteOf(double n) { return numberValue(std::abs(n)); }
Value signOf(double n) { return Value::number(n > 0 ? 1 : n < 0 ? -1 : 0); }
Value squareRootOf(double n) { return n < 0 ? Value::error(ErrorValue::Num) : numberValue(std::sqrt(n)); }
Value exponentialOf(double n) { return numberValue(std::exp(n)); }
Value naturalLogarithmOf(double n) { return n <= 0 ? Value::error(ErrorValue::Num) : numberValue(std::log(n)); }
Value commonLogarithmOf(double n) { return n <= 0 ? Value::error(ErrorValue::Num) : numberValue(std::log10(n)); }

Value logarithmOf(double n, double base) {
    if (n <= 0 || base <= 0) return Value::error(ErrorValue::Num);
    if (base == 1) return Value::error(ErrorValue::Div0);
    if (base == 10) return numberValue(std::log10(n));
    return numberValue(std::log(n) / std::log(base));
}

Value remainderOf(double n, double d) {
    if (d == 0) return Value::error(ErrorValue::Div0);
    double remainder = n - d * functions::wholeBelow(n / d);
    // The quotient read at 15 digits may land a hair past a multiple; the result keeps d's sign.
    if (std::abs(remainder) >= std::abs(d) || (remainder != 0 && (remainder < 0) != (d < 0))) remainder = 0;
    return numberValue(remainder);
}

Value powerOf(double base, double exponent) {
    if (base == 0 && exponent == 0) return Value::error(ErrorValue::Num);
    if (base == 0 && exponent < 0) return Value::error(ErrorValue::Div0);
    if (base < 0 && exponent != std::trunc(exponent)) return Value::error(ErrorValue::Num);
    return numberValue(std::pow(base, exponent));
}

Value pi(CalcContext&, Arguments) { return Value::number(std::numbers::pi); }

Value rand(CalcContext& context, Arguments) { return Value::number(context.random()); }

Value randBetween(CalcContext& context, Arguments arguments) {
    NumberResult bottom = numberArgument(context, arguments, 0);
    if (!bottom.ok()) return errorOf(bottom);
    NumberResult top = numberArgument(context, arguments, 1);
    if (!top.ok()) return errorOf(top);
    double low = std::ceil(bottom.number);
    double high = std::floor(top.number);
    if (low > high) return Value::error(ErrorValue::Num);
    double pick = low + std::floor(context.random() * (high - low + 1));
    return numberValue(std::min(pick, high));
}

Value subtotal(CalcContext& context, Arguments arguments) { return functions::subtotal(context, arguments); }
Value aggregate(CalcContext& context, Arguments arguments) { return functions::aggregate(context, arguments); }

constexpr FunctionDefinition kMathFunctions[] = {
    {"SUM", 1, kManyArguments, kAllArgumentsByReference, sum},
    {"SUMIF", 2, 3, 0b101, sumIf},
    {"SUMIFS", 3, kManyArguments, functions::kValueRangeAndCriteriaRanges, sumIfs},
    {"SUMPRODUCT", 1, kManyArguments, kAllArgumentsByReference, sumProduct},
    {"PRODUCT", 1, kManyArguments, kAllArgumentsByReference, product},
    {"ROUND", 2, 2, 0, round},
    {"ROUNDUP", 2, 2, 0, roundUp},
    {"ROUNDDOWN", 2, 2, 0, roundDown},
    {"MROUND", 2, 2, 0, mround},
    {"INT", 1, 1, 0, unary<wholeBelowOf>},
    {"TRUNC", 1, 2, 0, trunc},
    {"CEILING", 2, 2, 0, ceiling},
    {"FLOOR", 2, 2, 0, floor},
    {"CEILING.MATH", 1, 3, 0, ceilingMath},
    {"FLOOR.MATH", 1, 3, 0, floorMath},
    {"CEILING.PRECISE", 1, 2, 0, ceilingMath},
    {"FLOOR.PRECISE", 1, 2, 0, floorMath},
    {"ISO.CEILING", 1, 2, 0, ceilingMath},
    {"ABS", 1, 1, 0, unary<absoluteOf>},
    {"SIGN", 1, 1, 0, unary<signOf>},
    {"MOD", 2, 2, 0, binary<remainderOf, 0>},
    {"POWER", 2, 2, 0, binary<powerOf, 0>},
    {"SQRT", 1, 1, 0, unary<squareRootOf>},
    {"EXP", 1, 1, 0, unary<exponentialOf>},
    {"LN", 1, 1, 0, unary<naturalLogarithmOf>},
    {"LOG", 1, 2, 0, binary<logarithmOf, 10>},
    {"LOG10", 1, 1, 0, unary<commonLogarithmOf>},
    {"PI", 0, 0, 0, pi},
    {"RAND", 0, 0, 0, rand, true},
    {"RANDBETWEEN", 2, 2, 0, randBetween, true},
    {"SUBTOTAL", 2, kManyArguments, ~uint32_t{1}, subtotal},
    {"AGGREGATE", 3, kManyArguments, ~uint32_t{3}, aggregate},
};

}  // namespace

std::span<const FunctionDefinition> mathFunctions() { return kMathFunctions; }

}  // namespace tavlora::host::formula
