#include "host/formula/functions/CriteriaRanges.h"

#include "host/formula/functions/CellReader.h"

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

template <typename Match>
void CriteriaRanges::forEachMatchOfArea(CalcContext& context, const Pair& driver, const GridBox& box, Match&& match) const {
    std::optional<SheetArea> part = driver.range.sheetPart(box);
    if (!part) return;
    const Area& origin = driver.range.area();
    const bool alone = pairs_.size() == 1;
    CellReader reader(context, *part);
    while (const CellEntry* cell = reader.next()) {
        if (!driver.criterion.matches(*cell)) continue;
        const int32_t row = cell->row - origin.firstRow, column = cell->column - origin.firstColumn;
        if (alone || matchAt(context, row, column, &driver)) match(row, column);
    }
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
    if (driver && driver->range.isArea()) {
        forEachMatchOfArea(context, *driver, *box, [&](int32_t, int32_t) { ++count; });
        return count;
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
    // Where both are a sheet's cells, both are read in bulk and in step: the target's cells come in
    // the same order as the matches.
    for (const Pair& driver : pairs_) {
        if (driver.matchesBlank) continue;
        if (driver.range.isArea() && target.isArea()) {
            std::optional<SheetArea> part = target.sheetPart(*box);
            if (!part) return;
            // Only the target cells that match are precedents: one not computed yet is read
            // through the context where it matches, which has the engine compute it first.
            CellReader values(context, *part, true);
            const CellEntry* value = values.next();
            const Area& origin = target.area();
            forEachMatchOfArea(context, driver, *box, [&](int32_t row, int32_t column) {
                const int32_t sheetRow = origin.firstRow + row, sheetColumn = origin.firstColumn + column;
                while (value && (value->row < sheetRow || (value->row == sheetRow && value->column < sheetColumn)))
                    value = values.next();
                if (!value || value->row != sheetRow || value->column != sheetColumn) return;
                if (value->kind != Value::Kind::Missing) return visit(*value);
                const Value pending = target.at(context, row, column);
                if (!pending.isBlank()) visit(cellEntryOf(pending));
            });
            return;
        }
        auto visitTarget = [&](int32_t row, int32_t column) {
            const Value matched = target.at(context, row, column);
            if (!matched.isBlank()) visit(cellEntryOf(matched));
        };
        if (driver.range.isArea()) {
            forEachMatchOfArea(context, driver, *box, visitTarget);
            return;
        }
        driver.range.forEachNonBlank(context, *box, [&](int32_t row, int32_t column, const Value& value) {
            if (driver.criterion.matches(value) && matchAt(context, row, column, &driver)) visitTarget(row, column);
        });
        return;
    }
    target.forEachNonBlank(context, *box, [&](int32_t row, int32_t column, const Value& value) {
        if (matchAt(context, row, column, nullptr)) visit(cellEntryOf(value));
    });
}

}  // namespace tavlora::host::formula::functions
