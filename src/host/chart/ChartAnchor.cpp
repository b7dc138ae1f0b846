#include "host/chart/ChartAnchor.h"

#include <algorithm>
#include <cmath>

#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

constexpr double kPointsPerPixel = 0.75;

int64_t toEmu(double points) { return std::llround(points * static_cast<double>(kEmuPerPoint)); }
double toPoints(int64_t emu) { return static_cast<double>(emu) / static_cast<double>(kEmuPerPoint); }

// Walks cells from the first until `offset` points are passed; the 0-based cell index and the
// rest of the offset inside it.
template <class SizeOf>
std::pair<int32_t, double> cellAtOffset(double offset, int32_t limit, SizeOf sizeOf) {
    int32_t index = 1;
    double rest = std::max(0.0, offset);
    for (; index < limit; ++index) {
        double size = sizeOf(index);
        if (rest < size) break;
        rest -= size;
    }
    return {index - 1, rest};
}

template <class SizeOf>
double offsetOfCell(int32_t zeroBased, SizeOf sizeOf) {
    double sum = 0;
    for (int32_t i = 1; i <= zeroBased; ++i) sum += sizeOf(i);
    return sum;
}

// One corner moved for a deletion of the band first..last (1-based) along its axis.
bool shiftMarker(int32_t& index, int64_t& offset, const formula::Deletion& deletion) {
    int32_t oneBased = index + 1;
    if (oneBased < deletion.first) return false;
    if (oneBased > deletion.last()) {
        index -= deletion.count;
        return true;
    }
    index = deletion.first - 1;
    offset = 0;
    return true;
}

}  // namespace

double columnWidthPoints(const Worksheet& sheet, int32_t column) {
    const ColumnInfo* info = sheet.store().findColumn(column);
    if (info && info->hidden) return 0;
    double characters = info && info->width >= 0 ? info->width : sheet.defaultColumnWidth();
    // The pixels a column of that width shows at 100 %, as the web page lays it out too.
    return static_cast<double>(std::llround(std::max(characters, 0.0) * 7 + 5)) * kPointsPerPixel;
}

double rowHeightPoints(const Worksheet& sheet, int32_t row) {
    const RowInfo* info = sheet.store().findRow(row);
    if (info && info->hidden) return 0;
    return info && info->height >= 0 ? info->height : sheet.defaultRowHeight();
}

ChartAnchor anchorFromPoints(const Worksheet& sheet, const PointRect& rect) {
    auto width = [&](int32_t c) { return columnWidthPoints(sheet, c); };
    auto height = [&](int32_t r) { return rowHeightPoints(sheet, r); };
    double left = std::max(0.0, rect.left), top = std::max(0.0, rect.top);
    auto [fromColumn, fromColumnRest] = cellAtOffset(left, kMaxColumns, width);
    auto [fromRow, fromRowRest] = cellAtOffset(top, kMaxRows, height);
    auto [toColumn, toColumnRest] = cellAtOffset(left + std::max(0.0, rect.width), kMaxColumns, width);
    auto [toRow, toRowRest] = cellAtOffset(top + std::max(0.0, rect.height), kMaxRows, height);
    ChartAnchor anchor;
    anchor.kind = ChartAnchor::Kind::TwoCell;
    anchor.from = {fromColumn, toEmu(fromColumnRest), fromRow, toEmu(fromRowRest)};
    anchor.to = {toColumn, toEmu(toColumnRest), toRow, toEmu(toRowRest)};
    return anchor;
}

PointRect anchorRect(const Worksheet& sheet, const ChartAnchor& anchor) {
    auto width = [&](int32_t c) { return columnWidthPoints(sheet, c); };
    auto height = [&](int32_t r) { return rowHeightPoints(sheet, r); };
    PointRect rect;
    if (anchor.kind == ChartAnchor::Kind::Absolute) {
        return {toPoints(anchor.x), toPoints(anchor.y), toPoints(anchor.cx), toPoints(anchor.cy)};
    }
    rect.left = offsetOfCell(anchor.from.column, width) + toPoints(anchor.from.columnOffset);
    rect.top = offsetOfCell(anchor.from.row, height) + toPoints(anchor.from.rowOffset);
    if (anchor.kind == ChartAnchor::Kind::OneCell) {
        rect.width = toPoints(anchor.cx);
        rect.height = toPoints(anchor.cy);
        return rect;
    }
    double right = offsetOfCell(anchor.to.column, width) + toPoints(anchor.to.columnOffset);
    double bottom = offsetOfCell(anchor.to.row, height) + toPoints(anchor.to.rowOffset);
    rect.width = std::max(0.0, right - rect.left);
    rect.height = std::max(0.0, bottom - rect.top);
    return rect;
}

bool shiftAnchor(ChartAnchor& anchor, const formula::Deletion& deletion) {
    if (anchor.kind == ChartAnchor::Kind::Absolute) return false;
    bool rows = deletion.axis == formula::Axis::Rows;
    auto shift = [&](AnchorMarker& m) {
        return rows ? shiftMarker(m.row, m.rowOffset, deletion) : shiftMarker(m.column, m.columnOffset, deletion);
    };
    bool moved = shift(anchor.from);
    if (anchor.kind == ChartAnchor::Kind::TwoCell) moved = shift(anchor.to) || moved;
    return moved;
}

}  // namespace tavlora::host
