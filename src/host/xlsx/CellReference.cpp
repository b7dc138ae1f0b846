#include "host/xlsx/CellReference.h"

#include <algorithm>

namespace tavlora::host::xlsx {

bool parseCellReference(std::string_view text, int32_t& row, int32_t& column) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    int32_t col = 0;
    size_t letters = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') col = col * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z') col = col * 26 + (c - 'a' + 1);
        else break;
        if (++letters > 3) return false;
        ++i;
    }
    if (letters == 0 || col > kMaxColumns) return false;
    if (i < text.size() && text[i] == '$') ++i;
    if (i >= text.size() || text[i] == '0') return false;
    int32_t r = 0;
    size_t digits = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9' || ++digits > 7) return false;
        r = r * 10 + (c - '0');
    }
    if (digits == 0 || r > kMaxRows) return false;
    row = r;
    column = col;
    return true;
}

bool parseAreaReference(std::string_view text, Area& area) {
    size_t colon = text.find(':');
    int32_t r1, c1, r2, c2;
    if (colon == std::string_view::npos) {
        if (!parseCellReference(text, r1, c1)) return false;
        area = Area::cell(r1, c1);
        return true;
    }
    if (!parseCellReference(text.substr(0, colon), r1, c1) || !parseCellReference(text.substr(colon + 1), r2, c2))
        return false;
    area = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    return true;
}

size_t formatCellReference(int32_t row, int32_t column, char* buffer) {
    char letters[4];
    size_t n = 0;
    while (column > 0 && n < sizeof letters) {
        letters[n++] = static_cast<char>('A' + (column - 1) % 26);
        column = (column - 1) / 26;
    }
    size_t length = 0;
    while (n > 0) buffer[length++] = letters[--n];
    char digits[10];
    size_t d = 0;
    do {
        digits[d++] = static_cast<char>('0' + row % 10);
        row /= 10;
    } while (row > 0 && d < sizeof digits);
    while (d > 0) buffer[length++] = digits[--d];
    return length;
}

std::string areaReference(const Area& area) {
    char buffer[kCellReferenceCapacity];
    std::string text(buffer, formatCellReference(area.firstRow, area.firstColumn, buffer));
    if (area.lastRow != area.firstRow || area.lastColumn != area.firstColumn) {
        text += ':';
        text.append(buffer, formatCellReference(area.lastRow, area.lastColumn, buffer));
    }
    return text;
}

}  // namespace tavlora::host::xlsx
