#include "host/RangeFind.h"

#include <algorithm>
#include <utility>

#include "base/Ascii.h"
#include "base/Utf8.h"
#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "com/Error.h"
#include "host/CellText.h"
#include "host/FindMemo.h"
#include "host/Range.h"
#include "host/formula/TextPattern.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

// The text Find compares when looking in formulas: what was entered (the formula with "=").
std::string enteredText(const Worksheet& sheet, CellTextRenderer& renderer, const Cell& cell) {
    switch (cell.kind) {
        case CellKind::Formula: return "=" + sheet.store().formulas()[cell.payload.formulaId].text;
        case CellKind::Number: return com::formatGeneralNumber(cell.payload.number);
        case CellKind::Boolean: return cell.payload.boolean ? "TRUE" : "FALSE";
        default: return renderer.text(cell);
    }
}

// An ASCII character that every text `what` matches holds (in either case), or 0 when there is
// none: a cell whose text cannot hold it is passed over without rendering its text. A mark or
// digit is preferred to a letter, as it rules out more texts (and numbers, for a mark).
char requiredCharacter(std::string_view what) {
    std::u32string folded = base::decodeUtf8(com::foldCaseAndWidth(what));
    char best = 0;
    auto rank = [](char c) { return base::isAsciiLetter(c) ? 1 : base::isAsciiDigit(c) ? 2 : 3; };
    for (size_t i = 0; i < folded.size(); ++i) {
        char32_t c = folded[i];
        if (c == U'*' || c == U'?') continue;
        // As the pattern reads it: "~" before a wildcard or "~" makes that character a literal.
        if (c == U'~' && i + 1 < folded.size() && (folded[i + 1] == U'*' || folded[i + 1] == U'?' || folded[i + 1] == U'~'))
            c = folded[++i];
        if (c >= 0x80) continue;
        if (!best || rank(static_cast<char>(c)) > rank(best)) best = static_cast<char>(c);
    }
    return best;
}

struct Position {
    int32_t row;
    int32_t column;
};

// Walks the stored cells of `area` by rows from just after `start`, wrapping round so `start`
// itself comes last, and returns the first one `accept` takes.
template <typename Accept>
std::optional<Position> searchByRows(const CellStore& store, const Area& area, Position start, Accept accept) {
    const auto& rows = store.rows();
    auto firstRowAt = [&](int32_t row) {
        return std::lower_bound(rows.begin(), rows.end(), row, [](const RowInfo& r, int32_t n) { return r.row < n; });
    };
    // Cells of one row with column in [fromColumn, toColumn], in column order.
    auto scanRow = [&](const RowInfo& info, int32_t fromColumn, int32_t toColumn) -> std::optional<Position> {
        auto it = std::lower_bound(info.cells.begin(), info.cells.end(), fromColumn,
                                   [](const Cell& c, int32_t col) { return c.column < col; });
        for (; it != info.cells.end() && it->column <= toColumn; ++it)
            if (it->kind != CellKind::Empty && accept(info.row, *it)) return Position{info.row, it->column};
        return std::nullopt;
    };
    // First leg: the rest of the start row, then the rows below it.
    for (auto it = firstRowAt(start.row); it != rows.end() && it->row <= area.lastRow; ++it) {
        int32_t from = it->row == start.row ? start.column + 1 : area.firstColumn;
        if (from > area.lastColumn) continue;
        if (auto hit = scanRow(*it, from, area.lastColumn)) return hit;
    }
    // Second leg: from the area's top down to the start cell, inclusive.
    for (auto it = firstRowAt(area.firstRow); it != rows.end() && it->row <= start.row; ++it) {
        int32_t to = it->row == start.row ? start.column : area.lastColumn;
        if (auto hit = scanRow(*it, area.firstColumn, to)) return hit;
    }
    return std::nullopt;
}

void requireLookIn(int32_t lookIn) {
    if (lookIn != lookin::kValues && lookIn != lookin::kFormulas)
        com::throwHostError("Find: LookIn must be -4163 (values) or -4123 (formulas), not " + std::to_string(lookIn) + ".");
}

// What one Find compares each cell with. Making it notes the search as the sheet's last one (for
// FindNext) and computes the workbook first: computing an array formula may add cells to the store.
class CellMatcher {
public:
    CellMatcher(Worksheet& sheet, const std::string& what, int32_t lookIn)
        : sheet_(sheet), lookIn_(lookIn), pattern_(what), renderer_(sheet),
          required_(lookIn == lookin::kValues ? requiredCharacter(what) : 0) {
        auto& state = sheet.findState();
        state.what = what;
        state.lookIn = lookIn;
        state.valid = true;
        sheet.workbook()->calculate();
    }

    bool operator()(const Cell& cell) {
        if (lookIn_ == lookin::kFormulas) return pattern_.matches(enteredText(sheet_, renderer_, cell));
        if (required_ && !renderer_.mayShow(cell, required_)) return false;
        return pattern_.matches(renderer_.text(cell, scratch_));
    }

private:
    const Worksheet& sheet_;
    int32_t lookIn_;
    TextPattern pattern_;
    CellTextRenderer renderer_;
    char required_;
    std::string scratch_;
};

}  // namespace

std::optional<Range> Range::find(const std::string& what, int32_t lookIn, const std::optional<Range>& after) const {
    sheet_->requireUsable();
    requireLookIn(lookIn);
    Position start{area_.firstRow, area_.firstColumn};
    if (after) {
        if (after->worksheet() != sheet_ || !area_.contains(after->row(), after->column()))
            com::throwHostError("Find: the After cell " + after->address() + " is not inside the searched range " +
                                address() + ".");
        start = {after->row(), after->column()};
    }
    CellMatcher matches(*sheet_, what, lookIn);
    auto hit = searchByRows(std::as_const(*sheet_).store(), area_, start,
                            [&](int32_t, const Cell& cell) { return matches(cell); });
    if (!hit) return std::nullopt;
    return Range(sheet_, Area::cell(hit->row, hit->column));
}

namespace {

// The hits among the candidates a search of the same cells kept: the formula cells are compared
// again, the others were hits then and are now.
std::vector<Range> hitsAmong(const std::shared_ptr<Worksheet>& sheet, const FindMemo::Candidates& candidates,
                             CellMatcher& matches) {
    const CellStore& cells = std::as_const(*sheet).store();
    std::vector<Range> hits;
    hits.reserve(candidates.size());
    for (const FindMemo::Candidate& candidate : candidates) {
        if (candidate.formula) {
            const Cell* cell = cells.find(candidate.row, candidate.column);
            if (!cell || !matches(*cell)) continue;
        }
        hits.push_back(Range(sheet, Area::cell(candidate.row, candidate.column)));
    }
    return hits;
}

}  // namespace

std::vector<Range> findEach(const Range& range, const std::string& what, int32_t lookIn) {
    const std::shared_ptr<Worksheet>& sheet = range.worksheet();
    sheet->requireUsable();
    requireLookIn(lookIn);
    CellMatcher matches(*sheet, what, lookIn);
    const Area& area = range.area();
    const CellStore& cells = std::as_const(*sheet).store();
    // Values only: what a search of formulas compares is the formulas' text, which a renamed sheet
    // rewrites without touching the cells.
    FindMemo* memo = lookIn == lookin::kValues && !cells.changedSinceMark() ? sheet->findMemo().get() : nullptr;
    if (memo)
        if (auto kept = memo->find(what, area)) return hitsAmong(sheet, *kept, matches);
    std::vector<Range> hits;
    FindMemo::Candidates candidates;
    // Each hit is collected and the walk goes on: the order is that of Find and FindNext.
    searchByRows(cells, area, Position{area.firstRow, area.firstColumn}, [&](int32_t row, const Cell& cell) {
        const bool hit = matches(cell);
        if (hit) hits.push_back(Range(sheet, Area::cell(row, cell.column)));
        const bool formula = cell.kind == CellKind::Formula;
        if (memo && (hit || formula)) candidates.push_back({row, cell.column, formula});
        return false;
    });
    // Rendering computes formulas, and an array formula's result may have written cells.
    if (memo && !cells.changedSinceMark()) memo->keep(what, area, std::move(candidates));
    return hits;
}

std::optional<Range> Range::findNext(const Range& after) const {
    sheet_->requireUsable();
    const auto& state = sheet_->findState();
    if (!state.valid) return std::nullopt;
    return find(state.what, state.lookIn, after);
}

}  // namespace tavlora::host
