#pragma once
#include <span>
#include <vector>

#include "host/formula/ValueCoercion.h"

// The statistics of a list of numbers, with the application's errors for lists too short for
// them. Shared by the statistical functions and by SUBTOTAL and AGGREGATE, which compute the same
// over the cells they keep.
namespace tavlora::host::formula::functions {

enum class Spread : uint8_t { Sample, Population };

NumberResult averageOf(std::span<const double> numbers);                    // #DIV/0! when empty
NumberResult varianceOf(std::span<const double> numbers, Spread spread);    // #DIV/0! below 2 (1)
NumberResult deviationOf(std::span<const double> numbers, Spread spread);   // its square root
double productOf(std::span<const double> numbers);                          // 0 when empty
double maximumOf(std::span<const double> numbers);                          // 0 when empty
double minimumOf(std::span<const double> numbers);                          // 0 when empty
// The lists are taken by value: they are sorted.
NumberResult medianOf(std::vector<double> numbers);                         // #NUM! when empty
// The most frequent number, the first of them in list order on a tie; #N/A when none repeats.
NumberResult modeOf(std::span<const double> numbers);
// k from 1; #NUM! outside 1..n.
NumberResult kthLargest(std::vector<double> numbers, double k);
NumberResult kthSmallest(std::vector<double> numbers, double k);
// k in [0, 1], interpolating between ranks; #NUM! outside or when empty.
NumberResult percentileInclusive(std::vector<double> numbers, double k);
// k strictly between 0 and 1 and within 1/(n+1) .. n/(n+1); #NUM! otherwise.
NumberResult percentileExclusive(std::vector<double> numbers, double k);
NumberResult quartileInclusive(std::vector<double> numbers, double quart);  // 0..4, truncated
NumberResult quartileExclusive(std::vector<double> numbers, double quart);  // 1..3, truncated

}  // namespace tavlora::host::formula::functions
