#include "host/formula/functions/SampleStatistics.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace tavlora::host::formula::functions {

namespace {

NumberResult fail(ErrorValue error) { return {0, error}; }

NumberResult interpolateSorted(const std::vector<double>& sorted, double rank) {
    // `rank` is 0-based and within [0, n-1].
    size_t below = size_t(std::floor(rank));
    double fraction = rank - double(below);
    if (below + 1 >= sorted.size() || fraction == 0) return {sorted[below], std::nullopt};
    return {sorted[below] + fraction * (sorted[below + 1] - sorted[below]), std::nullopt};
}

}  // namespace

NumberResult averageOf(std::span<const double> numbers) {
    if (numbers.empty()) return fail(ErrorValue::Div0);
    double sum = 0;
    for (double n : numbers) sum += n;
    return {sum / double(numbers.size()), std::nullopt};
}

NumberResult varianceOf(std::span<const double> numbers, Spread spread) {
    size_t needed = spread == Spread::Sample ? 2 : 1;
    if (numbers.size() < needed) return fail(ErrorValue::Div0);
    // Two passes: the sum of squares less the squared sum loses every digit for data far from 0.
    double mean = averageOf(numbers).number;
    double squares = 0;
    for (double n : numbers) squares += (n - mean) * (n - mean);
    double divisor = double(numbers.size()) - (spread == Spread::Sample ? 1 : 0);
    return {squares / divisor, std::nullopt};
}

NumberResult deviationOf(std::span<const double> numbers, Spread spread) {
    NumberResult variance = varianceOf(numbers, spread);
    if (variance.ok()) variance.number = std::sqrt(variance.number);
    return variance;
}

double productOf(std::span<const double> numbers) {
    if (numbers.empty()) return 0;
    double product = 1;
    for (double n : numbers) product *= n;
    return product;
}

double maximumOf(std::span<const double> numbers) {
    return numbers.empty() ? 0 : *std::max_element(numbers.begin(), numbers.end());
}

double minimumOf(std::span<const double> numbers) {
    return numbers.empty() ? 0 : *std::min_element(numbers.begin(), numbers.end());
}

NumberResult medianOf(std::vector<double> numbers) {
    if (numbers.empty()) return fail(ErrorValue::Num);
    std::sort(numbers.begin(), numbers.end());
    size_t middle = numbers.size() / 2;
    if (numbers.size() % 2) return {numbers[middle], std::nullopt};
    return {(numbers[middle - 1] + numbers[middle]) / 2, std::nullopt};
}

NumberResult modeOf(std::span<const double> numbers) {
    std::unordered_map<double, size_t> counts;
    for (double n : numbers) ++counts[n];
    size_t best = 1;
    std::optional<double> mode;
    for (double n : numbers) {
        size_t count = counts[n];
        if (count > best) {
            best = count;
            mode = n;
        }
    }
    if (!mode) return fail(ErrorValue::NA);
    return {*mode, std::nullopt};
}

NumberResult kthLargest(std::vector<double> numbers, double k) {
    k = std::ceil(k);
    if (k < 1 || k > double(numbers.size())) return fail(ErrorValue::Num);
    auto kth = numbers.begin() + ptrdiff_t(k) - 1;
    std::nth_element(numbers.begin(), kth, numbers.end(), std::greater<double>());
    return {*kth, std::nullopt};
}

NumberResult kthSmallest(std::vector<double> numbers, double k) {
    k = std::ceil(k);
    if (k < 1 || k > double(numbers.size())) return fail(ErrorValue::Num);
    auto kth = numbers.begin() + ptrdiff_t(k) - 1;
    std::nth_element(numbers.begin(), kth, numbers.end());
    return {*kth, std::nullopt};
}

NumberResult percentileInclusive(std::vector<double> numbers, double k) {
    if (numbers.empty() || k < 0 || k > 1) return fail(ErrorValue::Num);
    std::sort(numbers.begin(), numbers.end());
    return interpolateSorted(numbers, k * double(numbers.size() - 1));
}

NumberResult percentileExclusive(std::vector<double> numbers, double k) {
    double n = double(numbers.size());
    if (numbers.empty() || k <= 0 || k >= 1) return fail(ErrorValue::Num);
    double rank = k * (n + 1);  // 1-based
    if (rank < 1 || rank > n) return fail(ErrorValue::Num);
    std::sort(numbers.begin(), numbers.end());
    return interpolateSorted(numbers, rank - 1);
}

NumberResult quartileInclusive(std::vector<double> numbers, double quart) {
    quart = std::trunc(quart);
    if (quart < 0 || quart > 4) return fail(ErrorValue::Num);
    return percentileInclusive(std::move(numbers), quart / 4);
}

NumberResult quartileExclusive(std::vector<double> numbers, double quart) {
    quart = std::trunc(quart);
    if (quart < 1 || quart > 3) return fail(ErrorValue::Num);
    return percentileExclusive(std::move(numbers), quart / 4);
}

}  // namespace tavlora::host::formula::functions
