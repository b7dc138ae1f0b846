#include "CalcEngineSupport.h"

namespace tavlora::host::formula::testing {
namespace {

using Graph = EngineFixture;

TEST_F(Graph, AWriteRecomputesItsDependantsOnly) {
    put("A1", 2);
    formula("B1", "A1*10");
    formula("C1", "B1+1");
    formula("D1", "5");
    EXPECT_EQ(value("C1"), number(21));
    engine.calculate();
    uint64_t before = engine.evaluations();
    put("A1", 3);
    EXPECT_EQ(value("C1"), number(31));
    EXPECT_EQ(engine.evaluations() - before, 2u);  // B1 and C1, not D1
    before = engine.evaluations();
    put("Q9", 1);
    engine.calculate();
    EXPECT_EQ(engine.evaluations(), before);
}

TEST_F(Graph, AreaListenersCoverWholeColumnsAndRows) {
    formula("B1", "SUMT(A:A)");
    formula("B2", "SUMT(5:5)");
    formula("B3", "SUMT(C10:E20)");
    engine.calculate();
    put("A1000000", 4);
    put("Z5", 6);
    put("E20", 8);
    put("F20", 100);  // outside every listened area
    EXPECT_EQ(value("B1"), number(4));
    EXPECT_EQ(value("B2"), number(6));
    EXPECT_EQ(value("B3"), number(8));
}

TEST_F(Graph, ReadingComputesPrecedentsFirstInAnyOrder) {
    // The totals sit above the rows they add up, and read formulas further down.
    formula("A1", "SUMT(C2:C6)");
    for (int r = 2; r <= 6; ++r) {
        put("B" + std::to_string(r), r);
        formula("C" + std::to_string(r), "B" + std::to_string(r) + "*2");
    }
    engine.calculate();
    EXPECT_EQ(value("A1"), number(40));
    put("B6", 0);
    EXPECT_EQ(value("A1"), number(28));
}

TEST_F(Graph, ALongChainNeedsNoDeepStack) {
    const int rows = 30000;
    put("A1", 1);
    for (int r = 2; r <= rows; ++r) formula("A" + std::to_string(r), "A" + std::to_string(r - 1) + "+1");
    // Asked for the last link first: every precedent is found stale on the way down.
    EXPECT_EQ(value("A" + std::to_string(rows)), number(rows));
    put("A1", 10);
    EXPECT_EQ(value("A" + std::to_string(rows)), number(rows + 9));
}

// Formulas of cells and + - * / are computed on plain numbers when the cells hold numbers; every
// other cell sends them through the application's rules.
TEST_F(Graph, ArithmeticOnCellsKeepsTheApplicationsRules) {
    put("A1", 6);
    put("A2", 0);
    putText("A3", "4");
    putText("A4", "x");
    at("A6").kind = CellKind::Boolean;
    at("A6").payload.boolean = true;
    at("A7").kind = CellKind::Error;
    at("A7").payload.stringId = strings.intern("#N/A");
    const std::pair<const char*, Value> cases[] = {
        {"A1*A3", number(24)},                       // numeric text is coerced
        {"A1/A2", error(ErrorValue::Div0)},
        {"A1*A4", error(ErrorValue::Value)},
        {"A1+A5", number(6)},                        // a blank cell is 0
        {"-A5+A1/-3", number(-2)},
        {"A6*2", number(2)},                         // TRUE is 1
        {"A7+1", error(ErrorValue::NA)},
        {"A1*1E308*10", error(ErrorValue::Num)},     // overflow
        {"0.1+0.2-0.3", number(0)},                  // the result's last bits are dropped
        {"(0.1+0.2-0.3)*1", number(0.1 + 0.2 - 0.3)},  // but only for the result
        {"A1*0.1+A1*0.2-A1*0.3", number(0)},
        {"+A1", number(6)},
    };
    int row = 1;
    for (const auto& [text, expected] : cases) {
        const std::string cell = "B" + std::to_string(row++);
        formula(cell, text);
        EXPECT_EQ(value(cell), expected) << text;
    }
    // Precedents not computed yet, read last link first, and a formula cell with no value.
    formula("C1", "C2+1");
    formula("C2", "C3*2");
    formula("C3", "A1-B4");
    formula("C4", "C5+1");
    formula("C5", "C4+1");
    EXPECT_EQ(value("C1"), number(1));
    EXPECT_EQ(value("C4"), Value());
    put("A1", 7);
    EXPECT_EQ(value("C1"), number(1));  // B4 moved with A1
    put("A5", 3);
    EXPECT_EQ(value("C1"), number(-5));
}

// A full calculation walks each sheet row by row and computes arithmetic on the spot, reading cells
// near the walked row; whatever the walk cannot settle there (precedents further down, cells that
// need coercion, rows and columns with gaps, other sheets, formulas no cell holds any more) must
// come out as reading each cell alone gives it, with every formula evaluated once when its
// precedents come before it.
TEST_F(Graph, ACalculationInSheetOrderGivesWhatReadingCellByCellGives) {
    put("A1", 6);
    putText("A2", "4");
    putText("A3", "x");
    put("A9", 2);     // rows 4 to 8 missing: the walk cannot find row 9 by its distance
    put("Z9", 3);     // nor column Z by its place in the row
    put("B2", 5, 1);  // on the other sheet
    formula("B1", "A1*C1");  // C1 comes later in the walk
    formula("C1", "A1+A9");
    formula("D1", "A1*A2");  // numeric text
    formula("E1", "A1*A3");  // #VALUE!
    formula("F1", "A9*Z9+'Other Sheet'!B2");
    formula("G1", "B12+1");  // the end of a chain further down
    formula("H1", "A1/A5");  // #DIV/0!
    formula("I1", "G1-H1");  // an error operand
    for (int r = 10; r <= 14; ++r) {
        const std::string n = std::to_string(r), above = std::to_string(r - 1);
        formula("B" + n, r == 10 ? "A9" : "B" + above + "*2");
        formula("C" + n, "B" + n + "+C" + above);  // C9 is blank
    }
    formula("X9", "Y9+1");
    engine.calculate();
    // 19 formulas; B1 and G1 are evaluated again once their precedents are, and so are B12 and
    // B11, whose precedents G1 found stale one by one.
    EXPECT_EQ(engine.evaluations(), 23u);
    const std::pair<const char*, Value> expected[] = {
        {"B1", number(48)}, {"C1", number(8)}, {"D1", number(24)}, {"E1", error(ErrorValue::Value)},
        {"F1", number(11)}, {"G1", number(9)}, {"H1", error(ErrorValue::Div0)}, {"I1", error(ErrorValue::Div0)},
        {"B14", number(32)}, {"C14", number(62)}, {"X9", number(1)},
    };
    for (const auto& [cell, v] : expected) EXPECT_EQ(value(cell), v) << cell;
    EXPECT_EQ(engine.evaluations(), 23u);  // the walk left nothing for the reads to compute
    // A write makes dependants stale; a formula overwritten meanwhile is not computed.
    put("A9", 1);
    put("C1", 100);
    engine.calculate();
    EXPECT_EQ(engine.evaluations(), 23u + 17u);
    const std::pair<const char*, Value> after[] = {
        {"B1", number(600)}, {"C1", number(100)}, {"C14", number(31)}, {"G1", number(5)}, {"F1", number(8)},
    };
    for (const auto& [cell, v] : after) EXPECT_EQ(value(cell), v) << cell;
}

// A save computes a sheet's rows as it lays them out: each step must leave every formula of the
// rows it passed computed (with whatever they read further down or on a later sheet), compute
// nothing twice, and end with what one calculate() gives.
TEST_F(Graph, ACalculationInStepsComputesTheRowsItPassed) {
    double next = 0.25;
    engine.setRandom([&] { return next; });
    auto fill = [&] {
        put("A1", 3);
        formula("B1", "B4*2");                    // reads a row the steps reach later
        formula("C1", "'Other Sheet'!A2+1");      // and a later sheet
        formula("B2", "A1*10");
        formula("C2", "RANDT()*4");
        formula("B3", "B2+B1");
        formula("B4", "A1+1");
        formula("A2", "Main!B3*100", 1);
        formula("B2", "A2+1", 1);
    };
    fill();
    engine.startCalculation();
    engine.calculateRows(0, 1);
    EXPECT_EQ(formulaAt("B1").cachedNumber, 8);
    EXPECT_EQ(formulaAt("C1").cachedNumber, 3801);  // B3 and B2 were computed for it
    EXPECT_EQ(formulaAt("B4").cachedKind, CellKind::Number);
    EXPECT_EQ(formulaAt("C2").cachedKind, CellKind::Empty);  // its row comes later
    EXPECT_EQ(formulaAt("B2", 1).cachedKind, CellKind::Empty);
    engine.calculateRows(0, 2);
    EXPECT_EQ(formulaAt("C2").cachedNumber, 1);
    engine.calculateRows(0, 1);  // going back does nothing
    engine.finishCalculation();
    EXPECT_EQ(formulaAt("B2", 1).cachedNumber, 3801);
    const uint64_t inSteps = engine.evaluations();
    // Ending the steps computes no volatile formula again: the save's values stay the cells' values.
    next = 0.5;
    engine.finishCalculation();
    EXPECT_EQ(engine.evaluations(), inSteps);
    EXPECT_EQ(value("C2"), number(1));

    // The same workbook computed at once evaluates as many formulas to the same values.
    cells = {};
    reset();
    next = 0.25;
    const uint64_t before = engine.evaluations();
    fill();
    engine.calculate();
    EXPECT_EQ(engine.evaluations() - before, inSteps);
    const std::pair<const char*, double> expected[] = {{"B1", 8}, {"C1", 3801}, {"B3", 38}, {"C2", 1}};
    for (const auto& [cell, v] : expected) EXPECT_EQ(formulaAt(cell).cachedNumber, v) << cell;
}

// Steps nobody started compute nothing, and a write ends the steps: what they did not reach stays
// stale and is computed when read.
TEST_F(Graph, AWriteEndsACalculationInSteps) {
    put("A1", 1);
    formula("B1", "A1+1");
    formula("B2", "A1+2");
    engine.calculateRows(0, 2);
    EXPECT_EQ(engine.evaluations(), 0u);
    engine.startCalculation();
    engine.calculateRows(0, 1);
    put("A1", 10);
    engine.calculateRows(0, 2);
    engine.finishCalculation();
    EXPECT_EQ(formulaAt("B2").cachedKind, CellKind::Empty);
    EXPECT_EQ(value("B2"), number(12));
    EXPECT_EQ(value("B1"), number(11));
}

// SUMIF and its kin read the criteria range and then the target only where a criterion held; both
// may hold formulas not computed yet, here below the totals that read them.
TEST_F(Graph, CriteriaOverFormulasNotComputedYet) {
    CalcEngine real;  // the worksheet functions
    WorkbookView view;
    view.sheets = {{"Main", &cells[0]}};
    view.strings = &strings;
    real.setWorkbook(view);
    for (int r = 2; r <= 7; ++r) {
        const std::string n = std::to_string(r);
        put("A" + n, r - 1);
        formula("B" + n, "IF(A" + n + ">2,\"East\",\"West\")");
        formula("E" + n, "A" + n + "*10");
    }
    formula("F1", "AVERAGEIF(B2:B7,\"east\",E2:E7)");
    formula("G1", "SUMIF(B2:B7,\"<>East\",E2:E7)");
    formula("H1", "SUMIF(B2:B7,\"West\")");  // no target: the criteria range, text, adds nothing
    real.calculate();
    EXPECT_EQ(formulaAt("F1").cachedNumber, 45);
    EXPECT_EQ(formulaAt("G1").cachedNumber, 30);
    EXPECT_EQ(formulaAt("H1").cachedNumber, 0);
    at("A3").payload.number = 5;
    real.valuesChanged(0, Area::cell(3, 1));
    real.calculate();
    EXPECT_EQ(formulaAt("F1").cachedNumber, 46);
    EXPECT_EQ(formulaAt("G1").cachedNumber, 10);
}

TEST_F(Graph, ACycleKeepsItsValuesAndNeverHangs) {
    formula("A1", "B1+1");
    formula("B1", "A1+1");
    formula("C1", "A1*2");
    formula("D1", "D1");
    formulaAt("A1").cachedKind = CellKind::Number;
    formulaAt("A1").cachedNumber = 7;
    engine.calculate();
    EXPECT_EQ(value("A1"), number(7));
    EXPECT_EQ(value("B1"), Value());  // no value before, none now
    EXPECT_EQ(value("C1"), number(14));
    EXPECT_NE(engine.problemAt(0, 1, 1), "");
    EXPECT_NE(engine.problemAt(0, 1, 4), "");
    // Breaking the cycle computes it again.
    formula("B1", "5");
    EXPECT_EQ(value("A1"), number(6));
    EXPECT_EQ(value("C1"), number(12));
}

TEST_F(Graph, VolatileFormulasComputeOnEveryCalculation) {
    double next = 0.25;
    engine.setRandom([&] { return next; });
    formula("A1", "RANDT()");
    formula("B1", "A1*4");
    formula("C1", "7");
    EXPECT_EQ(value("B1"), number(1));
    engine.calculate();
    next = 0.5;
    EXPECT_EQ(value("B1"), number(1));  // no calculation in between: unchanged
    uint64_t before = engine.evaluations();
    engine.calculate();
    EXPECT_EQ(value("B1"), number(2));
    EXPECT_EQ(engine.evaluations() - before, 2u);  // A1 and B1, not C1
}

TEST_F(Graph, ReferencesNamedByTextAreResolvedAndFollowed) {
    put("B2", 5);
    put("C3", 9);
    put("B2", 7, 1);
    names = {{"Corner", "Main!$C$3", -1}};
    reset();
    EXPECT_EQ(eval("REFT(\"B2\")"), number(5));
    EXPECT_EQ(eval("REFT(\"'Other Sheet'!B2\")"), number(7));
    EXPECT_EQ(eval("REFT(\"Corner\")"), number(9));
    EXPECT_EQ(eval("REFT(\"Nowhere!B2\")"), error(ErrorValue::Ref));
    EXPECT_EQ(eval("REFT(\"B0\")"), error(ErrorValue::Ref));
    formula("A1", "REFT(\"R[1]C[1]\",FALSE)");  // relative to A1: B2
    EXPECT_EQ(value("A1"), number(5));
    formula("A2", "REFT(\"R3C3\",FALSE)*2");
    EXPECT_EQ(value("A2"), number(18));
    // A volatile reference is followed to a formula computed first.
    formula("D1", "C3+1");
    formula("A3", "REFT(\"D1\")");
    EXPECT_EQ(value("A3"), number(10));
    put("C3", 1);
    EXPECT_EQ(value("A3"), number(2));
}

TEST_F(Graph, OverwrittenFormulasAndStructuralChanges) {
    put("A1", 1);
    formula("B1", "A1+1");
    formula("C1", "B1*3");
    EXPECT_EQ(value("C1"), number(6));
    put("B1", 10);  // the formula is gone; its dependant reads the value
    EXPECT_EQ(value("C1"), number(30));
    formula("B1", "A1+2");  // and a formula again
    EXPECT_EQ(value("C1"), number(9));
    reset();  // the workbook changed its structure: everything is compiled and computed again
    put("A1", 2);
    EXPECT_EQ(value("C1"), number(12));
}

// A formula rewritten in place (its entry reused, as a worksheet does) is compiled again: an array
// formula's own program is replaced while the array's other cells still find their anchor, and a
// reason to keep the file's value goes away with the formula that had it.
TEST_F(Graph, FormulasRewrittenInPlaceDropWhatTheyHad) {
    put("A1", 2);
    put("A2", 3);
    arrayFormula("C1:C2", "A1:A2*10");
    engine.formulaChanged(0, 1, 3);
    EXPECT_EQ(value("C2"), number(30));
    formulaAt("C1").text = "A1:A2*100";
    engine.formulaChanged(0, 1, 3);
    EXPECT_EQ(value("C2"), number(300));
    EXPECT_EQ(value("C1"), number(200));
    put("A2", 4);
    EXPECT_EQ(value("C2"), number(400));

    formula("E1", "NOSUCH(1)");
    formulaAt("E1").cachedKind = CellKind::Number;
    formulaAt("E1").cachedNumber = 5;
    EXPECT_EQ(value("E1"), number(5));
    EXPECT_NE(engine.problemAt(0, 1, 5), "");
    formulaAt("E1").text = "A1+1";
    engine.formulaChanged(0, 1, 5);
    EXPECT_EQ(value("E1"), number(3));
    EXPECT_EQ(engine.problemAt(0, 1, 5), "");
    formulaAt("E1").text = "NOSUCH(2)";
    engine.formulaChanged(0, 1, 5);
    EXPECT_EQ(value("E1"), number(3));  // what it had last
    EXPECT_NE(engine.problemAt(0, 1, 5), "");
}

// Copies of a formula down a column share one compiled program; each must still read, and
// listen to, the cells of its own row.
TEST_F(Graph, CopiesOfAFormulaReadAndListenToTheirOwnCells) {
    const int rows = 40;
    put("A1", 1000);
    for (int r = 2; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        put("A" + n, r);
        put("B" + n, r, 1);
        formula("C" + n, "A" + n + "*2");
        formula("D" + n, "SUMT($A$2:A" + n + ")");  // a running total: the area grows with the row
        formula("E" + n, "A" + n + "+$A$1+'Other Sheet'!B" + n);
        formula("F" + n, "C" + n + "-A" + std::to_string(r - 1));  // reads the row above
    }
    engine.calculate();
    EXPECT_EQ(value("C7"), number(14));
    EXPECT_EQ(value("D2"), number(2));
    EXPECT_EQ(value("D5"), number(2 + 3 + 4 + 5));
    EXPECT_EQ(value("E9"), number(9 + 1000 + 9));
    EXPECT_EQ(value("F2"), number(4 - 1000));
    EXPECT_EQ(value("F30"), number(60 - 29));
    const uint64_t before = engine.evaluations();
    put("A20", 0);
    // C20, E20, F20 and F21 read the cell, and the running totals from D20 down.
    EXPECT_EQ(value("C20"), number(0));
    EXPECT_EQ(value("F21"), number(42));
    EXPECT_EQ(value("D" + std::to_string(rows)), number((rows * (rows + 1)) / 2 - 1 - 20));
    engine.calculate();
    EXPECT_EQ(engine.evaluations() - before, 4u + (rows - 20 + 1));
    // A copy rewritten with a formula of its own leaves the others alone.
    formula("C8", "A8*3");
    put("B8", 1, 1);
    EXPECT_EQ(value("C8"), number(24));
    EXPECT_EQ(value("C9"), number(18));
    EXPECT_EQ(value("E8"), number(8 + 1000 + 1));
}

// "Sales" over B2:E6: header row 2, data rows 3 to 5, totals row 6; column E doubles Qty.
TEST_F(Graph, StructuredReferencesReadTheirTables) {
    TableDefinition sales;
    sales.name = "Sales";
    sales.area = Area{2, 2, 6, 5};
    sales.totalsRows = 1;
    sales.columns = {"Region", "Unit Price", "Qty", "Double"};
    tables = {sales};
    reset();
    for (int r = 3; r <= 5; ++r) {
        const std::string n = std::to_string(r);
        put("C" + n, r * 10);
        put("D" + n, r);
        formula("E" + n, r == 3 ? "Sales[[#This Row],[Qty]]*2" : "[@Qty]*2");
    }
    formula("D6", "SUMT(Sales[Qty])");
    formula("G1", "SUMT(sales[[#totals],[QTY]])");
    formula("G2", "SUMT(Sales[[Unit Price]:[Qty]])");
    formula("G3", "SUMT(Sales)");
    formula("G4", "SUMT(Sales[Amount])");
    formula("G5", "SUMT(Nothing[Qty])");
    formula("G6", "Sales[@Qty]");  // outside the table's rows
    formula("G7", "SUMT(Sales[Double])");
    EXPECT_EQ(value("E4"), number(8));
    EXPECT_EQ(value("E5"), number(10));
    EXPECT_EQ(value("D6"), number(12));
    EXPECT_EQ(value("G1"), number(12));
    EXPECT_EQ(value("G2"), number(120 + 12));
    EXPECT_EQ(value("G3"), number(120 + 12 + 24));
    EXPECT_EQ(value("G4"), error(ErrorValue::Ref));
    EXPECT_EQ(value("G5"), error(ErrorValue::Ref));
    EXPECT_EQ(value("G6"), error(ErrorValue::Value));
    EXPECT_EQ(value("G7"), number(24));
    put("D4", 100);
    EXPECT_EQ(value("G1"), number(108));
    EXPECT_EQ(value("G7"), number(216));
}

// INDIRECT reads a structured reference in its text as the application does: through the tables
// the workbook has, "[@Qty]" from the formula's own row, a table or column that is not there #REF!.
TEST_F(Graph, ReferenceTextsNameTableParts) {
    TableDefinition sales;
    sales.name = "Sales";
    sales.area = Area{2, 2, 6, 5};
    sales.totalsRows = 1;
    sales.columns = {"Region", "Unit Price", "Qty", "Double"};
    tables = {sales};
    reset();
    for (int r = 3; r <= 5; ++r) {
        put("C" + std::to_string(r), r * 10);
        put("D" + std::to_string(r), r);
    }
    put("D6", 1000);  // the totals row: not data
    formula("G1", "SUMT(REFT(\"Sales[Qty]\"))");
    formula("G2", "SUMT(REFT(\"sales[[#Totals],[Qty]]\"))");
    formula("G3", "SUMT(REFT(\"Sales\"))");
    formula("G4", "REFT(\"Sales[Amount]\")");
    formula("G5", "REFT(\"Nothing[Qty]\")");
    formula("E4", "REFT(\"[@Qty]\")*2");    // inside the table, its own row
    formula("G6", "REFT(\"Sales[@Qty]\")");  // outside the table's rows
    formula("G7", "SUMT(REFT(\"Sales[[Unit Price]:[Qty]]\"))");
    EXPECT_EQ(value("G1"), number(12));
    EXPECT_EQ(value("G2"), number(1000));
    EXPECT_EQ(value("G3"), number(120 + 12 + 8));
    EXPECT_EQ(value("G4"), error(ErrorValue::Ref));
    EXPECT_EQ(value("G5"), error(ErrorValue::Ref));
    EXPECT_EQ(value("E4"), number(8));
    EXPECT_EQ(value("G6"), error(ErrorValue::Ref));
    EXPECT_EQ(value("G7"), number(120 + 12));
    // The text's reference is followed like any other: a write there recomputes the formula.
    put("D5", 50);
    EXPECT_EQ(value("G1"), number(3 + 4 + 50));
}

// A workbook compiled at once takes a column's copies from the formula above them. Columns B, J
// and R, and column B of the other sheet, are remembered in one place and asked in turn on every
// row: one column's memo taken for another's would give J the shape of B (the same text, read one
// column to the left) and read the I column.
TEST_F(Graph, CopiesCompiledAtOnceKeepTheShapeOfTheirOwnColumn) {
    const auto shapeAt = [&](const std::string& address, int sheet = 0) {
        return engine.formulaShape(sheet, at(address, sheet).payload.formulaId);
    };
    for (int r = 2; r <= 12; ++r) {
        const std::string n = std::to_string(r);
        put("A" + n, r);
        put("I" + n, 1000);
        put("A" + n, 10 * r, 1);
        formula("B" + n, "A" + n + "*2");
        formula("J" + n, "A" + n + "*2");
        formula("R" + n, "A" + n + "*2");
        formula("B" + n, "A" + n + "*2", 1);
    }
    EXPECT_TRUE(engine.formulaShapes(0).empty());  // nothing compiled yet
    engine.calculate();
    for (const std::string n : {"2", "7", "12"}) {
        EXPECT_EQ(value("B" + n), value("J" + n));
        EXPECT_EQ(value("R" + n), number(2 * std::stoi(n)));
        EXPECT_EQ(value("B" + n, 1), number(20 * std::stoi(n)));
    }
    EXPECT_EQ(shapeAt("B3"), shapeAt("B12"));
    EXPECT_EQ(shapeAt("J3"), shapeAt("J12"));
    EXPECT_NE(shapeAt("B3"), shapeAt("J3"));
    EXPECT_NE(shapeAt("J3"), shapeAt("R3"));
    EXPECT_NE(shapeAt("B3"), shapeAt("B3", 1));  // one text, two sheets
    const CalcEngine::SheetShapes shapes = engine.formulaShapes(0);
    EXPECT_EQ(shapes(at("J5").payload.formulaId), shapeAt("J5"));
    EXPECT_EQ(shapes(1u << 30), nullptr);
    EXPECT_TRUE(engine.formulaShapes(7).empty());

    // Given the workbook again, the engine forgets its memos and compiles every copy again.
    reset();
    formula("J13", "A13*2");
    put("A13", 13);
    engine.calculate();
    EXPECT_EQ(value("J13"), number(26));
    EXPECT_EQ(value("J4"), number(8));
    EXPECT_EQ(shapeAt("J13"), shapeAt("J4"));
}

// Copies met while compiling at once are what their first formula is: volatile with it, or kept
// with their file's values when it cannot be compiled.
TEST_F(Graph, CopiesCompiledAtOnceKeepTheirFirstFormulasKind) {
    double next = 0.25;
    engine.setRandom([&] { return next; });
    for (int r = 1; r <= 6; ++r) {
        const std::string n = std::to_string(r);
        put("A" + n, r);
        formula("B" + n, "RANDT()+A" + n);
        formula("C" + n, "NOSUCH(A" + n + ")");
        formulaAt("C" + n).cachedKind = CellKind::Number;
        formulaAt("C" + n).cachedNumber = 7;
    }
    engine.calculate();
    EXPECT_EQ(value("B6"), number(6.25));
    next = 0.5;
    engine.calculate();
    EXPECT_EQ(value("B2"), number(2.5));
    EXPECT_EQ(value("B6"), number(6.5));
    EXPECT_EQ(value("C5"), number(7));
    EXPECT_NE(engine.problemAt(0, 5, 3), "");
    EXPECT_EQ(engine.formulaShape(0, at("C5").payload.formulaId), nullptr);
}

// The walk computes a column's copies of an arithmetic formula by reading its cells at their
// distance from each copy: every shape of such a formula, and every cell it cannot settle on plain
// numbers (text, a blank divisor, a precedent further down, a fixed cell, an overflow), must come
// out as the full evaluation gives it.
TEST_F(Graph, CopiesOfArithmeticReadTheirOwnRowsCells) {
    put("B1", 3);
    for (int r = 2; r <= 9; ++r) {
        const std::string n = std::to_string(r), above = std::to_string(r - 1), below = std::to_string(r + 1);
        put("A" + n, r);
        if (r != 5) put("B" + n, 0.5 * r);  // B5 blank
        formula("C" + n, "A" + n + "*B" + n);
        formula("D" + n, r == 2 ? "C2" : "D" + above + "+C" + n);  // a running total
        formula("E" + n, "A" + n);
        formula("F" + n, "2/B" + n);
        formula("G" + n, "A" + n + "*$B$1");
        formula("H" + n, "A" + n + "+B" + n + "-C" + n);
        formula("I" + n, "-A" + n);
        formula("J" + n, "H" + below + "*2");  // H10 blank, the others computed later in the walk
        formula("K" + n, "A" + n + "*1E308*10");
        formula("L" + n, "B" + n + "*0.1+B" + n + "*0.2-B" + n + "*0.3");
    }
    putText("B7", "4");  // numeric text is coerced
    putText("A8", "x");
    engine.calculate();
    for (int r = 2; r <= 9; ++r) {
        const std::string n = std::to_string(r);
        SCOPED_TRACE(n);
        const double a = r, b = r == 5 ? 0 : r == 7 ? 4 : 0.5 * r;
        if (r == 8) {
            for (const char* column : {"C", "D", "G", "H", "I", "K"})
                EXPECT_EQ(value(column + n), error(ErrorValue::Value)) << column;
            EXPECT_EQ(value("E8"), Value::text("x"));
            continue;
        }
        EXPECT_EQ(value("C" + n), number(a * b));
        EXPECT_EQ(value("E" + n), number(a));
        EXPECT_EQ(value("F" + n), r == 5 ? error(ErrorValue::Div0) : number(2 / b));
        EXPECT_EQ(value("G" + n), number(a * 3));
        EXPECT_EQ(value("H" + n), number(a + b - a * b));
        EXPECT_EQ(value("I" + n), number(-a));
        EXPECT_EQ(value("K" + n), error(ErrorValue::Num));
        EXPECT_EQ(value("L" + n), number(0));
    }
    double running = 0;
    for (int r = 2; r <= 7; ++r) running += r * (r == 5 ? 0 : r == 7 ? 4 : 0.5 * r);
    EXPECT_EQ(value("D7"), number(running));
    EXPECT_EQ(value("D9"), error(ErrorValue::Value));  // D8's error runs on
    EXPECT_EQ(value("J2"), number(2 * (3 + 1.5 - 4.5)));
    EXPECT_EQ(value("J7"), error(ErrorValue::Value));
    EXPECT_EQ(value("J9"), number(0));
    // A write recomputes a copy through the same path.
    put("B3", 2);
    engine.calculate();
    EXPECT_EQ(value("C3"), number(6));
    EXPECT_EQ(value("D3"), number(2 * 1 + 6));
}

}  // namespace
}  // namespace tavlora::host::formula::testing
