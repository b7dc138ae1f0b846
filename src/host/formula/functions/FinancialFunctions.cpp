#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ListArguments.h"
#include "host/formula/functions/OptionalArguments.h"

namespace tavlora::host::formula {

namespace {

using Args = std::span<const Value>;
using arguments::errorOf;

// The application's search for RATE and IRR: Newton's method from the guess, at most 20 steps,
// done when a step moves the rate by less than 1e-7.
constexpr int kMaxIterations = 20;
constexpr double kAccuracy = 1e-7;

// The numeric arguments of the annuity functions in order; the last `optional` may be left out
// and default to 0. `type` (payment at the start of a period) is any non-zero value.
std::optional<Value> readNumbers(CalcContext& context, Args args, std::span<double> out) {
    for (size_t i = 0; i < out.size(); ++i) {
        NumberResult n = arguments::number(args, i, context.uses1904Dates());
        if (!n.ok()) return errorOf(n);
        out[i] = n.number;
    }
    return std::nullopt;
}

Value finite(double x) { return std::isfinite(x) ? Value::number(x) : Value::error(ErrorValue::Num); }

// (1 + rate * type) * ((1 + rate)^nper - 1) / rate: what a payment per period adds up to.
double annuityFactor(double rate, double nper, double type) {
    if (rate == 0) return nper;
    return (1 + rate * (type != 0 ? 1 : 0)) * (std::pow(1 + rate, nper) - 1) / rate;
}

Value pmt(CalcContext& context, Args args) {
    std::array<double, 5> a{};  // rate, nper, pv, fv, type
    if (auto failure = readNumbers(context, args, a)) return *failure;
    auto [rate, nper, pv, fv, type] = a;
    if (nper == 0) return Value::error(ErrorValue::Num);
    return finite(-(pv * std::pow(1 + rate, nper) + fv) / annuityFactor(rate, nper, type));
}

Value pv(CalcContext& context, Args args) {
    std::array<double, 5> a{};  // rate, nper, pmt, fv, type
    if (auto failure = readNumbers(context, args, a)) return *failure;
    auto [rate, nper, payment, fv, type] = a;
    if (rate <= -1) return Value::error(ErrorValue::Num);
    return finite(-(fv + payment * annuityFactor(rate, nper, type)) / std::pow(1 + rate, nper));
}

Value fv(CalcContext& context, Args args) {
    std::array<double, 5> a{};  // rate, nper, pmt, pv, type
    if (auto failure = readNumbers(context, args, a)) return *failure;
    auto [rate, nper, payment, pv, type] = a;
    return finite(-(pv * std::pow(1 + rate, nper) + payment * annuityFactor(rate, nper, type)));
}

Value nper(CalcContext& context, Args args) {
    std::array<double, 5> a{};  // rate, pmt, pv, fv, type
    if (auto failure = readNumbers(context, args, a)) return *failure;
    auto [rate, payment, pv, fv, type] = a;
    if (rate == 0) {
        if (payment == 0) return Value::error(ErrorValue::Num);
        return Value::number(-(pv + fv) / payment);
    }
    if (rate <= -1) return Value::error(ErrorValue::Num);
    double perPeriod = payment * (1 + rate * (type != 0 ? 1 : 0));
    double ratio = (perPeriod - fv * rate) / (perPeriod + pv * rate);
    if (!(ratio > 0)) return Value::error(ErrorValue::Num);
    return finite(std::log(ratio) / std::log1p(rate));
}

// The cash flows of NPV and IRR. Numbers in cells and arrays count and their other values do
// not; a value written as an argument counts as arithmetic reads it.
std::optional<Value> readCashFlows(CalcContext& context, Args args, size_t first, std::vector<double>& out) {
    std::optional<ErrorValue> error;
    for (size_t i = first; i < args.size() && !error; ++i) {
        arguments::forEachValue(context, args[i], [&](const Value& v, arguments::Source source) {
            if (error) return;
            if (v.isError()) {
                error = v.asError();
            } else if (v.isNumber()) {
                out.push_back(v.asNumber());
            } else if (source == arguments::Source::Direct && !v.isMissing()) {
                NumberResult n = toNumber(v, context.uses1904Dates());
                if (!n.ok()) error = n.error;
                else out.push_back(n.number);
            }
        });
    }
    if (error) return Value::error(*error);
    return std::nullopt;
}

Value npv(CalcContext& context, Args args) {
    NumberResult rate = arguments::number(args, 0, context.uses1904Dates());
    if (!rate.ok()) return errorOf(rate);
    std::vector<double> flows;
    if (auto failure = readCashFlows(context, args, 1, flows)) return *failure;
    if (rate.number == -1) return Value::error(ErrorValue::Div0);
    double sum = 0, discount = 1;
    for (double flow : flows) {
        discount *= 1 + rate.number;
        sum += flow / discount;
    }
    return finite(sum);
}

// Newton's method on f with derivative df; nullopt when it does not settle in time.
template <typename F, typename DF>
std::optional<double> newton(double guess, F f, DF df) {
    double rate = guess;
    for (int i = 0; i < kMaxIterations; ++i) {
        double slope = df(rate);
        if (slope == 0 || !std::isfinite(slope)) return std::nullopt;
        double next = rate - f(rate) / slope;
        if (!std::isfinite(next) || next <= -1) return std::nullopt;
        if (std::fabs(next - rate) < kAccuracy) return next;
        rate = next;
    }
    return std::nullopt;
}

Value irr(CalcContext& context, Args args) {
    std::vector<double> flows;
    if (auto failure = readCashFlows(context, args.subspan(0, 1), 0, flows)) return *failure;
    NumberResult guess = arguments::number(args, 1, context.uses1904Dates(), 0.1);
    if (!guess.ok()) return errorOf(guess);
    bool positive = false, negative = false;
    for (double flow : flows) {
        positive = positive || flow > 0;
        negative = negative || flow < 0;
    }
    if (!positive || !negative) return Value::error(ErrorValue::Num);
    auto f = [&](double r) {
        double sum = 0;
        for (size_t i = 0; i < flows.size(); ++i) sum += flows[i] / std::pow(1 + r, double(i));
        return sum;
    };
    auto df = [&](double r) {
        double sum = 0;
        for (size_t i = 1; i < flows.size(); ++i) sum -= double(i) * flows[i] / std::pow(1 + r, double(i) + 1);
        return sum;
    };
    std::optional<double> rate = newton(guess.number, f, df);
    return rate ? Value::number(*rate) : Value::error(ErrorValue::Num);
}

Value rate(CalcContext& context, Args args) {
    std::array<double, 5> a{};  // nper, pmt, pv, fv, type
    if (auto failure = readNumbers(context, args, a)) return *failure;
    NumberResult guess = arguments::number(args, 5, context.uses1904Dates(), 0.1);
    if (!guess.ok()) return errorOf(guess);
    // Named copies rather than a structured binding: lambdas below capture them.
    const double n = a[0], payment = a[1], pv = a[2], fv = a[3];
    if (n <= 0) return Value::error(ErrorValue::Num);
    const double type = a[4] != 0 ? 1 : 0;
    auto f = [&](double r) {
        if (std::fabs(r) < 1e-12) return pv + payment * n + fv;
        double q = std::pow(1 + r, n);
        return pv * q + payment * (1 + r * type) * (q - 1) / r + fv;
    };
    auto df = [&](double r) {
        if (std::fabs(r) < 1e-12) return pv * n + payment * (type * n + n * (n - 1) / 2);
        double q = std::pow(1 + r, n);
        double dq = n * std::pow(1 + r, n - 1);
        return pv * dq + payment * type * (q - 1) / r + payment * (1 + r * type) * (dq * r - (q - 1)) / (r * r);
    };
    std::optional<double> result = newton(guess.number, f, df);
    return result ? Value::number(*result) : Value::error(ErrorValue::Num);
}

constexpr std::array kFinancialFunctions{
    FunctionDefinition{"PMT", 3, 5, 0, pmt},
    FunctionDefinition{"PV", 3, 5, 0, pv},
    FunctionDefinition{"FV", 3, 5, 0, fv},
    FunctionDefinition{"NPV", 2, kManyArguments, kAllArgumentsByReference & ~1u, npv},
    FunctionDefinition{"IRR", 1, 2, 1u, irr},
    FunctionDefinition{"RATE", 3, 6, 0, rate},
    FunctionDefinition{"NPER", 3, 5, 0, nper},
};

}  // namespace

std::span<const FunctionDefinition> financialFunctions() { return kFinancialFunctions; }

}  // namespace tavlora::host::formula
