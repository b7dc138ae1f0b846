#include "host/formula/functions/CriteriaRanges.h"

namespace tavlora::host::formula::functions {

std::variant<CriteriaRanges, ErrorValue> CriteriaRanges::from(CalcContext& context, std::span<const Value> arguments,
                                                              size_t first) {
    CriteriaRanges ranges;
    for (size_t i = first; i + 1 < arguments.size(); i += 2) {
        std::optional<ArgumentGrid> range = ArgumentGrid::from(arguments[i]);
        if (!range || (!ranges.pairs_.empty() && !range->sameShape(ranges.pairs_.front().range)))
            return ErrorValue::Value;
        Criterion criterion(arguments[i + 1], context.uses1904Dates());
        bool matchesBlank = criterion.matches(Value());
        ranges.pairs_.push_back(Pair{*range, std::move(criterion), matchesBlank});
    }
    if (ranges.pairs_.empty()) return ErrorValue::Value;
    return ranges;
}

bool CriteriaRanges::matchAt(CalcContext& context, int32_t row, int32_t column, const Pair* skipped) const {
    for (const Pair& pair : pairs_) {
        if (&pair == skipped) continue;
        if (!pair.criterion.matches(pair.range.at(context, row, column))) return false;
    }
    return true;
}

std::optional<GridBox> CriteriaRanges::candidateBox(CalcContext& context, const GridBox& all) const {
    std::optional<GridBox> box = all;
    for (const Pair& pair : pairs_) {
        if (pair.matchesBlank) continue;
        std::optional<GridBox> used = pair.range.usedBox(context);
        box = used ? box->intersection(*used) : std::nullopt;
        if (!box) return std::nullopt;
    }
    return box;
}

int64_t CriteriaRanges::countMatches(CalcContext& context) const {
    GridBox all{0, 0, rows() - 1, columns() - 1};
    std::optional<GridBox> box = candidateBox(context, all);
    if (!box) return 0;
    int64_t count = 0;
    const Pair* driver = nullptr;
    for (const Pair& pair : pairs_)
        if (!pair.matchesBlank) {
            driver = &pair;
            break;
        }
    if (driver) {
        driver->range.forEachNonBlank(context, *box, [&](int32_t row, int32_t column, const Value& value) {
            if (driver->criterion.matches(value) && matchAt(context, row, column, driver)) ++count;
        });
        return count;
    }
    // Every criterion takes blanks: all cells outside the used boxes match, the rest are checked.
    std::optional<GridBox> used;
    for (const Pair& pair : pairs_)
        if (std::optional<GridBox> part = pair.range.usedBox(context)) {
            std::optional<GridBox> clipped = part->intersection(all);
            if (clipped) used = used ? used->hull(*clipped) : *clipped;
        }
    if (!used) return all.cellCount();
    count = all.cellCount() - used->cellCount();
    for (int32_t row = used->firstRow; row <= used->lastRow; ++row)
        for (int32_t column = used->firstColumn; column <= used->lastColumn; ++column)
            if (matchAt(context, row, column, nullptr)) ++count;
    return count;
}

void CriteriaRanges::forEachMatchingValue(CalcContext& context, const ArgumentGrid& target,
                                          const Visitor& visit) const {
    GridBox all{0, 0, rows() - 1, columns() - 1};
    std::optional<GridBox> box = candidateBox(context, all);
    if (!box) return;
    // A criterion that rejects blanks picks the cells: its range is read once, and the target only
    // where every criterion held (SUMIF(B:B,"East",E:E) reads a quarter of E). Both walks go row by
    // row, so the values come in the same order either way.
    for (const Pair& driver : pairs_) {
        if (driver.matchesBlank) continue;
        driver.range.forEachNonBlank(context, *box, [&](int32_t row, int32_t column, const Value& value) {
            if (!driver.criterion.matches(value) || !matchAt(context, row, column, &driver)) return;
            const Value matched = target.at(context, row, column);
            if (!matched.isBlank()) visit(matched);
        });
        return;
    }
    target.forEachNonBlank(context, *box, [&](int32_t row, int32_t column, const Value& value) {
        if (matchAt(context, row, column, nullptr)) visit(value);
    });
}

}  // namespace tavlora::host::formula::functions
