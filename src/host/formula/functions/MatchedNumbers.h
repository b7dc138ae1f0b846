#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// The numbers the criteria functions (SUMIF, AVERAGEIFS, MAXIFS, ...) compute over: the values of
// the sum range where the criteria hold. Texts, booleans and blanks there are passed over; an
// error there is the result.
namespace tavlora::host::formula::functions {

// The arguments these functions take by reference: the value range (argument 0) and every
// criteria range (the odd ones), also beyond argument 31.
constexpr uint32_t kValueRangeAndCriteriaRanges = 0xAAAAAAABu;

struct MatchedNumbers {
    double sum = 0;
    double count = 0;
    double minimum = 0;  // 0 when count is 0, as MINIFS gives it
    double maximum = 0;
    std::optional<ErrorValue> error;  // also a malformed call: a union of areas, unequal shapes
};

// SUMIF and AVERAGEIF: (range, criterion, [sum range]); the sum range takes the criteria range's
// shape from its top left cell.
MatchedNumbers singleCriterionMatches(CalcContext& context, std::span<const Value> arguments);
// SUMIFS, AVERAGEIFS, MINIFS, MAXIFS: (sum range, range1, criterion1, ...), all ranges alike.
MatchedNumbers multipleCriteriaMatches(CalcContext& context, std::span<const Value> arguments);

}  // namespace tavlora::host::formula::functions
