#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavlora::host {

constexpr int32_t kMaxRows = 1048576;
constexpr int32_t kMaxColumns = 16384;

// A rectangular area of one sheet, 1-based and inclusive. Whole rows / columns / the whole sheet
// are ordinary areas spanning the grid; code that walks an area walks the used cells inside it.
struct Area {
    int32_t firstRow = 1;
    int32_t firstColumn = 1;
    int32_t lastRow = 1;
    int32_t lastColumn = 1;

    bool operator==(const Area&) const = default;
    int64_t rowCount() const { return int64_t(lastRow) - firstRow + 1; }
    int64_t columnCount() const { return int64_t(lastColumn) - firstColumn + 1; }
    int64_t cellCount() const { return rowCount() * columnCount(); }
    bool contains(int32_t row, int32_t column) const {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
    bool isWholeRows() const { return firstColumn == 1 && lastColumn == kMaxColumns; }
    bool isWholeColumns() const { return firstRow == 1 && lastRow == kMaxRows; }
    static Area cell(int32_t row, int32_t column) { return {row, column, row, column}; }
};

// "A" -> 1, "XFD" -> 16384; 0 when not a valid column name.
int32_t columnFromLetters(std::string_view letters);
std::string columnLetters(int32_t column);
// "$B$5" / "B5" (absolute form when asked).
std::string cellAddress(int32_t row, int32_t column, bool absolute = true);
// "$B$5:$C$7", or "$B$5" for one cell; whole rows "$1:$2", whole columns "$A:$A".
std::string areaAddress(const Area& area, bool absolute = true);

// Parses an A1 reference of one sheet: a cell ("b3", "$B$3"), an area ("B3:D5", corners in any
// order), whole rows ("1:2", "3"), whole columns ("A:A", "C"). No sheet prefix.
// Returns nullopt when the text is not a valid reference on the grid.
std::optional<Area> parseA1(std::string_view text);

}  // namespace tavlora::host
