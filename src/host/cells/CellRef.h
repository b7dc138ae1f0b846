#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The A1 notation: the one place that reads and writes cell, area, whole-row and whole-column
// references. Everything here works on views and caller buffers, so the file readers and writers
// can parse and format a reference per cell without allocating.
namespace tavlora::host {

constexpr int32_t kMaxRows = 1048576;
constexpr int32_t kMaxColumns = 16384;

// A cell on the sheet's grid; wide arguments, so a row or column computed by an offset is tested
// before it is narrowed.
constexpr bool isOnGrid(int64_t row, int64_t column) {
    return row >= 1 && row <= kMaxRows && column >= 1 && column <= kMaxColumns;
}

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

// One end of a reference as written: a column, a row or both, each with its "$" marker.
struct A1Corner {
    int32_t row = 0;     // 0 = no row part
    int32_t column = 0;  // 0 = no column part
    bool rowAbsolute = false;
    bool columnAbsolute = false;

    bool isCell() const { return row != 0 && column != 0; }
};

// A reference of one sheet as written: one corner ("B3", and for parseA1 also "C" or "7"), or two
// of the same shape joined by ":" ("B3:D5", "1:2", "A:$C").
struct A1Reference {
    A1Corner first;
    A1Corner second;
    bool ranged = false;  // written with ":"

    bool isCell() const { return !ranged && first.isCell(); }
    Area area() const;
    // The same form and "$" markers, moved onto `area` (which must have this reference's shape).
    A1Reference movedTo(const Area& area) const;
};

// Longest "[$]letters[$]digits" (or either part alone) at `pos`; the end, or `pos` when no corner
// on the grid starts there. Case does not matter; a row has no leading zero.
size_t scanA1Corner(std::string_view text, size_t pos, A1Corner& corner);
// A corner, and when ":" and a second corner of the same shape follow, the range. The end, or `pos`.
size_t scanA1Reference(std::string_view text, size_t pos, A1Reference& reference);

// "A" -> 1, "XFD" -> 16384; 0 when not a valid column name.
int32_t columnFromLetters(std::string_view letters);
std::string columnLetters(int32_t column);

// Parses an A1 reference of one sheet: a cell ("b3", "$B$3"), an area ("B3:D5", corners in any
// order), whole rows ("1:2", "3"), whole columns ("A:A", "C"). No sheet prefix.
// Returns nullopt when the text is not a valid reference on the grid.
std::optional<Area> parseA1(std::string_view text);
// An address as a program hands it to Range: a cell, an area, or whole rows and columns written
// as a pair ("3:3", "C:C"). A lone row ("3") or column ("C", "id") is not an address.
std::optional<Area> parseRangeAddress(std::string_view text);
// The whole text is one cell ("B12", "$b$12").
bool parseCell(std::string_view text, int32_t& row, int32_t& column);
// The whole text is a cell or an area between two cells ("A1:C4", corners in any order); the form
// of cell-range attributes in files, which never use whole rows or columns.
std::optional<Area> parseCellRange(std::string_view text);

constexpr size_t kCellAddressCapacity = 16;  // "$XFD$1048576" and room to spare
// Writes "B12" (relative, no terminator) into `buffer`; returns its length.
size_t formatCell(int32_t row, int32_t column, char* buffer);
// "$B$5" / "B5" (absolute form when asked).
std::string cellAddress(int32_t row, int32_t column, bool absolute = true);
// "$B$5:$C$7", or "$B$5" for one cell; whole rows "$1:$2", whole columns "$A:$A".
std::string areaAddress(const Area& area, bool absolute = true);
// "A1:C4", or "B2" for one cell: corner cells whatever the area spans, relative.
std::string cellRangeAddress(const Area& area);
// The reference as written, "$" markers kept.
void appendA1Reference(std::string& out, const A1Reference& reference);

}  // namespace tavlora::host
