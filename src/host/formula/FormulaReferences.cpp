#include "host/formula/FormulaReferences.h"

#include "com/Conversions.h"
#include "host/cells/SheetPrefix.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

bool sameSheetName(std::string_view a, std::string_view b) {
    return com::upperCase(a) == com::upperCase(b);
}

// The sheet a token's prefix names, when it names one sheet of this workbook.
std::optional<std::string> namedSheet(const Token& token) {
    if (!token.prefix || token.prefix->external || token.prefix->threeD) return std::nullopt;
    return token.prefix->name();
}

// The two ends of a run of sheets (Sheet1:Sheet3!) of this workbook, unquoted.
struct SheetRun {
    std::string first;
    std::string last;
};

std::optional<SheetRun> namedRun(const Token& token) {
    if (!token.prefix || token.prefix->external || !token.prefix->threeD) return std::nullopt;
    const std::string names = token.prefix->name();
    const size_t colon = names.find(':');  // sheet names never hold one
    if (colon == std::string::npos) return std::nullopt;
    return SheetRun{names.substr(0, colon), names.substr(colon + 1)};
}

// The prefix of a run, or of one sheet when the run has shrunk to it.
std::string runPrefix(const SheetRun& run) {
    if (sameSheetName(run.first, run.last)) return sheetPrefix(run.first) + "!";
    return sheetRunPrefix(run.first, run.last) + "!";
}

bool pointsAt(const Token& token, const Context& context) {
    if (token.prefix) {
        auto sheet = namedSheet(token);
        return sheet && sameSheetName(*sheet, context.editedSheet);
    }
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
    return rewriteTokens(formula, [&](const Token& token) -> std::optional<std::string> {
        if (token.kind != TokenKind::Reference || !pointsAt(token, context)) return std::nullopt;
        Area area = token.reference.area();
        auto moved = shiftArea(area, deletion);
        std::string out(token.prefix ? token.prefix->text : std::string_view());
        if (!moved) return out + "#REF!";
        if (*moved == area) return std::nullopt;
        appendA1Reference(out, token.reference.movedTo(*moved));
        return out;
    });
}

std::string shiftReference(std::string_view reference, const Deletion& deletion) {
    FormulaLexer lexer(reference);
    Token token;
    if (!lexer.next(token) || token.kind != TokenKind::Reference || token.prefix || token.text.size() != reference.size())
        return std::string(reference);
    auto moved = shiftArea(token.reference.area(), deletion);
    if (!moved) return "";
    std::string out;
    appendA1Reference(out, token.reference.movedTo(*moved));
    return out;
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
    return rewriteTokens(formula, [&](const Token& token) -> std::optional<std::string> {
        if (auto run = namedRun(token)) {
            const bool first = sameSheetName(run->first, oldName), last = sameSheetName(run->last, oldName);
            if (!first && !last) return std::nullopt;
            if (first) run->first = newName;
            if (last) run->last = newName;
            return sheetRunPrefix(run->first, run->last) + "!" + std::string(token.body());
        }
        auto sheet = namedSheet(token);
        if (!sheet || !sameSheetName(*sheet, oldName)) return std::nullopt;
        return sheetPrefix(newName) + "!" + std::string(token.body());
    });
}

std::string invalidateSheet(std::string_view formula, const SheetRemoval& removal) {
    return rewriteTokens(formula, [&](const Token& token) -> std::optional<std::string> {
        if (auto run = namedRun(token)) {
            const bool first = sameSheetName(run->first, removal.name), last = sameSheetName(run->last, removal.name);
            if (!first && !last) return std::nullopt;
            if (first && last) return std::string("#REF!");
            if (first) run->first = removal.after;
            if (last) run->last = removal.before;
            if (run->first.empty() || run->last.empty()) return std::string("#REF!");
            return runPrefix(*run) + std::string(token.body());
        }
        auto sheet = namedSheet(token);
        if (!sheet || !sameSheetName(*sheet, removal.name)) return std::nullopt;
        return std::string("#REF!");
    });
}

}  // namespace tavlora::host::formula
