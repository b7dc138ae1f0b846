#include "host/formula/StructuredReference.h"

#include <algorithm>
#include <optional>

#include "base/Ascii.h"
#include "com/UnicodeText.h"

namespace tavlora::host::formula {

namespace {

enum Item : unsigned { kAll = 1, kData = 2, kHeaders = 4, kTotals = 8, kThisRow = 16 };

// What the brackets ask for: row parts, and no column (the whole width), one, or a first and last.
struct Selection {
    unsigned items = 0;
    std::vector<std::string> columns;
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && base::isAsciiBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && base::isAsciiBlank(text.back())) text.remove_suffix(1);
    return text;
}

// "'" makes the character after it ordinary: "Price '[EUR']" is the column "Price [EUR]".
std::string unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

// The end of the bracket opened at `at` (one past its "]"); npos when it is not closed.
size_t closingBracket(std::string_view text, size_t at) {
    int depth = 0;
    for (size_t i = at; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (text[i] == '[') ++depth;
        else if (text[i] == ']' && --depth == 0) return i + 1;
    }
    return std::string_view::npos;
}

std::optional<unsigned> keyword(std::string_view text) {
    static constexpr std::pair<std::string_view, unsigned> kKeywords[] = {
        {"#All", kAll}, {"#Data", kData}, {"#Headers", kHeaders}, {"#Totals", kTotals}, {"#This Row", kThisRow}};
    for (const auto& [name, item] : kKeywords)
        if (base::equalsIgnoringAsciiCase(text, name)) return item;
    return std::nullopt;
}

// The parts of a list, split at the commas outside inner brackets.
std::vector<std::string_view> listParts(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (text[i] == '[') ++depth;
        else if (text[i] == ']') --depth;
        else if (text[i] == ',' && depth == 0) {
            parts.push_back(trimmed(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(trimmed(text.substr(start)));
    return parts;
}

// "[A]", "[A]:[B]", or a bare "A" (a keyword when it starts with "#"); false when it is none.
bool readPart(std::string_view part, Selection& out) {
    if (part.empty()) return false;
    if (part.front() != '[') {
        if (auto item = keyword(part)) out.items |= *item;
        else out.columns.push_back(unescaped(part));
        return true;
    }
    size_t end = closingBracket(part, 0);
    if (end == std::string_view::npos) return false;
    std::string_view first = part.substr(1, end - 2);
    std::string_view rest = trimmed(part.substr(end));
    if (rest.empty()) {
        if (auto item = keyword(first)) out.items |= *item;
        else out.columns.push_back(unescaped(first));
        return true;
    }
    if (rest.front() != ':') return false;
    rest = trimmed(rest.substr(1));
    size_t secondEnd = rest.empty() || rest.front() != '[' ? std::string_view::npos : closingBracket(rest, 0);
    if (secondEnd != rest.size()) return false;
    out.columns.push_back(unescaped(first));
    out.columns.push_back(unescaped(rest.substr(1, secondEnd - 2)));
    return true;
}

std::optional<Selection> parseSelection(std::string_view brackets) {
    Selection selection;
    brackets = trimmed(brackets);
    if (brackets.empty()) return selection;
    if (brackets.front() != '[' || closingBracket(brackets, 0) != brackets.size()) return std::nullopt;
    std::string_view inner = trimmed(brackets.substr(1, brackets.size() - 2));
    if (inner.empty()) return selection;
    for (std::string_view part : listParts(inner)) {
        if (part.front() == '@') {
            selection.items |= kThisRow;
            part = trimmed(part.substr(1));
            if (part.empty()) continue;
        }
        if (!readPart(part, selection)) return std::nullopt;
    }
    if (selection.columns.size() > 2) return std::nullopt;
    return selection;
}

std::optional<int32_t> columnOf(const TableDefinition& table, std::string_view name) {
    const int32_t width = static_cast<int32_t>(std::min<int64_t>(table.area.columnCount(), int64_t(table.columns.size())));
    for (int32_t i = 0; i < width; ++i)
        if (com::equalsIgnoreCase(table.columns[size_t(i)], name)) return table.area.firstColumn + i;
    return std::nullopt;
}

struct RowSpan {
    int32_t first;
    int32_t last;
};

std::variant<RowSpan, ErrorValue> rowsOf(const TableDefinition& table, unsigned items, int32_t callerRow) {
    const int32_t dataFirst = table.area.firstRow + table.headerRows;
    const int32_t dataLast = table.area.lastRow - table.totalsRows;
    if (dataFirst > dataLast) return ErrorValue::Ref;
    if (items & kThisRow) {
        if (items != kThisRow) return ErrorValue::Ref;
        if (callerRow < dataFirst || callerRow > dataLast) return ErrorValue::Value;
        return RowSpan{callerRow, callerRow};
    }
    if (items == 0 || items == kData) return RowSpan{dataFirst, dataLast};
    if (items & kAll) return RowSpan{table.area.firstRow, table.area.lastRow};
    if (items == kHeaders) {
        if (table.headerRows == 0) return ErrorValue::Ref;
        return RowSpan{table.area.firstRow, table.area.firstRow};
    }
    if (items == kTotals) {
        if (table.totalsRows == 0) return ErrorValue::Ref;
        return RowSpan{table.area.lastRow, table.area.lastRow};
    }
    if (items == (kHeaders | kData)) return RowSpan{table.area.firstRow, dataLast};
    if (items == (kData | kTotals)) return RowSpan{dataFirst, table.area.lastRow};
    return ErrorValue::Ref;  // headers and totals without the data between them
}

}  // namespace

const TableDefinition* findTable(std::span<const TableDefinition> tables, std::string_view name) {
    for (const TableDefinition& table : tables)
        if (com::equalsIgnoreCase(table.name, name)) return &table;
    return nullptr;
}

const TableDefinition* tableAt(std::span<const TableDefinition> tables, int32_t sheet, int32_t row, int32_t column) {
    for (const TableDefinition& table : tables)
        if (table.sheet == sheet && table.area.contains(row, column)) return &table;
    return nullptr;
}

std::variant<Area, ErrorValue> resolveStructuredReference(const TableDefinition& table, std::string_view brackets,
                                                          int32_t callerRow) {
    auto selection = parseSelection(brackets);
    if (!selection) return ErrorValue::Ref;
    auto rows = rowsOf(table, selection->items, callerRow);
    if (auto* error = std::get_if<ErrorValue>(&rows)) return *error;
    const RowSpan span = std::get<RowSpan>(rows);
    Area area{span.first, table.area.firstColumn, span.last, table.area.lastColumn};
    if (!selection->columns.empty()) {
        auto first = columnOf(table, selection->columns.front());
        auto last = columnOf(table, selection->columns.back());
        if (!first || !last) return ErrorValue::Ref;
        area.firstColumn = std::min(*first, *last);
        area.lastColumn = std::max(*first, *last);
    }
    return area;
}

}  // namespace tavlora::host::formula
