// Ranges read in bulk (SUM, AVERAGE, SUMIF, AVERAGEIF, COUNTIF over the engine's cell store): the
// same values, in the same order, and the same precedents as reading cell by cell.
#include <gtest/gtest.h>

#include <vector>

#include "CalcEngineSupport.h"
#include "GridContext.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/CellReader.h"

namespace tavlora::host::formula::testing {
namespace {

class CellReadingTest : public EngineFixture {
protected:
    CellReadingTest() : EngineFixture([](std::string_view name) { return findFunction(name); }) {}

    void putError(const std::string& address, const std::string& text) {
        Cell& c = at(address);
        c.kind = CellKind::Error;
        c.payload.stringId = strings.intern(text);
        changed(address);
    }
    void putBoolean(const std::string& address, bool b) {
        Cell& c = at(address);
        c.kind = CellKind::Boolean;
        c.payload.boolean = b;
        changed(address);
    }
};

TEST_F(CellReadingTest, SumsSkipWhatIsNoNumberAndGiveTheFirstErrorInRowOrder) {
    put("A1", 1);
    putText("A2", "7");
    putBoolean("A3", true);
    put("A5", 2.5);
    formula("A6", "A1*4");
    putText("B1", "x");
    formula("B2", "\"text\"");
    EXPECT_EQ(eval("SUM(A1:A10)"), number(7.5));
    EXPECT_EQ(eval("SUM(A:B)"), number(7.5));
    EXPECT_EQ(eval("AVERAGE(A1:A10)"), number(2.5));
    EXPECT_EQ(eval("COUNT(A1:B10)"), number(3));
    EXPECT_EQ(eval("MAX(A2:B6,1.5)"), number(4));
    putError("B4", "#N/A");
    formula("A8", "1/0");
    // B4 comes before A8 row by row, though A8's column is further left.
    EXPECT_EQ(eval("SUM(A1:B10)"), error(ErrorValue::NA));
    EXPECT_EQ(eval("SUM(A5:B10)"), error(ErrorValue::Div0));
}

TEST_F(CellReadingTest, AreasStartAndEndInsideRowsAndSkipGaps) {
    // Rows with cells left and right of the area, a row without any in it, gaps inside.
    for (int r = 1; r <= 6; ++r)
        for (const char* column : {"A", "B", "D", "F", "G"})
            if (r != 3) put(std::string(column) + std::to_string(r), r * 10 + (column[0] - 'A'));
    put("C5", 1000);
    EXPECT_EQ(eval("SUM(B2:F5)"), number((21 + 23 + 25) + (41 + 43 + 45) + (51 + 53 + 55) + 1000));
    EXPECT_EQ(eval("SUM(C1:C6)"), number(1000));
    EXPECT_EQ(eval("SUM(E1:E6)"), number(0));
    EXPECT_EQ(eval("COUNTIF(A1:G6,\">50\")"), number(4 + 5 + 1));
}

// A formula below its sum is computed first, wherever the walk meets it.
TEST_F(CellReadingTest, FormulasNotComputedYetAreComputedBeforeTheSum) {
    formula("A1", "SUM(B1:B200)");
    for (int r = 1; r <= 200; ++r) {
        put("C" + std::to_string(r), r);
        formula("B" + std::to_string(r), "C" + std::to_string(r) + "*2");
    }
    EXPECT_EQ(value("A1"), number(200 * 201));
    put("C100", 0);
    EXPECT_EQ(value("A1"), number(200 * 201 - 200));
}

TEST_F(CellReadingTest, CriteriaAndSumRangeAreReadInStep) {
    const char* regions[] = {"East", "West", "east", "North"};
    for (int r = 2; r <= 101; ++r) {
        const std::string row = std::to_string(r);
        putText("B" + row, regions[r % 4]);
        if (r % 5 != 0) put("C" + row, r);  // gaps in the sum range
        formula("E" + row, "C" + row + "*2");
    }
    putText("E50", "a text");  // overwritten formula: a text in the sum range is passed over
    double sum = 0, count = 0, doubled = 0;
    for (int r = 2; r <= 101; ++r)
        if (r % 4 == 0 || r % 4 == 2) {
            if (r % 5 != 0) {
                sum += r;
                ++count;
            }
            if (r != 50) doubled += r % 5 != 0 ? 2 * r : 0;
        }
    EXPECT_EQ(eval("SUMIF(B2:B101,\"east\",C2:C101)"), number(sum));
    EXPECT_EQ(eval("AVERAGEIF(B2:B101,\"EAST\",C2:C101)"), number(sum / count));
    // The sum range given by its top left cell takes the criteria range's shape.
    EXPECT_EQ(eval("SUMIF(B2:B101,\"East\",E2)"), number(doubled));
    double notWest = 0;
    for (int r = 2; r <= 101; ++r)
        if (r % 4 != 1 && r % 5 != 0) notWest += r;
    EXPECT_EQ(eval("SUMIF(B:B,\"<>West\",C:C)"), number(notWest));
    EXPECT_EQ(eval("COUNTIF(B2:B101,\"e*\")"), number(50));
    putError("C3", "#REF!");  // B3 is North: not summed, so no error
    EXPECT_EQ(eval("SUMIF(B2:B101,\"east\",C2:C101)"), number(sum));
    putError("C4", "#NUM!");  // B4 is east
    EXPECT_EQ(eval("SUMIF(B2:B101,\"east\",C2:C101)"), error(ErrorValue::Num));
}

// Only the cells of the sum range where the criterion holds are read: a formula there that reads
// the total back, in a row the criterion rejects, is no circular reference.
TEST_F(CellReadingTest, OnlyMatchedCellsOfTheSumRangeArePrecedents) {
    putText("B2", "x");
    putText("B3", "y");
    putText("B4", "x");
    put("C2", 5);
    formula("C3", "E1*2");
    formula("C4", "C2+1");
    formula("E1", "SUMIF(B2:B4,\"x\",C2:C4)");
    EXPECT_EQ(value("E1"), number(11));
    EXPECT_EQ(value("C3"), number(22));
    EXPECT_EQ(engine.problemAt(0, 1, 5), "");
    // In a matching row the same formula is a cycle, and both keep their values.
    putText("B3", "x");
    EXPECT_EQ(value("E1"), number(11));
    EXPECT_EQ(engine.problemAt(0, 1, 5), "a circular reference");
}

// The comparison on a cell read in bulk gives what the comparison on its value gives.
TEST(CriterionOnEntries, AgreesWithTheValueComparison) {
    const std::vector<Value> cells{Value::number(3),        Value::number(-0.5),     Value::text("3"),
                                   Value::text("East"),     Value::text("EAST"),     Value::text(""),
                                   Value::text("Eastern"),  Value::boolean(true),    Value::boolean(false),
                                   Value::error(ErrorValue::NA), Value::text("2024-01-31")};
    const std::vector<Value> criteria{Value::number(3),       Value::text("3"),      Value::text("<>3"),
                                      Value::text("east"),    Value::text("=East"),  Value::text("<>east"),
                                      Value::text("e*"),      Value::text("?ast"),   Value::text(""),
                                      Value::text("="),       Value::text("<>"),     Value::text(">2"),
                                      Value::text("<=East"),  Value::text("TRUE"),   Value::boolean(false),
                                      Value::text("#N/A"),    Value::text("2024-01-31"), Value::text("<>e*")};
    for (const Value& criterion : criteria) {
        const Criterion c(criterion, false);
        for (const Value& cell : cells)
            EXPECT_EQ(c.matches(cellEntryOf(cell)), c.matches(cell))
                << "criterion " << (criterion.isText() ? criterion.asText() : "?") << " cell "
                << (cell.isText() ? cell.asText() : "?");
    }
}

// A context of its own gets a cursor made from forEachValue: the same cells, in batches.
TEST(CellReaderOverAnyContext, GivesForEachValuesCellsInBatches) {
    GridContext grid;
    for (int r = 1; r <= 150; ++r) grid.set(0, r, 2, Value::number(r));
    grid.set(0, 7, 1, Value::text("left of the area"));
    grid.set(0, 8, 2, Value::text("t"));
    functions::CellReader reader(grid, SheetArea{0, Area{2, 2, 149, 2}});
    std::vector<int32_t> rows;
    size_t batches = 0;
    for (auto batch = reader.nextBatch(); !batch.empty(); batch = reader.nextBatch()) {
        ++batches;
        for (const CellEntry& cell : batch) {
            rows.push_back(cell.row);
            if (cell.row == 8) EXPECT_EQ(cell.text, "t");
            else EXPECT_EQ(cell.number, cell.row);
        }
    }
    EXPECT_EQ(rows.size(), 148u);
    EXPECT_EQ(rows.front(), 2);
    EXPECT_EQ(rows.back(), 149);
    EXPECT_EQ(batches, 3u);
}

}  // namespace
}  // namespace tavlora::host::formula::testing
