#pragma once
#include <cstddef>
#include <functional>
#include <span>
#include <variant>
#include <vector>

#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ArgumentGrid.h"

// The (range, criterion) pairs of COUNTIFS, SUMIFS and their kin, walked in step. Blank cells
// matter: "" and "<>x" match them, and a whole column holds a million. So the walk follows the
// used cells of a range whose blanks cannot match, and counts matching blanks by arithmetic.
namespace tavlora::host::formula::functions {

// COUNTIFS's arguments taken by reference: the ranges (the even ones). Bit 31 makes the criteria
// from argument 31 on references too; they are read through singleValue.
constexpr uint32_t kCriteriaRangeArguments = 0x55555555u | 0x80000000u;

class CriteriaRanges {
public:
    // The pairs from argument `first` on (range by reference, criterion by value). #VALUE! when a
    // range is a union of areas or not of the first range's shape.
    static std::variant<CriteriaRanges, ErrorValue> from(CalcContext& context, std::span<const Value> arguments,
                                                         size_t first);

    int32_t rows() const { return pairs_.front().range.rows(); }
    int32_t columns() const { return pairs_.front().range.columns(); }

    // The offsets where every criterion holds.
    int64_t countMatches(CalcContext& context) const;
    // The values of `target` (of the same shape) that are not blank where every criterion holds,
    // in row order.
    using Visitor = std::function<void(const CellEntry& value)>;
    void forEachMatchingValue(CalcContext& context, const ArgumentGrid& target, const Visitor& visit) const;

private:
    struct Pair {
        ArgumentGrid range;
        Criterion criterion;
        bool matchesBlank;
    };
    bool matchAt(CalcContext& context, int32_t row, int32_t column, const Pair* skipped) const;
    // Calls `match(row, column)` at the offsets within `box` where the driver's cell (its range a
    // sheet's cells) is not blank and every criterion holds, reading the driver in bulk.
    template <typename Match>
    void forEachMatchOfArea(CalcContext& context, const Pair& driver, const GridBox& box, Match&& match) const;
    // The box outside which some criterion fails for want of a value: the used boxes of the ranges
    // whose criterion rejects blanks, intersected. `all` when there is no such range; nullopt when
    // nothing can match.
    std::optional<GridBox> candidateBox(CalcContext& context, const GridBox& all) const;
    std::vector<Pair> pairs_;
};

}  // namespace tavlora::host::formula::functions
