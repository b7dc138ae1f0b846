#pragma once
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "host/cells/CellRef.h"
#include "host/formula/CalcContext.h"

// A CalcContext over cells held in memory, for testing functions without a workbook: values are
// set per cell, formulas do not exist, and the clock and the random source are fixed.
namespace tavlora::host::formula::testing {

class GridContext : public CalcContext {
public:
    void set(int32_t sheet, int32_t row, int32_t column, Value value) { cells_[{sheet, row, column}] = std::move(value); }
    // Row-major from (row, column); text and numbers given as Values.
    void setRow(int32_t sheet, int32_t row, int32_t column, std::initializer_list<Value> values) {
        for (const Value& v : values) set(sheet, row, column++, v);
    }
    void setCaller(SheetArea caller) { caller_ = caller; }
    void set1904(bool on) { date1904_ = on; }
    void setNow(double serial) { now_ = serial; }
    void setRandom(double r) { random_ = r; }
    void markSubtotal(int32_t sheet, int32_t row, int32_t column) { subtotals_.insert({sheet, row, column}); }
    void hideRow(int32_t sheet, int32_t row) { hiddenRows_.insert({sheet, row}); }
    void setSheetCount(int32_t count) { sheetCount_ = count; }
    // Cells visited by forEachValue, to check that a function walks used cells only.
    int64_t visitedCells() const { return visited_; }

    Value cellValue(int32_t sheet, int32_t row, int32_t column) override {
        auto it = cells_.find({sheet, row, column});
        return it == cells_.end() ? Value() : it->second;
    }
    void forEachValue(const SheetArea& area, const CellVisitor& visit) override {
        const Area& a = area.area;
        for (auto it = cells_.lower_bound({area.sheet, a.firstRow, 0}); it != cells_.end(); ++it) {
            auto [sheet, row, column] = it->first;
            if (sheet != area.sheet || row > a.lastRow) break;
            if (column < a.firstColumn || column > a.lastColumn || it->second.isBlank()) continue;
            ++visited_;
            visit(row, column, it->second);
        }
    }
    std::optional<Area> usedPart(const SheetArea& area) override {
        std::optional<Area> used;
        for (const auto& [key, value] : cells_) {
            auto [sheet, row, column] = key;
            if (sheet != area.sheet) continue;
            if (!used) used = Area::cell(row, column);
            used->firstRow = std::min(used->firstRow, row);
            used->lastRow = std::max(used->lastRow, row);
            used->firstColumn = std::min(used->firstColumn, column);
            used->lastColumn = std::max(used->lastColumn, column);
        }
        if (!used) return std::nullopt;
        Area part{std::max(used->firstRow, area.area.firstRow), std::max(used->firstColumn, area.area.firstColumn),
                  std::min(used->lastRow, area.area.lastRow), std::min(used->lastColumn, area.area.lastColumn)};
        if (part.firstRow > part.lastRow || part.firstColumn > part.lastColumn) return std::nullopt;
        return part;
    }
    SheetArea caller() const override { return caller_; }
    bool uses1904Dates() const override { return date1904_; }
    std::optional<SheetArea> resolveReference(std::string_view text, bool a1) override {
        if (!a1) return std::nullopt;
        std::optional<Area> area = parseA1(text);
        if (!area) return std::nullopt;
        return SheetArea{caller_.sheet, *area};
    }
    int32_t sheetCount() const override { return sheetCount_; }
    bool isSubtotalFormula(int32_t sheet, int32_t row, int32_t column) override {
        return subtotals_.count({sheet, row, column}) != 0;
    }
    bool isRowHidden(int32_t sheet, int32_t row) override { return hiddenRows_.count({sheet, row}) != 0; }
    double now() override { return now_; }
    double random() override { return random_; }

private:
    std::map<std::tuple<int32_t, int32_t, int32_t>, Value> cells_;
    std::set<std::tuple<int32_t, int32_t, int32_t>> subtotals_;
    std::set<std::pair<int32_t, int32_t>> hiddenRows_;
    SheetArea caller_{0, Area::cell(1, 1)};
    bool date1904_ = false;
    double now_ = 45306.5;  // 2024-01-15 12:00
    double random_ = 0.25;
    int32_t sheetCount_ = 1;
    int64_t visited_ = 0;
};

}  // namespace tavlora::host::formula::testing
