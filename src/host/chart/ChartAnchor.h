#pragma once
#include <cstdint>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host {

class Worksheet;

constexpr int64_t kEmuPerPoint = 12700;

// A corner of a drawing object: a 0-based column and row of the sheet, and an offset into that
// cell in EMU (as drawing parts count them).
struct AnchorMarker {
    int32_t column = 0;
    int64_t columnOffset = 0;
    int32_t row = 0;
    int64_t rowOffset = 0;
    bool operator==(const AnchorMarker&) const = default;
};

// How an embedded chart is placed on its sheet. Two-cell anchors move and size with the cells,
// one-cell anchors move with their top-left cell, absolute anchors stay where they are.
struct ChartAnchor {
    enum class Kind : uint8_t { TwoCell, OneCell, Absolute };
    Kind kind = Kind::TwoCell;
    AnchorMarker from;
    AnchorMarker to;   // TwoCell
    int64_t x = 0;     // Absolute: position in EMU
    int64_t y = 0;
    int64_t cx = 0;    // OneCell, Absolute: size in EMU
    int64_t cy = 0;
    bool operator==(const ChartAnchor&) const = default;
};

// A rectangle in points from the sheet's top-left corner.
struct PointRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// Width of a column and height of a row in points as the sheet shows them (hidden ones are 0).
double columnWidthPoints(const Worksheet& sheet, int32_t column);
double rowHeightPoints(const Worksheet& sheet, int32_t row);

// The two-cell anchor that covers the rectangle, found from the sheet's column widths and row
// heights as they are now. Negative positions and sizes count as 0.
ChartAnchor anchorFromPoints(const Worksheet& sheet, const PointRect& rect);
// Where an anchor lies on the sheet, in points.
PointRect anchorRect(const Worksheet& sheet, const ChartAnchor& anchor);

// Moves the anchor after rows or columns of its sheet were removed: corners below (right of) the
// band move up (left), corners inside it go to the band's start, so a two-cell anchor over the
// band shrinks. Absolute anchors stay. True when anything moved.
bool shiftAnchor(ChartAnchor& anchor, const formula::Deletion& deletion);

}  // namespace tavlora::host
