#include "host/formula/FormulaReferences.h"

#include <functional>
#include <vector>

#include "com/Conversions.h"

namespace tavlora::host::formula {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// Characters of names, function names and unquoted sheet names (any byte of a non-ASCII character
// counts, so names in other scripts stay whole).
bool isWordChar(char c) {
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' ||
           static_cast<unsigned char>(c) >= 0x80;
}

struct Corner {
    int32_t row = 0;     // 0 = none (whole columns)
    int32_t column = 0;  // 0 = none (whole rows)
    bool rowAbsolute = false;
    bool columnAbsolute = false;
};

enum class BodyKind : uint8_t { Cell, Area, Rows, Columns };

// The reference itself, after any sheet prefix.
struct Body {
    BodyKind kind = BodyKind::Cell;
    Corner first;
    Corner second;

    Area area() const {
        switch (kind) {
            case BodyKind::Cell: return Area::cell(first.row, first.column);
            case BodyKind::Area:
                return {std::min(first.row, second.row), std::min(first.column, second.column),
                        std::max(first.row, second.row), std::max(first.column, second.column)};
            case BodyKind::Rows:
                return {std::min(first.row, second.row), 1, std::max(first.row, second.row), kMaxColumns};
            case BodyKind::Columns:
                return {1, std::min(first.column, second.column), kMaxRows, std::max(first.column, second.column)};
        }
        return {};
    }
};

// Reads "[$]letters" at pos; 0 when absent or beyond the grid.
int32_t readColumn(std::string_view text, size_t& pos, bool& absolute) {
    size_t i = pos;
    absolute = i < text.size() && text[i] == '$';
    if (absolute) ++i;
    size_t start = i;
    while (i < text.size() && isLetter(text[i]) && i - start < 4) ++i;
    int32_t column = columnFromLetters(text.substr(start, i - start));
    if (column == 0) return 0;
    pos = i;
    return column;
}

int32_t readRow(std::string_view text, size_t& pos, bool& absolute) {
    size_t i = pos;
    absolute = i < text.size() && text[i] == '$';
    if (absolute) ++i;
    size_t start = i;
    int64_t value = 0;
    while (i < text.size() && isDigit(text[i]) && i - start < 8) value = value * 10 + (text[i++] - '0');
    if (i == start || text[start] == '0' || value > kMaxRows) return 0;
    pos = i;
    return static_cast<int32_t>(value);
}

std::optional<Corner> readCellCorner(std::string_view text, size_t& pos) {
    size_t i = pos;
    Corner corner;
    corner.column = readColumn(text, i, corner.columnAbsolute);
    if (!corner.column) return std::nullopt;
    corner.row = readRow(text, i, corner.rowAbsolute);
    if (!corner.row) return std::nullopt;
    pos = i;
    return corner;
}

// What may follow a reference: anything that cannot continue a name, call or sheet prefix.
bool endsReference(std::string_view text, size_t pos) {
    if (pos >= text.size()) return true;
    char c = text[pos];
    return !isWordChar(c) && c != '(' && c != '!' && c != '$' && c != '[';
}

// A cell, area, whole-row or whole-column reference at pos, ending at a reference boundary.
std::optional<Body> readBody(std::string_view text, size_t& pos) {
    size_t i = pos;
    if (auto cell = readCellCorner(text, i)) {
        Body body{BodyKind::Cell, *cell, *cell};
        size_t j = i;
        if (j < text.size() && text[j] == ':') {
            ++j;
            if (auto second = readCellCorner(text, j); second && endsReference(text, j)) {
                body.kind = BodyKind::Area;
                body.second = *second;
                pos = j;
                return body;
            }
        }
        if (!endsReference(text, i)) return std::nullopt;
        pos = i;
        return body;
    }
    i = pos;
    Corner a, b;
    if ((a.column = readColumn(text, i, a.columnAbsolute)) && i < text.size() && text[i] == ':') {
        ++i;
        if ((b.column = readColumn(text, i, b.columnAbsolute)) && endsReference(text, i)) {
            pos = i;
            return Body{BodyKind::Columns, a, b};
        }
    }
    i = pos;
    a = b = Corner{};
    if ((a.row = readRow(text, i, a.rowAbsolute)) && i < text.size() && text[i] == ':') {
        ++i;
        if ((b.row = readRow(text, i, b.rowAbsolute)) && endsReference(text, i)) {
            pos = i;
            return Body{BodyKind::Rows, a, b};
        }
    }
    return std::nullopt;
}

void appendColumn(std::string& out, int32_t column, bool absolute) {
    if (absolute) out += '$';
    out += columnLetters(column);
}

void appendRow(std::string& out, int32_t row, bool absolute) {
    if (absolute) out += '$';
    out += std::to_string(row);
}

// The body moved onto `area`, keeping its form and its $ markers.
std::string bodyText(const Body& body, const Area& area) {
    std::string out;
    switch (body.kind) {
        case BodyKind::Cell:
            appendColumn(out, area.firstColumn, body.first.columnAbsolute);
            appendRow(out, area.firstRow, body.first.rowAbsolute);
            break;
        case BodyKind::Area:
            appendColumn(out, area.firstColumn, body.first.columnAbsolute);
            appendRow(out, area.firstRow, body.first.rowAbsolute);
            out += ':';
            appendColumn(out, area.lastColumn, body.second.columnAbsolute);
            appendRow(out, area.lastRow, body.second.rowAbsolute);
            break;
        case BodyKind::Rows:
            appendRow(out, area.firstRow, body.first.rowAbsolute);
            out += ':';
            appendRow(out, area.lastRow, body.second.rowAbsolute);
            break;
        case BodyKind::Columns:
            appendColumn(out, area.firstColumn, body.first.columnAbsolute);
            out += ':';
            appendColumn(out, area.lastColumn, body.second.columnAbsolute);
            break;
    }
    return out;
}

// A reference found in a formula, with its sheet prefix as written.
struct Found {
    std::optional<std::string> sheet;  // unquoted name; nullopt when unqualified
    bool external = false;             // [n]Sheet!A1: another workbook
    bool threeD = false;               // Sheet1:Sheet3!A1
    std::optional<Body> body;          // nullopt: a sheet-qualified name (Sheet1!Total)
    std::string_view prefixText;       // "Sheet1!" / "'My Sheet'!" / ""
    std::string_view bodyText;
};

// Returns the replacement for the whole reference, or nullopt to keep it as written.
using Rewrite = std::function<std::optional<std::string>(const Found&)>;

size_t skipStringLiteral(std::string_view text, size_t i) {
    ++i;
    while (i < text.size()) {
        if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

size_t skipBrackets(std::string_view text, size_t i) {
    int depth = 0;
    while (i < text.size()) {
        if (text[i] == '[') ++depth;
        else if (text[i] == ']' && --depth == 0) return i + 1;
        else if (text[i] == '\'' && i + 1 < text.size()) ++i;  // escaped character inside a table reference
        ++i;
    }
    return i;
}

// "#REF!", "#N/A", "#DIV/0!": copied whole so their "!" is not taken for a sheet prefix.
size_t skipErrorLiteral(std::string_view text, size_t i) {
    ++i;
    while (i < text.size() && (isLetter(text[i]) || isDigit(text[i]) || text[i] == '/')) ++i;
    if (i < text.size() && (text[i] == '!' || text[i] == '?')) ++i;
    return i;
}

size_t skipNumber(std::string_view text, size_t i) {
    while (i < text.size() && (isDigit(text[i]) || text[i] == '.')) ++i;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            i = j;
            while (i < text.size() && isDigit(text[i])) ++i;
        }
    }
    return i;
}

size_t skipWord(std::string_view text, size_t i) {
    while (i < text.size() && (isWordChar(text[i]) || text[i] == '$')) ++i;
    return i;
}

// A quoted sheet name at i ('...' with '' for a quote); returns the end and the unquoted name.
size_t readQuotedName(std::string_view text, size_t i, std::string& name) {
    ++i;
    while (i < text.size()) {
        if (text[i] == '\'') {
            if (i + 1 < text.size() && text[i + 1] == '\'') {
                name += '\'';
                i += 2;
                continue;
            }
            return i + 1;
        }
        name += text[i++];
    }
    return i;
}

// Reads a sheet prefix at i: Name!, 'Name'!, Name1:Name2!, [1]Name!. Returns the position after
// "!" or npos when there is none.
size_t readSheetPrefix(std::string_view text, size_t i, Found& found) {
    size_t start = i;
    if (i < text.size() && text[i] == '[') {
        i = skipBrackets(text, i);
        found.external = true;
    }
    auto readName = [&](std::string& name) -> bool {
        if (i < text.size() && text[i] == '\'') {
            i = readQuotedName(text, i, name);
            return true;
        }
        size_t end = i;
        while (end < text.size() && isWordChar(text[end])) ++end;
        if (end == i) return false;
        name.assign(text.substr(i, end - i));
        i = end;
        return true;
    };
    std::string name;
    if (!readName(name)) return std::string_view::npos;
    if (i < text.size() && text[i] == ':' && text.substr(start, i - start).find('\'') == std::string_view::npos) {
        size_t save = i;
        ++i;
        std::string second;
        if (readName(second) && i < text.size() && text[i] == '!') {
            found.threeD = true;
        } else {
            i = save;
        }
    }
    if (i >= text.size() || text[i] != '!') return std::string_view::npos;
    found.sheet = std::move(name);
    return i + 1;
}

std::string rewriteReferences(std::string_view text, const Rewrite& rewrite) {
    std::string out;
    out.reserve(text.size() + 8);
    size_t i = 0;
    auto emit = [&](size_t start, size_t end, Found& found) {
        found.bodyText = text.substr(start + found.prefixText.size(), end - start - found.prefixText.size());
        if (auto replacement = rewrite(found)) out += *replacement;
        else out.append(text.substr(start, end - start));
    };
    while (i < text.size()) {
        char c = text[i];
        if (c == '"') {
            size_t end = skipStringLiteral(text, i);
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (c == '#') {
            size_t end = skipErrorLiteral(text, i);
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        bool mayStartPrefix = c == '\'' || c == '[' || isWordChar(c);
        if (mayStartPrefix) {
            Found found;
            size_t afterPrefix = readSheetPrefix(text, i, found);
            if (afterPrefix != std::string_view::npos) {
                found.prefixText = text.substr(i, afterPrefix - i);
                size_t end = afterPrefix;
                if (auto body = readBody(text, end)) {
                    found.body = body;
                } else if (end < text.size() && text[end] == '#') {
                    end = skipErrorLiteral(text, end);  // Sheet1!#REF!
                } else {
                    end = skipWord(text, end);  // a sheet-level name
                }
                emit(i, end, found);
                i = end;
                continue;
            }
            if (c == '[') {
                size_t end = skipBrackets(text, i);
                out.append(text.substr(i, end - i));
                i = end;
                continue;
            }
        }
        if (c == '$' || isLetter(c) || isDigit(c)) {
            size_t end = i;
            if (auto body = readBody(text, end)) {
                Found found;
                found.body = body;
                emit(i, end, found);
                i = end;
                continue;
            }
            end = isDigit(c) ? skipNumber(text, i) : skipWord(text, i + 1);
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (isWordChar(c)) {
            size_t end = skipWord(text, i);
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

bool sameSheetName(std::string_view a, std::string_view b) {
    return com::upperCase(a) == com::upperCase(b);
}

bool pointsAt(const Found& found, const Context& context) {
    if (found.external || found.threeD) return false;
    if (found.sheet) return sameSheetName(*found.sheet, context.editedSheet);
    return !context.hostSheet.empty() && sameSheetName(context.hostSheet, context.editedSheet);
}

std::optional<std::pair<int32_t, int32_t>> shiftSpan(int32_t low, int32_t high, const Deletion& d) {
    const int32_t first = d.first, last = d.last();
    if (high < first) return std::pair{low, high};
    if (low > last) return std::pair{low - d.count, high - d.count};
    if (low >= first && high <= last) return std::nullopt;
    int32_t newLow = low < first ? low : first;
    int32_t newHigh = high > last ? high - d.count : first - 1;
    return std::pair{newLow, newHigh};
}

bool looksLikeReference(std::string_view name) {
    size_t pos = 0;
    if (readBody(name, pos) && pos == name.size()) return true;
    // R1C1-style names (R, C, R1, C1, R1C1) are references in the other notation.
    size_t i = 0;
    auto part = [&](char letter) {
        if (i < name.size() && (name[i] == letter || name[i] == letter + 32)) {
            ++i;
            while (i < name.size() && isDigit(name[i])) ++i;
            return true;
        }
        return false;
    };
    bool any = part('R');
    any = part('C') || any;
    return any && i == name.size();
}

}  // namespace

std::optional<Area> shiftArea(const Area& area, const Deletion& deletion) {
    Area out = area;
    if (deletion.axis == Axis::Rows) {
        if (area.isWholeColumns()) return area;
        if (area.firstColumn < deletion.spanFirst || area.lastColumn > deletion.spanLast) return area;
        auto span = shiftSpan(area.firstRow, area.lastRow, deletion);
        if (!span) return std::nullopt;
        out.firstRow = span->first;
        out.lastRow = span->second;
    } else {
        if (area.isWholeRows()) return area;
        if (area.firstRow < deletion.spanFirst || area.lastRow > deletion.spanLast) return area;
        auto span = shiftSpan(area.firstColumn, area.lastColumn, deletion);
        if (!span) return std::nullopt;
        out.firstColumn = span->first;
        out.lastColumn = span->second;
    }
    return out;
}

std::string shiftForDeletion(std::string_view formula, const Context& context, const Deletion& deletion) {
    return rewriteReferences(formula, [&](const Found& found) -> std::optional<std::string> {
        if (!found.body || !pointsAt(found, context)) return std::nullopt;
        auto moved = shiftArea(found.body->area(), deletion);
        if (!moved) return std::string(found.prefixText) + "#REF!";
        if (*moved == found.body->area()) return std::nullopt;
        return std::string(found.prefixText) + bodyText(*found.body, *moved);
    });
}

std::string shiftReference(std::string_view reference, const Deletion& deletion) {
    size_t pos = 0;
    auto body = readBody(reference, pos);
    if (!body || pos != reference.size()) return std::string(reference);
    auto moved = shiftArea(body->area(), deletion);
    if (!moved) return "";
    return bodyText(*body, *moved);
}

std::string shiftAreaList(std::string_view areas, const Deletion& deletion) {
    std::string out;
    size_t i = 0;
    while (i < areas.size()) {
        size_t end = areas.find(' ', i);
        if (end == std::string_view::npos) end = areas.size();
        if (end > i) {
            std::string moved = shiftReference(areas.substr(i, end - i), deletion);
            if (!moved.empty()) {
                if (!out.empty()) out += ' ';
                out += moved;
            }
        }
        i = end + 1;
    }
    return out;
}

std::string renameSheet(std::string_view formula, std::string_view oldName, std::string_view newName) {
    return rewriteReferences(formula, [&](const Found& found) -> std::optional<std::string> {
        if (!found.sheet || found.external || found.threeD || !sameSheetName(*found.sheet, oldName))
            return std::nullopt;
        return sheetPrefix(newName) + "!" + std::string(found.bodyText);
    });
}

std::string invalidateSheet(std::string_view formula, std::string_view sheetName) {
    return rewriteReferences(formula, [&](const Found& found) -> std::optional<std::string> {
        if (!found.sheet || found.external || found.threeD || !sameSheetName(*found.sheet, sheetName))
            return std::nullopt;
        return std::string("#REF!");
    });
}

bool splitSheetPrefix(std::string_view text, std::string& sheet, std::string& reference) {
    Found found;
    size_t after = readSheetPrefix(text, 0, found);
    if (after == std::string_view::npos || found.external || found.threeD || !found.sheet) return false;
    sheet = *found.sheet;
    reference.assign(text.substr(after));
    return true;
}

std::string sheetPrefix(std::string_view sheetName) {
    bool plain = !sheetName.empty() && (isLetter(sheetName[0]) || sheetName[0] == '_');
    for (char c : sheetName)
        if (!(isLetter(c) || isDigit(c) || c == '_' || c == '.')) plain = false;
    if (plain && !looksLikeReference(sheetName)) return std::string(sheetName);
    std::string out = "'";
    for (char c : sheetName) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

}  // namespace tavlora::host::formula
