#include "host/cells/CellRef.h"

#include <algorithm>

namespace tavlora::host {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool sameShape(const A1Corner& a, const A1Corner& b) { return (a.row != 0) == (b.row != 0) && (a.column != 0) == (b.column != 0); }

// Writes the letters of a column on the grid; returns their count. Filled from the end, as the
// length is known up front.
size_t formatColumn(int32_t column, char* buffer) {
    if (column <= 0) return 0;
    size_t n = column <= 26 ? 1 : column <= 702 ? 2 : 3;
    for (size_t i = n; i-- > 0;) {
        buffer[i] = static_cast<char>('A' + (column - 1) % 26);
        column = (column - 1) / 26;
    }
    return n;
}

size_t formatRow(int32_t row, char* buffer) {
    size_t n = 1;
    for (int32_t rest = row; rest >= 10; rest /= 10) ++n;
    for (size_t i = n; i-- > 0;) {
        buffer[i] = static_cast<char>('0' + row % 10);
        row /= 10;
    }
    return n;
}

void appendCorner(std::string& out, const A1Corner& corner) {
    char buffer[kCellAddressCapacity];
    if (corner.column) {
        if (corner.columnAbsolute) out += '$';
        out.append(buffer, formatColumn(corner.column, buffer));
    }
    if (corner.row) {
        if (corner.rowAbsolute) out += '$';
        out.append(buffer, formatRow(corner.row, buffer));
    }
}

}  // namespace

size_t scanA1Corner(std::string_view text, size_t pos, A1Corner& corner) {
    corner = {};
    const size_t n = text.size();
    size_t end = pos;
    size_t i = pos;
    bool dollar = i < n && text[i] == '$';
    if (dollar) ++i;
    const size_t lettersStart = i;
    int32_t column = 0;
    for (; i < n && isLetter(text[i]); ++i) {
        if (i - lettersStart == 3) return pos;
        column = column * 26 + ((text[i] | 0x20) - 'a' + 1);
    }
    if (i > lettersStart) {
        if (column > kMaxColumns) return pos;
        corner.column = column;
        corner.columnAbsolute = dollar;
        end = i;
        dollar = i < n && text[i] == '$';
        if (dollar) ++i;
    }
    const size_t digitsStart = i;
    int32_t row = 0;
    for (; i < n && isDigit(text[i]); ++i) {
        if (i - digitsStart == 7) return pos;
        row = row * 10 + (text[i] - '0');
    }
    if (i > digitsStart) {
        if (text[digitsStart] == '0' || row > kMaxRows) return pos;
        corner.row = row;
        corner.rowAbsolute = dollar;
        end = i;
    }
    // A "$" that no row follows is not part of the corner ("A$" ends before it).
    return end;
}

size_t scanA1Reference(std::string_view text, size_t pos, A1Reference& reference) {
    size_t end = scanA1Corner(text, pos, reference.first);
    reference.second = reference.first;
    reference.ranged = false;
    if (end == pos) return pos;
    if (end < text.size() && text[end] == ':') {
        A1Corner second;
        size_t secondEnd = scanA1Corner(text, end + 1, second);
        if (secondEnd != end + 1 && sameShape(reference.first, second)) {
            reference.second = second;
            reference.ranged = true;
            return secondEnd;
        }
    }
    return end;
}

Area A1Reference::area() const {
    if (first.isCell())
        return {std::min(first.row, second.row), std::min(first.column, second.column), std::max(first.row, second.row),
                std::max(first.column, second.column)};
    if (first.row) return {std::min(first.row, second.row), 1, std::max(first.row, second.row), kMaxColumns};
    return {1, std::min(first.column, second.column), kMaxRows, std::max(first.column, second.column)};
}

A1Reference A1Reference::movedTo(const Area& area) const {
    A1Reference moved = *this;
    if (first.row) {
        moved.first.row = area.firstRow;
        moved.second.row = area.lastRow;
    }
    if (first.column) {
        moved.first.column = area.firstColumn;
        moved.second.column = area.lastColumn;
    }
    return moved;
}

int32_t columnFromLetters(std::string_view letters) {
    A1Corner corner;
    if (letters.empty() || letters[0] == '$' || scanA1Corner(letters, 0, corner) != letters.size() || corner.row)
        return 0;
    return corner.column;
}

std::string columnLetters(int32_t column) {
    char buffer[4];
    return std::string(buffer, formatColumn(column, buffer));
}

std::optional<Area> parseA1(std::string_view text) {
    A1Reference reference;
    size_t end = scanA1Reference(text, 0, reference);
    if (end == 0 || end != text.size()) return std::nullopt;
    return reference.area();
}

std::optional<Area> parseRangeAddress(std::string_view text) {
    A1Reference reference;
    size_t end = scanA1Reference(text, 0, reference);
    if (end == 0 || end != text.size() || (!reference.ranged && !reference.first.isCell())) return std::nullopt;
    return reference.area();
}

bool parseCell(std::string_view text, int32_t& row, int32_t& column) {
    A1Corner corner;
    if (scanA1Corner(text, 0, corner) != text.size() || !corner.isCell()) return false;
    row = corner.row;
    column = corner.column;
    return true;
}

std::optional<Area> parseCellRange(std::string_view text) {
    A1Reference reference;
    size_t end = scanA1Reference(text, 0, reference);
    if (end == 0 || end != text.size() || !reference.first.isCell()) return std::nullopt;
    return reference.area();
}

size_t formatCell(int32_t row, int32_t column, char* buffer) {
    size_t length = formatColumn(column, buffer);
    return length + formatRow(row, buffer + length);
}

std::string cellAddress(int32_t row, int32_t column, bool absolute) {
    std::string out;
    appendCorner(out, A1Corner{row, column, absolute, absolute});
    return out;
}

std::string areaAddress(const Area& area, bool absolute) {
    A1Reference reference;
    reference.first = {area.firstRow, area.firstColumn, absolute, absolute};
    reference.second = {area.lastRow, area.lastColumn, absolute, absolute};
    if (area.isWholeColumns() && !area.isWholeRows()) {
        reference.first.row = reference.second.row = 0;
    } else if (area.isWholeRows()) {
        reference.first.column = reference.second.column = 0;
    }
    reference.ranged = !reference.first.isCell() || reference.first.row != reference.second.row ||
                       reference.first.column != reference.second.column;
    std::string out;
    appendA1Reference(out, reference);
    return out;
}

std::string cellRangeAddress(const Area& area) {
    char buffer[kCellAddressCapacity];
    std::string out(buffer, formatCell(area.firstRow, area.firstColumn, buffer));
    if (area.lastRow != area.firstRow || area.lastColumn != area.firstColumn) {
        out += ':';
        out.append(buffer, formatCell(area.lastRow, area.lastColumn, buffer));
    }
    return out;
}

void appendA1Reference(std::string& out, const A1Reference& reference) {
    appendCorner(out, reference.first);
    if (!reference.ranged) return;
    out += ':';
    appendCorner(out, reference.second);
}

}  // namespace tavlora::host
