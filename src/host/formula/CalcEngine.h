#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/LargeBlocks.h"
#include "host/cells/CellStore.h"
#include "host/cells/StringPool.h"
#include "host/formula/AreaListeners.h"
#include "host/formula/CalcContext.h"
#include "host/formula/ColumnShapeMemo.h"
#include "host/formula/CompiledFormula.h"

// The calculation engine: it compiles every formula of a workbook once, keeps which formulas
// listen to which cells, and computes lazily. A write marks the formulas that depend on it stale;
// reading a formula cell (or saving) computes what is stale, precedents first, with an explicit
// stack instead of recursion. Results go into each formula's cached value, where everything that
// shows or saves a formula's value already looks.
namespace tavlora::host::formula {

class NearbyCells;

// What the engine sees of a workbook; built by the host. Sheet indexes are the workbook's (a
// chart sheet has no cells).
struct WorkbookView {
    struct Sheet {
        std::string name;
        CellStore* cells = nullptr;
    };
    struct Name {
        std::string name;
        std::string formula;      // without "="
        int32_t localSheet = -1;  // -1: the whole workbook
    };
    std::vector<Sheet> sheets;
    StringPool* strings = nullptr;
    std::vector<Name> names;
    std::vector<TableDefinition> tables;
    bool date1904 = false;
};

class CalcEngine : private CalcContext {
public:
    using FunctionLookup = std::function<const FunctionDefinition*(std::string_view name)>;
    // The engine knows the functions `lookup` finds (by default the worksheet functions).
    explicit CalcEngine(FunctionLookup lookup = {});
    ~CalcEngine() override;

    // Forgets every compiled formula: the workbook was opened or changed its structure (sheets
    // added, deleted or renamed, rows or columns deleted). The next calculation compiles again.
    void setWorkbook(WorkbookView view);
    // Values of `area` were written or cleared (formulas there may have been overwritten).
    void valuesChanged(int32_t sheet, const Area& area);
    // A formula was written into the cell.
    void formulaChanged(int32_t sheet, int32_t row, int32_t column);

    // Computes every stale formula and the volatile ones.
    void calculate();
    // The same calculation in steps, for a save that lays a sheet's rows out as soon as they are
    // computed (the rows laid out before are deflated meanwhile on the other cores): the steps
    // compute what calculate() computes, in the order it does. startCalculation compiles and marks
    // the volatile formulas stale; calculateRows walks on until the formulas of the sheet's first
    // `rowCount` stored rows, and of every sheet before it, are computed (nothing when no
    // calculation was started); finishCalculation computes the rest and ends the steps. A write
    // in between ends them too: what they did not reach stays stale and is computed when read.
    void startCalculation();
    void calculateRows(int32_t sheet, size_t rowCount);
    void finishCalculation();
    // Computes what the formula at the cell needs, if it is stale.
    void calculateCell(int32_t sheet, int32_t row, int32_t column);
    // The same for the formula of that id in the sheet's store.
    void calculateFormula(int32_t sheet, uint32_t formulaId);

    // Why the formula at the cell keeps the value its file carried: "" when it is computed.
    std::string problemAt(int32_t sheet, int32_t row, int32_t column) const;
    // What formulas of its shape share, for a formula id of the sheet's store (the same pointer
    // for copies of one formula whose texts differ only by where they are), or null where the
    // formula is compiled on its own, is an array formula, or is not compiled: the file writer
    // saves runs of one shape as shared formulas. Null for all until a calculation compiled the
    // workbook. Asked formula by formula, so that a save makes no table of them all.
    const void* formulaShape(int32_t sheet, uint32_t formulaId) const;
    // formulaShape for the formulas of one sheet, read in place: a save asks it of every formula
    // of a list, where a call each would cost as much as the rest of finding the shared formulas.
    // Valid until the engine compiles or is given formulas again; empty (null for every formula)
    // until a calculation compiled the workbook.
    class SheetShapes;
    SheetShapes formulaShapes(int32_t sheet) const;
    // How many times formulas were evaluated so far (for tests of laziness).
    uint64_t evaluations() const { return evaluations_; }
    // Tests fix the clock and the random numbers.
    void setClock(std::function<double()> now) { clock_ = std::move(now); }
    void setRandom(std::function<double()> random) { randomSource_ = std::move(random); }

private:
    enum class State : uint8_t {
        Stale,
        Expanding,  // waiting on precedents further up the stack
        Current,
        Kept,       // cannot be computed: keeps the value the file carried
        Cyclic,     // part of a circular reference: keeps its value
        Gone,       // the cell no longer holds this formula
    };
    // One per formula of the workbook, 24 bytes: a list of formulas makes these by the hundred
    // thousand in fresh memory. What few formulas need lives in side tables by node id: an array
    // formula's area (arrayAreas_), why a formula keeps its file's value (problems_). How far the
    // formula lies from the cell its program was compiled for comes from the program's origin.
    struct Node {
        int32_t sheet = 0;
        int32_t row = 0;
        uint32_t formulaId = 0;
        uint16_t column = 0;
        State state = State::Stale;
        bool isArray = false;
        // Owned by shapes_ when shared by the formulas of one shape, else by loosePrograms_;
        // either lives until the engine forgets the workbook or the node is compiled again.
        const CompiledFormula* program = nullptr;
        FormulaOffset offset() const { return program->offsetFrom(row, column); }
    };
    static_assert(sizeof(Node) == 24);
    // A compiled shape, and where it was compiled.
    struct Shape {
        std::unique_ptr<const CompiledFormula> program;
        std::string problem;
        int32_t row = 0;
        int32_t column = 0;
    };
    static constexpr uint32_t kNoNode = UINT32_MAX;

    void build();
    void prepareScope();
    uint32_t addNode(int32_t sheet, int32_t row, int32_t column, uint32_t formulaId);
    bool addCopiedNode(int32_t sheet, int32_t row, int32_t column, uint32_t formulaId);
    void compileNode(uint32_t id);
    // The cells the node's formula fills: its cell, or an array formula's area.
    Area areaOf(uint32_t id) const;
    void setProblem(uint32_t id, std::string problem);
    void listen(uint32_t id);
    void startListening();
    // The shape's program, compiled at the node's cell when the shape is new; looseShape_ when the
    // formula is compiled on its own.
    Shape& shapeOf(const Node& node, std::string_view text);
    struct ColumnMemo {
        ColumnShapeMemo memo;
        Shape* shape = nullptr;  // into shapes_: the shape of the formula the memo holds
    };
    // Each column remembers its last formula: a list fills its columns row by row, so the formula
    // before a cell's in its column is mostly the one it copies. The memos asked last are kept by
    // column, so that a list's compiling mostly compares one key instead of hashing it.
    ColumnMemo& columnMemo(int32_t sheet, int32_t column) {
        const uint64_t key = (uint64_t(uint32_t(sheet)) << 32) | uint32_t(column);
        RecentMemo& recent = recentMemos_[size_t(column) % recentMemos_.size()];
        if (recent.key != key) recent = RecentMemo{key, &columnMemos_[key]};
        return *recent.memo;
    }
    bool holdsFormula(const Node& node) const;
    uint32_t nodeAt(int32_t sheet, int32_t row, int32_t column) const;
    void markDependants(int32_t sheet, const Area& area);
    void markVolatile();
    // `lookAhead`: check a formula's single-cell precedents before evaluating it, which spares a
    // second evaluation when they are stale (worth it for a read; a full calculation goes in sheet
    // order, where precedents are mostly current already).
    void compute(uint32_t target, bool lookAhead);
    void computeStale();
    // Walks the sheet's stored rows [from, to) (see calculate).
    void calculateInSheetOrder(int32_t sheet, size_t from, size_t to);
    bool computeArithmetic(Node& node, const NearbyCells& nearby);
    bool numberOf(int32_t sheet, const CellStore& cells, const Cell* cell, double& number) const;
    void markCycle(uint32_t at, uint32_t ancestor);
    bool pushStaleCellPrecedents(const Node& node);
    void store(uint32_t id, const Value& result);
    void storeArray(uint32_t id, const Value& result);
    void writeCell(CellStore& cells, int32_t row, int32_t column, const Value& value);
    Value valueOfCell(int32_t sheet, const Cell& cell, int32_t row, int32_t column);
    void noteStaleArray(int32_t sheet, int32_t row, int32_t column);
    const CellStore* cellsOf(int32_t sheet) const;

    // CalcContext, for the formula being computed.
    Value cellValue(int32_t sheet, int32_t row, int32_t column) override;
    bool cellNumber(int32_t sheet, int32_t row, int32_t column, double& number) override;
    void forEachValue(const SheetArea& area, const CellVisitor& visit) override;
    std::unique_ptr<CellCursor> readCells(const SheetArea& area, bool handPending) override;
    class AreaCursor;
    // The cell as readCells gives it; false when it reads as blank (a stale formula is noted as
    // missing, as valueOfCell does, unless it is handed over).
    bool entryOf(int32_t sheet, const CellStore& cells, const Cell& cell, bool handPending, CellEntry& entry);
    void noteStaleArraysMeeting(const SheetArea& area);
    std::optional<Area> usedPart(const SheetArea& area) override;
    SheetArea caller() const override;
    bool uses1904Dates() const override { return view_.date1904; }
    std::optional<SheetArea> resolveReference(std::string_view text, bool a1) override;
    std::optional<SheetArea> tableReference(std::string_view text, const SheetArea& from) const;
    int32_t sheetCount() const override { return static_cast<int32_t>(view_.sheets.size()); }
    bool isSubtotalFormula(int32_t sheet, int32_t row, int32_t column) override;
    bool isRowHidden(int32_t sheet, int32_t row) override;
    double now() override;
    double random() override;

    FunctionLookup lookup_;
    WorkbookView view_;
    bool built_ = false;
    bool volatileStale_ = true;
    std::vector<Node, base::LargeBlockAllocator<Node>> nodes_;  // a list's are made all at once
    std::vector<std::vector<uint32_t>> nodeOfFormula_;  // [sheet][formulaId]
    std::vector<AreaListeners> listeners_;             // [sheet]; filled from the first write after a calculation
    bool listening_ = false;
    bool untouched_ = true;  // no formula computed since the workbook was compiled
    std::vector<std::vector<uint32_t>> arrayNodes_;    // [sheet]
    std::vector<uint32_t> volatileNodes_;
    std::unordered_map<std::string, int32_t> sheetByName_;  // upper-case names
    CompileScope scope_;
    std::unordered_map<std::string, Shape> shapes_;  // by the sheet and shape of the formula
    Shape looseShape_;                               // the last formula compiled on its own
    std::unordered_map<uint32_t, std::unique_ptr<const CompiledFormula>> loosePrograms_;  // by node
    std::unordered_map<uint32_t, Area> arrayAreas_;                                        // by node
    std::unordered_map<uint32_t, std::string> problems_;                                   // by node
    std::string shapeKey_;
    std::unordered_map<uint64_t, ColumnMemo> columnMemos_;  // by sheet and column
    struct RecentMemo {
        uint64_t key = UINT64_MAX;
        ColumnMemo* memo = nullptr;  // into columnMemos_, whose entries stay where they are
    };
    std::array<RecentMemo, 8> recentMemos_;
    std::vector<std::optional<std::optional<Area>>> usedAreas_;  // per sheet, per calculation
    // How far a calculation in steps has walked: the sheet, and the stored rows of it done.
    struct Walk {
        int32_t sheet = 0;
        size_t rows = 0;
    };
    std::optional<Walk> walk_;
    // The computation in progress.
    uint32_t current_ = kNoNode;
    std::vector<uint32_t> missing_;  // stale precedents the current evaluation met
    std::vector<uint32_t> stack_;
    std::vector<Value> valueStack_;
    uint64_t evaluations_ = 0;
    std::function<double()> clock_;
    std::function<double()> randomSource_;
    // Seeded at the first random number: seeding costs more than most workbooks' calculation, and
    // most draw none.
    std::optional<std::mt19937_64> generator_;
};

class CalcEngine::SheetShapes {
public:
    bool empty() const { return count_ == 0; }
    const void* operator()(uint32_t formulaId) const {
        if (formulaId >= count_ || nodeOf_[formulaId] == kNoNode) return nullptr;
        const Node& node = records_[nodeOf_[formulaId]];
        return node.program && !node.isArray && node.state != State::Gone ? node.program : nullptr;
    }

private:
    friend class CalcEngine;
    const uint32_t* nodeOf_ = nullptr;
    size_t count_ = 0;
    const Node* records_ = nullptr;
};

}  // namespace tavlora::host::formula
