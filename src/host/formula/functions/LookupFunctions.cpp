#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "host/cells/CellRef.h"
#include "host/cells/SheetPrefix.h"
#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/LookupGrid.h"
#include "host/formula/functions/LookupSearch.h"
#include "host/formula/functions/OptionalArguments.h"

namespace tavlora::host::formula {

namespace {

using Args = std::span<const Value>;
using arguments::errorOf;

// A lookup's result cell read as a value: an empty cell gives 0, as the application shows it.
Value cellResult(Value v) { return v.isBlank() ? Value::number(0) : v; }

// The grid of a by-reference argument: an error argument is returned as it is; several areas, or
// something that is no range, is `otherwise`.
std::optional<LookupGrid> readGrid(CalcContext& context, const Value& argument, Value& failure,
                                   ErrorValue otherwise = ErrorValue::Value) {
    if (argument.isError()) {
        failure = argument;
        return std::nullopt;
    }
    std::optional<LookupGrid> grid = LookupGrid::of(context, argument);
    if (!grid) failure = Value::error(otherwise);
    return grid;
}

// VLOOKUP and HLOOKUP: `byColumn` searches the first column and picks from a column.
Value tableLookup(CalcContext& context, Args args, bool byColumn) {
    const Value& key = args[0];
    if (key.isError()) return key;
    Value failure;
    std::optional<LookupGrid> table = readGrid(context, args[1], failure, ErrorValue::Ref);
    if (!table) return failure;
    NumberResult index = arguments::integer(args, 2, context.uses1904Dates());
    if (!index.ok()) return errorOf(index);
    BooleanResult approximate = arguments::flag(args, 3, true);
    if (!approximate.ok()) return errorOf(approximate);
    if (index.number < 1) return Value::error(ErrorValue::Value);
    auto pick = int64_t(index.number) - 1;
    if (pick >= (byColumn ? table->columns() : table->rows())) return Value::error(ErrorValue::Ref);
    LookupGrid keys = byColumn ? table->column(0) : table->row(0);
    std::optional<int64_t> found =
        approximate.boolean ? findInLine(keys, key, MatchMode::ExactOrSmaller, SearchMode::BinaryAscending)
                            : findInLine(keys, key, MatchMode::Wildcard, SearchMode::FirstToLast);
    if (!found) return Value::error(ErrorValue::NA);
    return cellResult(byColumn ? table->at(*found, pick) : table->at(pick, *found));
}

Value vlookup(CalcContext& context, Args args) { return tableLookup(context, args, true); }
Value hlookup(CalcContext& context, Args args) { return tableLookup(context, args, false); }

// LOOKUP's array form searches the first row of a wide grid, else the first column, and returns
// from the last one; the vector form returns the same place of the result vector.
Value lookup(CalcContext& context, Args args) {
    const Value& key = args[0];
    if (key.isError()) return key;
    Value failure;
    std::optional<LookupGrid> searched = readGrid(context, args[1], failure);
    if (!searched) return failure;
    bool wide = searched->columns() > searched->rows();
    LookupGrid keys = wide ? searched->row(0) : searched->column(0);
    std::optional<LookupGrid> results;
    if (arguments::isAbsent(args, 2)) {
        results = wide ? searched->row(searched->rows() - 1) : searched->column(searched->columns() - 1);
    } else {
        results = readGrid(context, args[2], failure);
        if (!results) return failure;
        if (!results->isLine()) return Value::error(ErrorValue::NA);
    }
    std::optional<int64_t> found = findInLine(keys, key, MatchMode::ExactOrSmaller, SearchMode::BinaryAscending);
    if (!found) return Value::error(ErrorValue::NA);
    if (*found >= results->length()) return Value::error(ErrorValue::NA);
    bool resultsRun = results->rows() == 1 && results->columns() == 1 ? !wide : results->columns() == 1;
    return cellResult(resultsRun ? results->at(*found, 0) : results->at(0, *found));
}

std::optional<MatchMode> matchModeOf(double mode) {
    if (mode == 0) return MatchMode::Exact;
    if (mode == -1) return MatchMode::ExactOrSmaller;
    if (mode == 1) return MatchMode::ExactOrLarger;
    if (mode == 2) return MatchMode::Wildcard;
    return std::nullopt;
}

std::optional<SearchMode> searchModeOf(double mode) {
    if (mode == 1) return SearchMode::FirstToLast;
    if (mode == -1) return SearchMode::LastToFirst;
    if (mode == 2) return SearchMode::BinaryAscending;
    if (mode == -2) return SearchMode::BinaryDescending;
    return std::nullopt;
}

// XMATCH and XLOOKUP: the key, the line searched and the two modes, read and checked.
struct XSearch {
    std::optional<LookupGrid> line;
    MatchMode match = MatchMode::Exact;
    SearchMode search = SearchMode::FirstToLast;
};

std::optional<Value> readXSearch(CalcContext& context, Args args, size_t modes, XSearch& out) {
    if (args[0].isError()) return args[0];
    Value failure;
    out.line = readGrid(context, args[1], failure);
    if (!out.line) return failure;
    NumberResult match = arguments::integer(args, modes, context.uses1904Dates(), 0);
    if (!match.ok()) return errorOf(match);
    NumberResult search = arguments::integer(args, modes + 1, context.uses1904Dates(), 1);
    if (!search.ok()) return errorOf(search);
    if (args.size() > modes + 1 && args[modes + 1].isMissing()) search.number = 1;
    std::optional<MatchMode> matchMode = matchModeOf(match.number);
    std::optional<SearchMode> searchMode = searchModeOf(search.number);
    if (!matchMode || !searchMode) return Value::error(ErrorValue::Value);
    if (!out.line->isLine()) return Value::error(ErrorValue::Value);
    out.match = *matchMode;
    out.search = *searchMode;
    return std::nullopt;
}

Value xmatch(CalcContext& context, Args args) {
    XSearch x;
    if (auto failure = readXSearch(context, args, 2, x)) return *failure;
    std::optional<int64_t> found = findInLine(*x.line, args[0], x.match, x.search);
    if (!found) return Value::error(ErrorValue::NA);
    return Value::number(double(*found + 1));
}

// The row (column) of the return grid that matches: a reference where the grid is one.
Value xlookup(CalcContext& context, Args args) {
    XSearch x;
    if (auto failure = readXSearch(context, args, 4, x)) return *failure;
    Value failure;
    std::optional<LookupGrid> results = readGrid(context, args[2], failure);
    if (!results) return failure;
    bool vertical = x.line->columns() == 1 && !(x.line->rows() == 1 && results->rows() != 1);
    if ((vertical ? results->rows() : results->columns()) != x.line->length()) return Value::error(ErrorValue::Value);
    std::optional<int64_t> found = findInLine(*x.line, args[0], x.match, x.search);
    if (!found) return arguments::isOmitted(args, 3) ? Value::error(ErrorValue::NA) : args[3];
    if (vertical) return results->part(*found, 0, 1, results->columns());
    return results->part(0, *found, results->rows(), 1);
}

Value match(CalcContext& context, Args args) {
    const Value& key = args[0];
    if (key.isError()) return key;
    Value failure;
    std::optional<LookupGrid> line = readGrid(context, args[1], failure, ErrorValue::NA);
    if (!line) return failure;
    NumberResult type = arguments::number(args, 2, context.uses1904Dates(), 1);
    if (!type.ok()) return errorOf(type);
    if (!line->isLine()) return Value::error(ErrorValue::NA);
    std::optional<int64_t> found;
    if (type.number > 0) found = findInLine(*line, key, MatchMode::ExactOrSmaller, SearchMode::BinaryAscending);
    else if (type.number < 0) found = findInLine(*line, key, MatchMode::ExactOrLarger, SearchMode::BinaryDescending);
    else found = findInLine(*line, key, MatchMode::Wildcard, SearchMode::FirstToLast);
    if (!found) return Value::error(ErrorValue::NA);
    return Value::number(double(*found + 1));
}

// INDEX: a row and column of 0 take all of them; in a single row a lone index picks a column.
Value index(CalcContext& context, Args args) {
    const Value& source = args[0];
    if (source.isError()) return source;
    bool date1904 = context.uses1904Dates();
    NumberResult row = arguments::integer(args, 1, date1904);
    if (!row.ok()) return errorOf(row);
    NumberResult column = arguments::integer(args, 2, date1904);
    if (!column.ok()) return errorOf(column);
    NumberResult areaNumber = arguments::integer(args, 3, date1904, 1);
    if (!areaNumber.ok()) return errorOf(areaNumber);
    Value chosen = source;
    if (source.isReference()) {
        const auto& areas = source.asReferences();
        if (areaNumber.number < 1) return Value::error(ErrorValue::Value);
        if (areaNumber.number > double(areas.size())) return Value::error(ErrorValue::Ref);
        chosen = Value::reference(areas[size_t(areaNumber.number) - 1]);
    }
    std::optional<LookupGrid> grid = LookupGrid::of(context, chosen);
    if (!grid) return Value::error(ErrorValue::Ref);
    int64_t r = int64_t(row.number), c = int64_t(column.number);
    if (r < 0 || c < 0) return Value::error(ErrorValue::Value);
    if (grid->rows() == 1 && arguments::isOmitted(args, 2) && grid->columns() > 1) std::swap(r, c);
    if (r > grid->rows() || c > grid->columns()) return Value::error(ErrorValue::Ref);
    int64_t firstRow = r == 0 ? 0 : r - 1, rows = r == 0 ? grid->rows() : 1;
    int64_t firstColumn = c == 0 ? 0 : c - 1, columns = c == 0 ? grid->columns() : 1;
    return grid->part(firstRow, firstColumn, rows, columns);
}

// OFFSET: the reference moved and resized; an empty or absent size keeps the reference's.
Value offset(CalcContext& context, Args args) {
    const Value& base = args[0];
    if (base.isError()) return base;
    if (!base.isReference()) return Value::error(ErrorValue::Value);
    if (base.asReferences().size() != 1) return Value::error(ErrorValue::Value);
    const SheetArea& from = base.asReferences().front();
    bool date1904 = context.uses1904Dates();
    std::array<double, 4> n{0, 0, double(from.area.rowCount()), double(from.area.columnCount())};
    for (size_t i = 0; i < 4; ++i) {
        if (arguments::isOmitted(args, i + 1)) continue;
        NumberResult r = arguments::integer(args, i + 1, date1904);
        if (!r.ok()) return errorOf(r);
        n[i] = r.number;
    }
    if (n[2] < 1 || n[3] < 1) return Value::error(ErrorValue::Ref);
    double firstRow = from.area.firstRow + n[0], firstColumn = from.area.firstColumn + n[1];
    double lastRow = firstRow + n[2] - 1, lastColumn = firstColumn + n[3] - 1;
    if (firstRow < 1 || firstColumn < 1 || lastRow > kMaxRows || lastColumn > kMaxColumns)
        return Value::error(ErrorValue::Ref);
    return Value::reference(SheetArea{from.sheet, Area{int32_t(firstRow), int32_t(firstColumn), int32_t(lastRow),
                                                       int32_t(lastColumn)}});
}

Value indirect(CalcContext& context, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    BooleanResult a1 = arguments::flag(args, 1, true);
    if (!a1.ok()) return errorOf(a1);
    std::optional<SheetArea> area = context.resolveReference(text.text, a1.boolean);
    if (!area) return Value::error(ErrorValue::Ref);
    return Value::reference(*area);
}

// ROW and COLUMN: the number of a single row (column), a column (row) of them for several.
Value positions(int64_t first, int64_t count, bool down) {
    if (count == 1) return Value::number(double(first));
    ValueArray out{down ? int32_t(count) : 1, down ? 1 : int32_t(count), {}};
    for (int64_t i = 0; i < count; ++i) out.values.push_back(Value::number(double(first + i)));
    return Value::array(std::move(out));
}

std::optional<Value> readArea(CalcContext& context, Args args, Area& out) {
    if (arguments::isOmitted(args, 0)) {
        out = context.caller().area;
        return std::nullopt;
    }
    const Value& v = args[0];
    if (v.isError()) return v;
    if (!v.isReference()) return Value::error(ErrorValue::Value);
    out = v.asReferences().front().area;
    return std::nullopt;
}

Value row(CalcContext& context, Args args) {
    Area area;
    if (auto failure = readArea(context, args, area)) return *failure;
    return positions(area.firstRow, area.rowCount(), true);
}

Value column(CalcContext& context, Args args) {
    Area area;
    if (auto failure = readArea(context, args, area)) return *failure;
    return positions(area.firstColumn, area.columnCount(), false);
}

Value extent(const Value& v, bool rows) {
    if (v.isError()) return v;
    if (v.isReference()) {
        if (v.asReferences().size() != 1) return Value::error(ErrorValue::Ref);
        const Area& area = v.asReferences().front().area;
        return Value::number(double(rows ? area.rowCount() : area.columnCount()));
    }
    if (v.isArray()) return Value::number(double(rows ? v.asArray().rows : v.asArray().columns));
    return Value::number(1);
}

Value rows(CalcContext&, Args args) { return extent(args[0], true); }
Value columns(CalcContext&, Args args) { return extent(args[0], false); }

std::string r1c1Part(char letter, int64_t n, bool absolute) {
    return std::string(1, letter) + (absolute ? std::to_string(n) : "[" + std::to_string(n) + "]");
}

// ADDRESS: abs_num 1 to 4 ($A$1, A$1, $A1, A1); an absent or empty one is 1.
Value address(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    NumberResult row = arguments::integer(args, 0, date1904);
    if (!row.ok()) return errorOf(row);
    NumberResult col = arguments::integer(args, 1, date1904);
    if (!col.ok()) return errorOf(col);
    NumberResult kind{1, std::nullopt};
    if (!arguments::isOmitted(args, 2)) kind = arguments::integer(args, 2, date1904);
    if (!kind.ok()) return errorOf(kind);
    BooleanResult a1{true, std::nullopt};
    if (!arguments::isOmitted(args, 3)) a1 = arguments::flag(args, 3, true);
    if (!a1.ok()) return errorOf(a1);
    std::string sheet;
    if (!arguments::isOmitted(args, 4)) {
        TextResult t = arguments::text(args, 4);
        if (!t.ok()) return errorOf(t);
        sheet = t.text.empty() ? "!" : sheetPrefix(t.text) + "!";
    }
    if (kind.number < 1 || kind.number > 4) return Value::error(ErrorValue::Value);
    if (row.number < 1 || row.number > kMaxRows || col.number < 1 || col.number > kMaxColumns)
        return Value::error(ErrorValue::Value);
    auto k = int(kind.number);
    bool absoluteRow = k == 1 || k == 2, absoluteColumn = k == 1 || k == 3;
    auto r = int64_t(row.number), c = int64_t(col.number);
    if (!a1.boolean) return Value::text(sheet + r1c1Part('R', r, absoluteRow) + r1c1Part('C', c, absoluteColumn));
    return Value::text(sheet + (absoluteColumn ? "$" : "") + columnLetters(int32_t(c)) + (absoluteRow ? "$" : "") +
                       std::to_string(r));
}

constexpr uint32_t kFirst = 1u, kSecond = 2u, kThird = 4u;

constexpr std::array kLookupFunctions{
    FunctionDefinition{"VLOOKUP", 3, 4, kSecond, vlookup},
    FunctionDefinition{"HLOOKUP", 3, 4, kSecond, hlookup},
    FunctionDefinition{"LOOKUP", 2, 3, kSecond | kThird, lookup},
    FunctionDefinition{"XLOOKUP", 3, 6, kSecond | kThird, xlookup},
    FunctionDefinition{"INDEX", 2, 4, kFirst, index},
    FunctionDefinition{"MATCH", 2, 3, kSecond, match},
    FunctionDefinition{"XMATCH", 2, 4, kSecond, xmatch},
    FunctionDefinition{"OFFSET", 3, 5, kFirst, offset, true},
    FunctionDefinition{"INDIRECT", 1, 2, 0, indirect, true},
    FunctionDefinition{"ROW", 0, 1, kFirst, row},
    FunctionDefinition{"ROWS", 1, 1, kFirst, rows},
    FunctionDefinition{"COLUMN", 0, 1, kFirst, column},
    FunctionDefinition{"COLUMNS", 1, 1, kFirst, columns},
    FunctionDefinition{"ADDRESS", 2, 5, 0, address},
};

}  // namespace

std::span<const FunctionDefinition> lookupFunctions() { return kLookupFunctions; }

}  // namespace tavlora::host::formula
