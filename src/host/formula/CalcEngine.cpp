#include "host/formula/CalcEngine.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <type_traits>
#include <utility>

#include "base/Ascii.h"
#include "host/cells/DateSerial.h"
#include "host/cells/SheetPrefix.h"
#include "host/formula/ArithmeticProgram.h"
#include "host/formula/FormulaEvaluator.h"
#include "host/formula/FormulaShape.h"
#include "host/formula/NearbyCells.h"

namespace tavlora::host::formula {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = base::asciiUpper(c);
    return out;
}

Value cachedValueOf(const Formula& f) {
    switch (f.cachedKind) {
        case CellKind::Number: return Value::number(f.cachedNumber);
        case CellKind::String: return Value::text(f.cachedText());
        case CellKind::Boolean: return Value::boolean(f.cachedNumber != 0);
        case CellKind::Error: return Value::error(errorFromText(f.cachedText()).value_or(ErrorValue::Value));
        default: return Value();
    }
}

RowList::const_iterator firstRowAtOrAfter(const RowList& rows, int32_t row) {
    return std::lower_bound(rows.begin(), rows.end(), row, [](const RowInfo& r, int32_t n) { return r.row < n; });
}

const Cell* firstCellAtOrAfter(const RowCells& cells, int32_t column) {
    return std::lower_bound(cells.begin(), cells.end(), column,
                            [](const Cell& c, int32_t n) { return int32_t(c.column) < n; });
}

// "R[-1]C2", "RC", "R3C4:R5C6" relative to (row, column); nullopt when not R1C1.
std::optional<A1Corner> r1c1Corner(std::string_view text, size_t& i, int32_t row, int32_t column) {
    auto part = [&](char letter, int32_t base, int32_t& out) {
        if (i >= text.size() || base::asciiUpper(text[i]) != letter) return false;
        ++i;
        bool relative = i < text.size() && text[i] == '[';
        if (relative) ++i;
        size_t start = i;
        if (relative && i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        std::string digits(text.substr(start, i - start));
        if (relative) {
            if (i >= text.size() || text[i] != ']' || digits.empty()) return false;
            ++i;
            out = base + std::stoi(digits);
        } else {
            out = digits.empty() ? base : std::stoi(digits);
        }
        return true;
    };
    A1Corner corner;
    if (!part('R', row, corner.row) || !part('C', column, corner.column)) return std::nullopt;
    if (corner.row < 1 || corner.row > kMaxRows || corner.column < 1 || corner.column > kMaxColumns) return std::nullopt;
    return corner;
}

std::optional<Area> parseR1C1(std::string_view text, int32_t row, int32_t column) {
    size_t i = 0;
    auto first = r1c1Corner(text, i, row, column);
    if (!first) return std::nullopt;
    A1Corner second = *first;
    if (i < text.size() && text[i] == ':') {
        ++i;
        auto other = r1c1Corner(text, i, row, column);
        if (!other) return std::nullopt;
        second = *other;
    }
    if (i != text.size()) return std::nullopt;
    return Area{std::min(first->row, second.row), std::min(first->column, second.column),
                std::max(first->row, second.row), std::max(first->column, second.column)};
}

void storeNumber(Formula& f, double number) {
    f.cachedKind = CellKind::Number;
    f.cachedNumber = number;
    f.clearCachedText();
}

void storeValue(Formula& f, const Value& result) {
    switch (result.kind()) {
        case Value::Kind::Number:
            storeNumber(f, result.asNumber());
            break;
        case Value::Kind::Text:
            f.cachedKind = CellKind::String;
            f.setCachedText(result.asText());
            break;
        case Value::Kind::Boolean:
            f.cachedKind = CellKind::Boolean;
            f.cachedNumber = result.asBoolean() ? 1 : 0;
            break;
        case Value::Kind::Error:
            f.cachedKind = CellKind::Error;
            f.setCachedText(errorText(result.asError()));
            break;
        default:
            f.cachedKind = CellKind::Number;
            f.cachedNumber = 0;
            break;
    }
}

bool isSubtotalText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '=')) text.remove_prefix(1);
    if (base::startsWithIgnoringAsciiCase(text, "_xlfn.")) text.remove_prefix(6);
    return base::startsWithIgnoringAsciiCase(text, "SUBTOTAL(") || base::startsWithIgnoringAsciiCase(text, "AGGREGATE(");
}

}  // namespace

CalcEngine::CalcEngine(FunctionLookup lookup) : lookup_(std::move(lookup)) {
    if (!lookup_) lookup_ = [](std::string_view name) { return findFunction(name); };
}

CalcEngine::~CalcEngine() = default;

void CalcEngine::setWorkbook(WorkbookView view) {
    view_ = std::move(view);
    built_ = false;
    walk_.reset();
    nodes_.clear();
    nodeOfFormula_.clear();
    listeners_.clear();
    arrayNodes_.clear();
    volatileNodes_.clear();
    shapes_.clear();
    looseShape_ = Shape{};
    loosePrograms_.clear();
    arrayAreas_.clear();
    problems_.clear();
    columnMemos_.clear();
    recentMemos_.fill(RecentMemo{});
    sheetByName_.clear();
    for (size_t i = 0; i < view_.sheets.size(); ++i)
        if (view_.sheets[i].cells) sheetByName_.emplace(upper(view_.sheets[i].name), int32_t(i));
    prepareScope();
}

// What every formula is compiled against; compileNode sets the sheet and the kind per formula.
void CalcEngine::prepareScope() {
    scope_.sheetIndex = [this](std::string_view name) -> std::optional<int32_t> {
        auto it = sheetByName_.find(upper(name));
        if (it == sheetByName_.end()) return std::nullopt;
        return it->second;
    };
    scope_.definedName = [this](std::string_view name, int32_t sheet) -> std::optional<std::string> {
        const WorkbookView::Name* found = nullptr;
        for (const auto& n : view_.names) {
            if (!base::equalsIgnoringAsciiCase(n.name, name)) continue;
            if (n.localSheet == sheet) {
                found = &n;
                break;
            }
            if (n.localSheet < 0) found = &n;
        }
        if (!found) return std::nullopt;
        std::string_view text = found->formula;
        if (!text.empty() && text.front() == '=') text.remove_prefix(1);
        return std::string(text);
    };
    scope_.function = lookup_;
    scope_.tables = view_.tables;
}

const CellStore* CalcEngine::cellsOf(int32_t sheet) const {
    if (sheet < 0 || size_t(sheet) >= view_.sheets.size()) return nullptr;
    return view_.sheets[size_t(sheet)].cells;
}

void CalcEngine::build() {
    const size_t sheets = view_.sheets.size();
    size_t formulas = 0;
    for (const auto& sheet : view_.sheets)
        if (sheet.cells) formulas += sheet.cells->formulas().size();
    nodes_.reserve(formulas);
    nodeOfFormula_.assign(sheets, {});
    listeners_.assign(sheets, {});
    arrayNodes_.assign(sheets, {});
    listening_ = false;
    untouched_ = true;
    for (size_t s = 0; s < sheets; ++s) {
        const CellStore* cells = view_.sheets[s].cells;
        if (!cells) continue;
        nodeOfFormula_[s].assign(cells->formulas().size(), kNoNode);
        const auto& formulas = cells->formulas();
        for (const RowInfo& row : cells->rows())
            for (const Cell& cell : row.cells)
                if (cell.kind == CellKind::Formula && cell.payload.formulaId < formulas.size() &&
                    !addCopiedNode(int32_t(s), row.row, cell.column, cell.payload.formulaId))
                    addNode(int32_t(s), row.row, cell.column, cell.payload.formulaId);
    }
    built_ = true;
    volatileStale_ = true;
}

// Most formulas of a list copy the one above them in their column: while the workbook is first
// compiled (no side table holds anything yet, nothing listens), such a formula takes its shape's
// program after one comparison of texts, without the general path's bookkeeping. False when the
// formula is not such a copy; nothing was added then.
bool CalcEngine::addCopiedNode(int32_t sheet, int32_t row, int32_t column, uint32_t formulaId) {
    auto& index = nodeOfFormula_[size_t(sheet)];
    if (index[formulaId] != kNoNode) return false;
    ColumnMemo& memo = columnMemo(sheet, column);
    if (!memo.shape || !memo.shape->program) return false;
    const Formula& f = view_.sheets[size_t(sheet)].cells->formulas()[formulaId];
    if (f.isArray() || !memo.memo.isCopy(f.text, row)) return false;
    const uint32_t id = static_cast<uint32_t>(nodes_.size());
    index[formulaId] = id;
    Node& node = nodes_.emplace_back();
    node.sheet = sheet;
    node.row = row;
    node.column = static_cast<uint16_t>(column);
    node.formulaId = formulaId;
    node.program = memo.shape->program.get();
    if (node.program->isVolatile) volatileNodes_.push_back(id);
    return true;
}

uint32_t CalcEngine::addNode(int32_t sheet, int32_t row, int32_t column, uint32_t formulaId) {
    auto& index = nodeOfFormula_[size_t(sheet)];
    if (index.size() <= formulaId) index.resize(formulaId + 1, kNoNode);
    uint32_t id = index[formulaId];
    if (id == kNoNode) {
        id = static_cast<uint32_t>(nodes_.size());
        nodes_.emplace_back();
        index[formulaId] = id;
    }
    Node& node = nodes_[id];
    node.sheet = sheet;
    node.row = row;
    node.column = static_cast<uint16_t>(column);
    node.formulaId = formulaId;
    compileNode(id);
    return id;
}

void CalcEngine::compileNode(uint32_t id) {
    Node& node = nodes_[id];
    const Formula& f = view_.sheets[size_t(node.sheet)].cells->formulas()[node.formulaId];
    node.isArray = f.isArray();
    // The side tables are empty in most workbooks: a lookup there would cost more than the rest.
    if (node.isArray && f.arrayArea().contains(node.row, node.column))
        arrayAreas_[id] = f.arrayArea();
    else if (!arrayAreas_.empty())
        arrayAreas_.erase(id);
    Shape& shape = shapeOf(node, f.text);
    if (&shape == &looseShape_ && shape.program) {
        node.program = shape.program.get();
        loosePrograms_[id] = std::move(shape.program);
    } else {
        node.program = shape.program.get();
        if (!loosePrograms_.empty()) loosePrograms_.erase(id);
    }
    if (!node.program) {
        setProblem(id, shape.problem);
        node.state = State::Kept;
        return;
    }
    if (!problems_.empty()) problems_.erase(id);
    node.state = State::Stale;
    if (listening_) listen(id);
    if (node.program->isVolatile) volatileNodes_.push_back(id);
    if (node.isArray) arrayNodes_[size_t(node.sheet)].push_back(id);
}

void CalcEngine::listen(uint32_t id) {
    const Node& node = nodes_[id];
    for (uint32_t i = 0; i < node.program->references.size(); ++i) {
        const SheetArea ref = node.program->reference(i, node.offset());
        if (ref.sheet >= 0 && size_t(ref.sheet) < listeners_.size()) listeners_[size_t(ref.sheet)].add(ref.area, id);
    }
}

// Listeners matter only once a write follows a calculation: a workbook filled, computed and saved
// never needs them, so they are made at that first write rather than while compiling.
void CalcEngine::startListening() {
    listening_ = true;
    for (uint32_t id = 0; id < nodes_.size(); ++id)
        if (nodes_[id].program && nodes_[id].state != State::Gone) listen(id);
}

// Array formulas and formulas that depend on their place beyond their references are compiled on
// their own, under a key no shape has.
CalcEngine::Shape& CalcEngine::shapeOf(const Node& node, std::string_view text) {
    ColumnMemo* memo = node.isArray ? nullptr : &columnMemo(node.sheet, node.column);
    if (memo && memo->shape && memo->memo.isCopy(text, node.row)) return *memo->shape;
    char sheet[16];
    shapeKey_.assign(sheet, std::to_chars(sheet, sheet + sizeof sheet - 1, node.sheet).ptr);
    shapeKey_ += '|';
    bool shared = memo && memo->memo.appendShape(shapeKey_, text, node.row, node.column);
    if (memo) memo->shape = nullptr;
    auto found = shared ? shapes_.find(shapeKey_) : shapes_.end();
    if (shared && found != shapes_.end()) {
        memo->shape = &found->second;
        return found->second;
    }
    scope_.hostSheet = node.sheet;
    scope_.hostRow = node.row;
    scope_.hostColumn = node.column;
    scope_.isArray = node.isArray;
    CompileResult compiled = compileFormula(text, scope_);
    Shape shape;
    if (compiled.formula) {
        compiled.formula->setOrigin(node.row, node.column);
        shape.program = std::make_unique<const CompiledFormula>(std::move(*compiled.formula));
    }
    shape.problem = std::move(compiled.problem);
    shape.row = node.row;
    shape.column = node.column;
    if (!shared) {
        looseShape_ = std::move(shape);
        return looseShape_;
    }
    Shape& kept = shapes_.emplace(shapeKey_, std::move(shape)).first->second;
    memo->shape = &kept;
    return kept;
}

Area CalcEngine::areaOf(uint32_t id) const {
    const Node& node = nodes_[id];
    if (node.isArray)
        if (auto it = arrayAreas_.find(id); it != arrayAreas_.end()) return it->second;
    return Area::cell(node.row, node.column);
}

void CalcEngine::setProblem(uint32_t id, std::string problem) {
    if (problem.empty())
        problems_.erase(id);
    else
        problems_[id] = std::move(problem);
}

bool CalcEngine::holdsFormula(const Node& node) const {
    const CellStore* cells = cellsOf(node.sheet);
    if (!cells) return false;
    const Cell* cell = cells->find(node.row, node.column);
    return cell && cell->kind == CellKind::Formula && cell->payload.formulaId == node.formulaId;
}

uint32_t CalcEngine::nodeAt(int32_t sheet, int32_t row, int32_t column) const {
    const CellStore* cells = cellsOf(sheet);
    if (!cells) return kNoNode;
    const Cell* cell = cells->find(row, column);
    if (!cell || cell->kind != CellKind::Formula) return kNoNode;
    const auto& index = nodeOfFormula_[size_t(sheet)];
    return cell->payload.formulaId < index.size() ? index[cell->payload.formulaId] : kNoNode;
}

void CalcEngine::valuesChanged(int32_t sheet, const Area& area) {
    walk_.reset();
    if (!built_) return;
    markDependants(sheet, area);
    volatileStale_ = true;
}

void CalcEngine::formulaChanged(int32_t sheet, int32_t row, int32_t column) {
    walk_.reset();
    if (!built_) return;
    const CellStore* cells = cellsOf(sheet);
    const Cell* cell = cells ? cells->find(row, column) : nullptr;
    if (cell && cell->kind == CellKind::Formula) addNode(sheet, row, column, cell->payload.formulaId);
    markDependants(sheet, Area::cell(row, column));
    volatileStale_ = true;
}

// Marks every formula reading `area`, and every formula reading those, stale: a breadth-first walk
// with a work list, however long the chain of dependants.
void CalcEngine::markDependants(int32_t sheet, const Area& area) {
    // Nothing was computed since the workbook was compiled: every formula is stale already.
    if (untouched_) return;
    if (!listening_) startListening();
    std::vector<uint32_t> work;
    auto visit = [&](uint32_t id) {
        Node& node = nodes_[id];
        if (node.state == State::Stale || node.state == State::Gone || !node.program) return;
        node.state = State::Stale;
        work.push_back(id);
    };
    if (sheet >= 0 && size_t(sheet) < listeners_.size()) listeners_[size_t(sheet)].forEachMeeting(area, visit);
    while (!work.empty()) {
        const uint32_t id = work.back();
        const Node& node = nodes_[id];
        work.pop_back();
        listeners_[size_t(node.sheet)].forEachMeeting(areaOf(id), visit);
    }
}

void CalcEngine::markVolatile() {
    for (uint32_t id : volatileNodes_) {
        Node& node = nodes_[id];
        if (node.state == State::Gone || !node.program) continue;
        node.state = State::Stale;
        markDependants(node.sheet, areaOf(id));
    }
    volatileStale_ = false;
}

void CalcEngine::calculate() {
    startCalculation();
    finishCalculation();
}

void CalcEngine::startCalculation() {
    if (!built_) build();
    markVolatile();
    usedAreas_.assign(view_.sheets.size(), std::nullopt);
    walk_.reset();
    // An array formula writes its cells as it is computed, which could move the rows a walk holds:
    // with arrays everything is computed at once, formula by formula, before any row is laid out.
    const bool arrays = std::any_of(arrayNodes_.begin(), arrayNodes_.end(), [](const auto& a) { return !a.empty(); });
    if (arrays) return computeStale();
    walk_ = Walk{};
}

void CalcEngine::calculateRows(int32_t sheet, size_t rowCount) {
    if (!walk_) return;
    const int32_t sheets = int32_t(view_.sheets.size());
    sheet = std::min(sheet, sheets);
    for (; walk_->sheet < sheet; ++walk_->sheet, walk_->rows = 0)
        calculateInSheetOrder(walk_->sheet, walk_->rows, SIZE_MAX);
    if (walk_->sheet == sheet && sheet < sheets && walk_->rows < rowCount) {
        calculateInSheetOrder(sheet, walk_->rows, rowCount);
        walk_->rows = rowCount;
    }
}

void CalcEngine::finishCalculation() {
    if (!walk_) return;
    calculateRows(int32_t(view_.sheets.size()), 0);
    walk_.reset();
    computeStale();
}

// Formulas the walks did not meet (none of a cell any more, or every one when arrays exist).
void CalcEngine::computeStale() {
    for (uint32_t id = 0; id < nodes_.size(); ++id)
        if (nodes_[id].state == State::Stale) compute(id, false);
}

// Row by row, left to right: the order a list is filled in, so the precedents of most formulas
// (the cells beside them, the running total above) are current when they are met, and a formula
// on plain numbers is computed right there, reading its cells near the walk's row. Anything else
// goes through compute().
void CalcEngine::calculateInSheetOrder(int32_t sheet, size_t from, size_t to) {
    const CellStore* cells = view_.sheets[size_t(sheet)].cells;
    if (!cells) return;
    const auto& rows = cells->rows();
    const auto& index = nodeOfFormula_[size_t(sheet)];
    NearbyCells nearby(rows);
    for (size_t r = from; r < std::min(to, rows.size()); ++r) {
        nearby.moveTo(r);
        const RowInfo& info = rows[r];
        for (const Cell& cell : info.cells) {
            if (cell.kind != CellKind::Formula || cell.payload.formulaId >= index.size()) continue;
            const uint32_t id = index[cell.payload.formulaId];
            if (id == kNoNode || nodes_[id].state != State::Stale) continue;
            Node& node = nodes_[id];
            const bool here = node.row == info.row && node.column == cell.column;
            if (!here || !computeArithmetic(node, nearby)) compute(id, false);
        }
    }
}

// The cell found (nullptr: not stored) as cellNumber reads it.
inline bool CalcEngine::numberOf(int32_t sheet, const CellStore& cells, const Cell* cell, double& number) const {
    number = 0;
    if (!cell || cell->kind == CellKind::Empty) return true;
    if (cell->kind == CellKind::Number) {
        number = cell->payload.number;
        return true;
    }
    if (cell->kind != CellKind::Formula) return false;
    const uint32_t formulaId = cell->payload.formulaId;
    if (formulaId >= cells.formulas().size()) return true;
    const auto& index = nodeOfFormula_[size_t(sheet)];
    const uint32_t id = formulaId < index.size() ? index[formulaId] : kNoNode;
    if (id != kNoNode && (nodes_[id].state == State::Stale || nodes_[id].state == State::Expanding)) return false;
    const Formula& f = cells.formulas()[formulaId];
    if (f.cachedKind == CellKind::Number) number = f.cachedNumber;
    return f.cachedKind == CellKind::Number || f.cachedKind == CellKind::Empty;
}

// A stale array formula whose area meets `area` must be computed before the area is read.
void CalcEngine::noteStaleArraysMeeting(const SheetArea& area) {
    const Area& a = area.area;
    for (uint32_t id : arrayNodes_[size_t(area.sheet)]) {
        const Node& node = nodes_[id];
        const Area filled = areaOf(id);
        bool meets = filled.firstRow <= a.lastRow && filled.lastRow >= a.firstRow &&
                     filled.firstColumn <= a.lastColumn && filled.lastColumn >= a.firstColumn;
        if (meets && id != current_ && (node.state == State::Stale || node.state == State::Expanding))
            missing_.push_back(id);
    }
}

// False when the formula needs a full evaluation: not arithmetic, or a cell it reads holds
// something other than a number or a blank, or a formula not computed yet.
bool CalcEngine::computeArithmetic(Node& node, const NearbyCells& nearby) {
    const CompiledFormula* program = node.program;
    if (!program || !program->isArithmetic || node.isArray) return false;
    CellStore& cells = *view_.sheets[size_t(node.sheet)].cells;
    std::optional<double> result;
    if (program->readsNearCells && program->nearSheet == node.sheet) {
        result = evaluateNearArithmetic(*program, node.row, node.column, [&](int32_t row, int32_t column, double& number) {
            return numberOf(node.sheet, cells, nearby.find(row, column), number);
        });
    } else {
        result = evaluateArithmetic(*program, node.offset(), [&](const CompiledFormula::CellPlace& cell, double& number) {
            if (cell.sheet != node.sheet) return cellNumber(cell.sheet, cell.row, cell.column, number);
            return numberOf(cell.sheet, cells, nearby.find(cell.row, cell.column), number);
        });
    }
    if (!result) return false;
    untouched_ = false;
    ++evaluations_;
    storeNumber(cells.formulas()[node.formulaId], *result);
    node.state = State::Current;
    return true;
}

void CalcEngine::calculateCell(int32_t sheet, int32_t row, int32_t column) {
    if (!built_) build();
    if (volatileStale_) markVolatile();
    uint32_t id = nodeAt(sheet, row, column);
    if (id == kNoNode) {
        // A cell inside an array formula's area takes its value from the array's anchor.
        if (sheet >= 0 && size_t(sheet) < arrayNodes_.size())
            for (uint32_t a : arrayNodes_[size_t(sheet)])
                if (areaOf(a).contains(row, column)) id = a;
        if (id == kNoNode) return;
    }
    if (nodes_[id].state != State::Stale) return;
    usedAreas_.assign(view_.sheets.size(), std::nullopt);
    compute(id, true);
}

void CalcEngine::calculateFormula(int32_t sheet, uint32_t formulaId) {
    if (!built_) build();
    if (volatileStale_) markVolatile();
    if (sheet < 0 || size_t(sheet) >= nodeOfFormula_.size() || formulaId >= nodeOfFormula_[size_t(sheet)].size()) return;
    uint32_t id = nodeOfFormula_[size_t(sheet)][formulaId];
    if (id == kNoNode || nodes_[id].state != State::Stale) return;
    usedAreas_.assign(view_.sheets.size(), std::nullopt);
    compute(id, true);
}

// Depth-first over stale precedents without recursion. A formula is evaluated; if it met stale
// precedents the result is dropped, they are pushed, and it is evaluated again once they are
// current. Meeting a formula that is itself waiting further down the stack is a cycle.
void CalcEngine::compute(uint32_t target, bool lookAhead) {
    untouched_ = false;
    stack_.clear();
    stack_.push_back(target);
    while (!stack_.empty()) {
        const uint32_t id = stack_.back();
        Node& node = nodes_[id];
        if (node.state != State::Stale && node.state != State::Expanding) {
            stack_.pop_back();
            continue;
        }
        if (!holdsFormula(node)) {
            node.state = State::Gone;
            stack_.pop_back();
            continue;
        }
        if (lookAhead && node.state == State::Stale && pushStaleCellPrecedents(node)) {
            node.state = State::Expanding;
            continue;
        }
        missing_.clear();
        current_ = id;
        Value result;
        bool evaluated = true;
        try {
            ++evaluations_;
            result = evaluateFormula(*node.program, *this, node.isArray, valueStack_, node.offset());
        } catch (const std::exception& e) {
            // Too large an array, or a function that failed: the cell keeps its value, the rest
            // of the workbook is computed.
            evaluated = false;
            setProblem(id, e.what());
        }
        current_ = kNoNode;
        if (!missing_.empty()) {
            uint32_t ancestor = kNoNode;
            for (uint32_t m : missing_)
                if (m == id || nodes_[m].state == State::Expanding) ancestor = m;
            if (ancestor != kNoNode) {
                markCycle(id, ancestor);
                continue;
            }
            node.state = State::Expanding;
            for (uint32_t m : missing_)
                if (nodes_[m].state == State::Stale) stack_.push_back(m);
            continue;
        }
        stack_.pop_back();
        if (!evaluated) {
            node.state = State::Kept;
            continue;
        }
        store(id, result);
        node.state = State::Current;
    }
}

// Single cells a formula refers to are checked before it is evaluated, so that a chain is computed
// link by link without evaluating each formula twice; areas and computed references are found
// stale during evaluation instead.
bool CalcEngine::pushStaleCellPrecedents(const Node& node) {
    bool pushed = false;
    for (uint32_t i = 0; i < node.program->references.size(); ++i) {
        const SheetArea ref = node.program->reference(i, node.offset());
        if (ref.area.cellCount() != 1) continue;
        uint32_t precedent = nodeAt(ref.sheet, ref.area.firstRow, ref.area.firstColumn);
        if (precedent != kNoNode && nodes_[precedent].state == State::Stale) {
            stack_.push_back(precedent);
            pushed = true;
        }
    }
    return pushed;
}

// Every formula on the path from `ancestor` up to `at` waits on itself: none gets a new value.
void CalcEngine::markCycle(uint32_t at, uint32_t ancestor) {
    nodes_[at].state = State::Cyclic;
    setProblem(at, "a circular reference");
    for (size_t i = stack_.size(); i-- > 0;) {
        Node& node = nodes_[stack_[i]];
        if (node.state == State::Expanding) {
            node.state = State::Cyclic;
            setProblem(stack_[i], "a circular reference");
        }
        if (stack_[i] == ancestor) break;
    }
}

void CalcEngine::store(uint32_t id, const Value& result) {
    const Node& node = nodes_[id];
    if (node.isArray) return storeArray(id, result);
    storeValue(view_.sheets[size_t(node.sheet)].cells->formulas()[node.formulaId], result);
}

// Each cell of the area takes its element; a single row or column repeats across the area, and
// cells beyond the result's size show #N/A, as in the application.
void CalcEngine::storeArray(uint32_t id, const Value& result) {
    const Node& node = nodes_[id];
    CellStore& cells = *view_.sheets[size_t(node.sheet)].cells;
    const Area area = areaOf(id);
    const Value na = Value::error(ErrorValue::NA);
    for (int32_t r = area.firstRow; r <= area.lastRow; ++r)
        for (int32_t c = area.firstColumn; c <= area.lastColumn; ++c) {
            Value element = result;
            if (result.isArray()) {
                const ValueArray& a = result.asArray();
                int32_t i = a.rows == 1 ? 0 : r - area.firstRow;
                int32_t j = a.columns == 1 ? 0 : c - area.firstColumn;
                element = i < a.rows && j < a.columns ? a.at(i, j) : na;
            }
            if (element.isBlank() || element.isMissing()) element = Value::number(0);
            if (r == node.row && c == node.column) {
                storeValue(cells.formulas()[node.formulaId], element);
                continue;
            }
            writeCell(cells, r, c, element);
        }
}

void CalcEngine::writeCell(CellStore& cells, int32_t row, int32_t column, const Value& value) {
    if (const Cell* existing = cells.find(row, column); existing && existing->kind == CellKind::Formula) return;
    Cell& cell = cells.cellAt(row, column);
    cell.payload.number = 0;
    switch (value.kind()) {
        case Value::Kind::Number:
            cell.kind = CellKind::Number;
            cell.payload.number = value.asNumber();
            break;
        case Value::Kind::Text:
            cell.kind = CellKind::String;
            cell.payload.stringId = view_.strings->intern(value.asText());
            break;
        case Value::Kind::Boolean:
            cell.kind = CellKind::Boolean;
            cell.payload.boolean = value.asBoolean();
            break;
        case Value::Kind::Error:
            cell.kind = CellKind::Error;
            cell.payload.stringId = view_.strings->intern(errorText(value.asError()));
            break;
        default:
            cell.kind = CellKind::Empty;
            break;
    }
}

const void* CalcEngine::formulaShape(int32_t sheet, uint32_t formulaId) const { return formulaShapes(sheet)(formulaId); }

CalcEngine::SheetShapes CalcEngine::formulaShapes(int32_t sheet) const {
    SheetShapes shapes;
    if (!built_ || sheet < 0 || size_t(sheet) >= nodeOfFormula_.size()) return shapes;
    const auto& index = nodeOfFormula_[size_t(sheet)];
    shapes.nodeOf_ = index.data();
    shapes.count_ = index.size();
    shapes.records_ = nodes_.data();
    return shapes;
}

std::string CalcEngine::problemAt(int32_t sheet, int32_t row, int32_t column) const {
    uint32_t id = nodeAt(sheet, row, column);
    if (id == kNoNode) return "";
    const Node& node = nodes_[id];
    if (node.state != State::Kept && node.state != State::Cyclic) return "";
    auto it = problems_.find(id);
    return it != problems_.end() ? it->second : "";
}

// A stale array formula covering the cell must be computed before the cell is read.
void CalcEngine::noteStaleArray(int32_t sheet, int32_t row, int32_t column) {
    for (uint32_t a : arrayNodes_[size_t(sheet)]) {
        const Node& node = nodes_[a];
        if ((node.state == State::Stale || node.state == State::Expanding) && areaOf(a).contains(row, column) &&
            a != current_)
            missing_.push_back(a);
    }
}

Value CalcEngine::valueOfCell(int32_t sheet, const Cell& cell, int32_t row, int32_t column) {
    switch (cell.kind) {
        case CellKind::Empty: return Value();
        case CellKind::Number: return Value::number(cell.payload.number);
        case CellKind::String: return Value::text(view_.strings->text(cell.payload.stringId));
        case CellKind::Boolean: return Value::boolean(cell.payload.boolean);
        case CellKind::Error:
            return Value::error(errorFromText(view_.strings->text(cell.payload.stringId)).value_or(ErrorValue::Value));
        case CellKind::Formula: {
            const CellStore& cells = *view_.sheets[size_t(sheet)].cells;
            if (cell.payload.formulaId >= cells.formulas().size()) return Value();
            const auto& index = nodeOfFormula_[size_t(sheet)];
            uint32_t id = cell.payload.formulaId < index.size() ? index[cell.payload.formulaId] : kNoNode;
            if (id != kNoNode && (nodes_[id].state == State::Stale || nodes_[id].state == State::Expanding)) {
                missing_.push_back(id);
                return Value();
            }
            return cachedValueOf(cells.formulas()[cell.payload.formulaId]);
        }
    }
    return Value();
}

Value CalcEngine::cellValue(int32_t sheet, int32_t row, int32_t column) {
    const CellStore* cells = cellsOf(sheet);
    if (!cells) return Value::error(ErrorValue::Ref);
    if (!arrayNodes_[size_t(sheet)].empty()) noteStaleArray(sheet, row, column);
    const Cell* cell = cells->find(row, column);
    return cell ? valueOfCell(sheet, *cell, row, column) : Value();
}

// valueOfCell for the cells arithmetic reads as numbers, without making a Value.
bool CalcEngine::cellNumber(int32_t sheet, int32_t row, int32_t column, double& number) {
    const CellStore* cells = cellsOf(sheet);
    if (!cells || !arrayNodes_[size_t(sheet)].empty()) return false;
    return numberOf(sheet, *cells, cells->find(row, column), number);
}

void CalcEngine::forEachValue(const SheetArea& area, const CellVisitor& visit) {
    const CellStore* cells = cellsOf(area.sheet);
    if (!cells) return;
    const Area& a = area.area;
    if (!arrayNodes_[size_t(area.sheet)].empty()) noteStaleArraysMeeting(area);
    const auto& rows = cells->rows();
    for (auto r = firstRowAtOrAfter(rows, a.firstRow); r != rows.end() && r->row <= a.lastRow; ++r) {
        for (auto c = firstCellAtOrAfter(r->cells, a.firstColumn); c != r->cells.end() && c->column <= a.lastColumn; ++c) {
            if (c->kind == CellKind::Empty) continue;
            Value v = valueOfCell(area.sheet, *c, r->row, c->column);
            if (!v.isBlank()) visit(r->row, c->column, v);
        }
    }
}

inline bool CalcEngine::entryOf(int32_t sheet, const CellStore& cells, const Cell& cell, bool handPending, CellEntry& entry) {
    switch (cell.kind) {
        case CellKind::Empty: return false;
        case CellKind::Number:
            entry.kind = Value::Kind::Number;
            entry.number = cell.payload.number;
            return true;
        case CellKind::String:
            entry.kind = Value::Kind::Text;
            entry.text = view_.strings->text(cell.payload.stringId);
            return true;
        case CellKind::Boolean:
            entry.kind = Value::Kind::Boolean;
            entry.number = cell.payload.boolean ? 1 : 0;
            return true;
        case CellKind::Error:
            entry.kind = Value::Kind::Error;
            entry.error = errorFromText(view_.strings->text(cell.payload.stringId)).value_or(ErrorValue::Value);
            return true;
        case CellKind::Formula: break;
    }
    const uint32_t formulaId = cell.payload.formulaId;
    if (formulaId >= cells.formulas().size()) return false;
    const auto& index = nodeOfFormula_[size_t(sheet)];
    const uint32_t id = formulaId < index.size() ? index[formulaId] : kNoNode;
    if (id != kNoNode && (nodes_[id].state == State::Stale || nodes_[id].state == State::Expanding)) {
        if (handPending) {
            entry.kind = Value::Kind::Missing;
            return true;
        }
        missing_.push_back(id);
        return false;
    }
    const Formula& f = cells.formulas()[formulaId];
    switch (f.cachedKind) {
        case CellKind::Number:
            entry.kind = Value::Kind::Number;
            entry.number = f.cachedNumber;
            return true;
        case CellKind::String:
            entry.kind = Value::Kind::Text;
            entry.text = f.cachedText();
            return true;
        case CellKind::Boolean:
            entry.kind = Value::Kind::Boolean;
            entry.number = f.cachedNumber != 0 ? 1 : 0;
            return true;
        case CellKind::Error:
            entry.kind = Value::Kind::Error;
            entry.error = errorFromText(f.cachedText()).value_or(ErrorValue::Value);
            return true;
        default: return false;
    }
}

// Walks the rows of the area in the cell store; no cell is written while a formula is evaluated,
// so the rows stay where they are while a function reads them.
class CalcEngine::AreaCursor final : public CellCursor {
public:
    AreaCursor(CalcEngine& engine, int32_t sheet, const CellStore& cells, const Area& area, bool handPending)
        : engine_(engine), sheet_(sheet), cells_(cells), area_(area), handPending_(handPending), rows_(cells.rows()),
          rowIndex_(size_t(firstRowAtOrAfter(rows_, area.firstRow) - rows_.begin())) {
        startRow();
    }

    size_t read(std::span<CellEntry> out) override {
        size_t n = 0;
        while (n < out.size() && rowIndex_ < rows_.size()) {
            if (cell_ == cellsEnd_) {
                ++rowIndex_;
                startRow();
                continue;
            }
            const Cell& cell = *cell_++;
            CellEntry& entry = out[n];
            if (!engine_.entryOf(sheet_, cells_, cell, handPending_, entry)) continue;
            entry.row = row_->row;
            entry.column = cell.column;
            ++n;
        }
        return n;
    }

private:
    // The cells of the row within the area's columns. Rows of a list hold their cells from one
    // column on without gaps: the first and last cells wanted are mostly where their columns say.
    void startRow() {
        if (rowIndex_ >= rows_.size()) return;
        row_ = &rows_[rowIndex_];
        if (row_->row > area_.lastRow) {
            rowIndex_ = rows_.size();
            return;
        }
        const auto& cells = row_->cells;
        const Cell* first = cells.data();
        const Cell* end = first + cells.size();
        cell_ = cellAtOrAfter(first, end, area_.firstColumn);
        // One column (SUM(E2:E900)): the cell found is the one wanted, or none is.
        if (area_.firstColumn == area_.lastColumn)
            cellsEnd_ = cell_ != end && cell_->column == area_.firstColumn ? cell_ + 1 : cell_;
        else
            cellsEnd_ = cellAtOrAfter(cell_, end, area_.lastColumn + 1);
    }
    static const Cell* cellAtOrAfter(const Cell* begin, const Cell* end, int32_t column) {
        if (begin == end) return end;
        const int64_t guess = int64_t(column) - begin->column;
        if (guess <= 0) return begin;
        if (guess < end - begin && begin[guess].column == column) return begin + guess;
        return std::lower_bound(begin, end, column, [](const Cell& c, int32_t n) { return int32_t(c.column) < n; });
    }

    CalcEngine& engine_;
    const int32_t sheet_;
    const CellStore& cells_;
    const Area area_;
    const bool handPending_;
    const std::remove_cvref_t<decltype(std::declval<const CellStore&>().rows())>& rows_;
    size_t rowIndex_;
    const RowInfo* row_ = nullptr;  // rows_[rowIndex_]
    const Cell* cell_ = nullptr;
    const Cell* cellsEnd_ = nullptr;
};

std::unique_ptr<CellCursor> CalcEngine::readCells(const SheetArea& area, bool handPending) {
    const CellStore* cells = cellsOf(area.sheet);
    if (!cells) {
        struct NoCells final : CellCursor {
            size_t read(std::span<CellEntry>) override { return 0; }
        };
        return std::make_unique<NoCells>();
    }
    if (!arrayNodes_[size_t(area.sheet)].empty()) noteStaleArraysMeeting(area);
    return std::make_unique<AreaCursor>(*this, area.sheet, *cells, area.area, handPending);
}

std::optional<Area> CalcEngine::usedPart(const SheetArea& area) {
    const CellStore* cells = cellsOf(area.sheet);
    if (!cells) return std::nullopt;
    if (usedAreas_.size() != view_.sheets.size()) usedAreas_.assign(view_.sheets.size(), std::nullopt);
    auto& used = usedAreas_[size_t(area.sheet)];
    if (!used) {
        Area a;
        used = cells->usedArea(a) ? std::optional<Area>(a) : std::nullopt;
    }
    if (!*used) return std::nullopt;
    const Area& u = **used;
    Area part{std::max(u.firstRow, area.area.firstRow), std::max(u.firstColumn, area.area.firstColumn),
              std::min(u.lastRow, area.area.lastRow), std::min(u.lastColumn, area.area.lastColumn)};
    if (part.firstRow > part.lastRow || part.firstColumn > part.lastColumn) return std::nullopt;
    return part;
}

SheetArea CalcEngine::caller() const {
    if (current_ == kNoNode) return SheetArea{};
    return SheetArea{nodes_[current_].sheet, areaOf(current_)};
}

std::optional<SheetArea> CalcEngine::resolveReference(std::string_view text, bool a1) {
    const SheetArea from = caller();
    int32_t sheet = from.sheet;
    std::string_view body = text;
    if (auto prefix = readSheetPrefix(text, 0)) {
        if (prefix->external || prefix->threeD) return std::nullopt;
        auto it = sheetByName_.find(upper(prefix->name()));
        if (it == sheetByName_.end()) return std::nullopt;
        sheet = it->second;
        body = text.substr(prefix->text.size());
    }
    std::optional<Area> area = a1 ? parseRangeAddress(body) : parseR1C1(body, from.area.firstRow, from.area.firstColumn);
    if (area) return SheetArea{sheet, *area};
    if (body.size() != text.size()) return std::nullopt;
    if (auto table = tableReference(text, from)) return table;
    // A defined name that refers to one area.
    for (const auto& n : view_.names) {
        if (!base::equalsIgnoringAsciiCase(n.name, text) || (n.localSheet >= 0 && n.localSheet != from.sheet)) continue;
        std::string_view target = n.formula;
        if (!target.empty() && target.front() == '=') target.remove_prefix(1);
        if (target == text) return std::nullopt;
        auto prefix = readSheetPrefix(target, 0);
        if (!prefix || prefix->external || prefix->threeD) return std::nullopt;
        auto it = sheetByName_.find(upper(prefix->name()));
        auto named = parseRangeAddress(std::string(target.substr(prefix->text.size())));
        if (it == sheetByName_.end() || !named) return std::nullopt;
        return SheetArea{it->second, *named};
    }
    return std::nullopt;
}

// "Items[Qty]", "Items" (its data), or "[@Qty]" in the table the formula is in, as a compiled
// formula would read them; nullopt for a table or part that is not there.
std::optional<SheetArea> CalcEngine::tableReference(std::string_view text, const SheetArea& from) const {
    const size_t bracket = std::min(text.find('['), text.size());
    const std::string_view name = text.substr(0, bracket);
    const TableDefinition* table = name.empty() ? tableAt(view_.tables, from.sheet, from.area.firstRow, from.area.firstColumn)
                                                : findTable(view_.tables, name);
    if (!table) return std::nullopt;
    auto resolved = resolveStructuredReference(*table, text.substr(bracket), from.area.firstRow);
    if (const Area* area = std::get_if<Area>(&resolved)) return SheetArea{table->sheet, *area};
    return std::nullopt;
}

bool CalcEngine::isSubtotalFormula(int32_t sheet, int32_t row, int32_t column) {
    const CellStore* cells = cellsOf(sheet);
    const Cell* cell = cells ? cells->find(row, column) : nullptr;
    if (!cell || cell->kind != CellKind::Formula || cell->payload.formulaId >= cells->formulas().size()) return false;
    return isSubtotalText(cells->formulas()[cell->payload.formulaId].text);
}

bool CalcEngine::isRowHidden(int32_t sheet, int32_t row) {
    const CellStore* cells = cellsOf(sheet);
    const RowInfo* info = cells ? cells->findRow(row) : nullptr;
    return info && info->hidden;
}

double CalcEngine::now() {
    if (clock_) return clock_();
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    double day = serialOfCivilDate(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday), view_.date1904);
    return day + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

double CalcEngine::random() {
    if (randomSource_) return randomSource_();
    if (!generator_) generator_.emplace(std::random_device{}());
    return std::uniform_real_distribution<double>(0.0, 1.0)(*generator_);
}

}  // namespace tavlora::host::formula
