#include "host/cells/CellRef.h"

#include <algorithm>
#include <cctype>

namespace tavlora::host {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One side of a reference: a column, a row, or both. Parsed from the whole text of that side.
struct Corner {
    int32_t row = 0;     // 0 = no row part
    int32_t column = 0;  // 0 = no column part
};

// Reads "[$]row" digits; 0 when absent or off the grid. Leading zeros are not a row.
int32_t parseRowNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 7 || digits[0] == '0') return 0;
    int32_t value = 0;
    for (char c : digits) {
        if (!isDigit(c)) return 0;
        value = value * 10 + (c - '0');
    }
    return value <= kMaxRows ? value : 0;
}

std::optional<Corner> parseCorner(std::string_view text) {
    size_t i = 0;
    auto eatDollar = [&] {
        if (i < text.size() && text[i] == '$') {
            ++i;
            return true;
        }
        return false;
    };
    bool dollar = eatDollar();
    size_t lettersStart = i;
    while (i < text.size() && isLetter(text[i])) ++i;
    std::string_view letters = text.substr(lettersStart, i - lettersStart);
    if (!letters.empty()) dollar = eatDollar();
    std::string_view digits = text.substr(i);
    Corner corner;
    if (letters.empty() && digits.empty()) return std::nullopt;
    if (!letters.empty()) {
        corner.column = columnFromLetters(letters);
        if (corner.column == 0) return std::nullopt;
        if (digits.empty() && dollar) return std::nullopt;  // "A$" marks a row that is not there
    }
    if (!digits.empty()) {
        corner.row = parseRowNumber(digits);
        if (corner.row == 0) return std::nullopt;
    }
    return corner;
}

}  // namespace

int32_t columnFromLetters(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) return 0;
    int32_t value = 0;
    for (char c : letters) {
        if (!isLetter(c)) return 0;
        value = value * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
    }
    return value <= kMaxColumns ? value : 0;
}

std::string columnLetters(int32_t column) {
    std::string letters;
    while (column > 0) {
        int32_t rest = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + rest));
        column = (column - 1) / 26;
    }
    return letters;
}

std::string cellAddress(int32_t row, int32_t column, bool absolute) {
    std::string out;
    if (absolute) out += '$';
    out += columnLetters(column);
    if (absolute) out += '$';
    out += std::to_string(row);
    return out;
}

std::string areaAddress(const Area& area, bool absolute) {
    const char* dollar = absolute ? "$" : "";
    if (area.isWholeColumns() && !area.isWholeRows()) {
        return dollar + columnLetters(area.firstColumn) + ":" + dollar + columnLetters(area.lastColumn);
    }
    if (area.isWholeRows()) {
        return dollar + std::to_string(area.firstRow) + ":" + dollar + std::to_string(area.lastRow);
    }
    std::string first = cellAddress(area.firstRow, area.firstColumn, absolute);
    if (area.firstRow == area.lastRow && area.firstColumn == area.lastColumn) return first;
    return first + ":" + cellAddress(area.lastRow, area.lastColumn, absolute);
}

std::optional<Area> parseA1(std::string_view text) {
    if (text.empty()) return std::nullopt;
    size_t colon = text.find(':');
    std::string_view left = text.substr(0, colon);
    std::string_view right = colon == std::string_view::npos ? left : text.substr(colon + 1);
    if (right.find(':') != std::string_view::npos) return std::nullopt;
    auto a = parseCorner(left);
    auto b = parseCorner(right);
    if (!a || !b) return std::nullopt;
    bool aCell = a->row && a->column, bCell = b->row && b->column;
    bool aRow = a->row && !a->column, bRow = b->row && !b->column;
    bool aCol = !a->row && a->column, bCol = !b->row && b->column;
    Area area;
    if (aCell && bCell) {
        area = {std::min(a->row, b->row), std::min(a->column, b->column), std::max(a->row, b->row),
                std::max(a->column, b->column)};
    } else if (aRow && bRow) {
        area = {std::min(a->row, b->row), 1, std::max(a->row, b->row), kMaxColumns};
    } else if (aCol && bCol) {
        area = {1, std::min(a->column, b->column), kMaxRows, std::max(a->column, b->column)};
    } else {
        return std::nullopt;
    }
    return area;
}

}  // namespace tavlora::host
