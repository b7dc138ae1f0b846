#include "SheetFixture.h"



namespace tavlora::host::test {
namespace {

using com::Variant;
using RangeEditingTest = SheetFixture;

uint32_t putFormula(Worksheet& sheet, int32_t row, int32_t column, const std::string& text) {
    Formula f;
    f.text = text;
    Cell& cell = sheet.store().cellAt(row, column);
    cell.kind = CellKind::Formula;
    cell.payload.formulaId = sheet.store().addFormula(f);
    return cell.payload.formulaId;
}

std::string formulaAt(Worksheet& sheet, int32_t row, int32_t column) {
    const Cell* cell = sheet.store().find(row, column);
    if (!cell || cell->kind != CellKind::Formula) return "(none)";
    return sheet.store().formulas()[cell->payload.formulaId].text;
}


TEST_F(RangeEditingTest, ClearRemovesValuesFormatsAndMerges) {
    put("A1", "keep");
    put("B2", "x");
    at("B2:C3").setHorizontalAlignment(align::kCenter);
    at("B2:C3").merge();
    at("E5:F6").merge();
    at("B2:C2").clear();
    EXPECT_TRUE(get("B2").isEmpty());
    EXPECT_EQ(formatAt("B2").horizontal, align::kGeneral);
    EXPECT_EQ(formatAt("C3").horizontal, align::kCenter);
    EXPECT_EQ(get("A1"), Variant("keep"));
    ASSERT_EQ(sheet->mergedAreas().size(), 1u);
    EXPECT_EQ(sheet->mergedAreas()[0], *parseA1("E5:F6"));
}

TEST_F(RangeEditingTest, ClearingWholeColumnsDropsColumnFormats) {
    at("B:C").setNumberFormatLocal("0.00");
    at("A:A").font().setBold(true);
    at("B:B").clear();
    EXPECT_EQ(formatAt("B9").numberFormat, "General");
    EXPECT_EQ(formatAt("C9").numberFormat, "0.00");
    EXPECT_TRUE(formatAt("A9").font.bold);
    sheet->cells().clear();
    EXPECT_EQ(formatAt("C9").numberFormat, "General");
    EXPECT_FALSE(formatAt("A9").font.bold);
}

TEST_F(RangeEditingTest, DeletingRowsMovesCellsHeightsMergesAndFormats) {
    for (int r = 1; r <= 8; ++r) put("A" + std::to_string(r), r);
    at("7:7").setRowHeight(33);
    at("6:6").font().setBold(true);
    at("B7:C8").merge();  // below the band: moves up
    at("B3:C4").merge();  // inside the band: goes
    at("D2:D5").merge();  // spans the band: shrinks
    at("3:4").deleteCells();
    EXPECT_EQ(get("A3"), Variant(5.0));
    EXPECT_EQ(get("A6"), Variant(8.0));
    EXPECT_TRUE(get("A7").isEmpty());
    EXPECT_EQ(at("A5").rowHeight(), 33);
    EXPECT_TRUE(formatAt("Z4").font.bold);
    ASSERT_EQ(sheet->mergedAreas().size(), 2u);
    EXPECT_EQ(sheet->mergedAreas()[0], *parseA1("B5:C6"));
    EXPECT_EQ(sheet->mergedAreas()[1], *parseA1("D2:D3"));
}

TEST_F(RangeEditingTest, DeletingColumnsMovesWidthsAndColumnFormats) {
    put("A1", "a");
    put("D1", "d");
    at("D:D").setColumnWidth(20);
    at("E:E").setNumberFormatLocal("@");
    at("B:C").deleteCells();
    EXPECT_EQ(get("B1"), Variant("d"));
    EXPECT_EQ(at("B1").columnWidth(), 20);
    EXPECT_EQ(at("D1").columnWidth(), sheet->defaultColumnWidth());
    EXPECT_EQ(formatAt("C100").numberFormat, "@");
}

TEST_F(RangeEditingTest, DeletingRowsShiftsFormulasOnEverySheetAndNames) {
    auto other = book->addWorksheet(nullptr, sheet.get());
    sheet->setName("Data");
    putFormula(*sheet, 1, 2, "SUM(A2:A10)+A10+$A$3");
    putFormula(*other, 1, 1, "Data!A10+A10+'Data'!A3");
    book->definedNames().push_back({"Total", "Data!$A$2:$A$10", -1, ""});
    book->definedNames().push_back({"Gone", "Data!$A$3:$A$4", -1, ""});
    at("3:4").deleteCells();
    EXPECT_EQ(formulaAt(*sheet, 1, 2), "SUM(A2:A8)+A8+#REF!");
    EXPECT_EQ(formulaAt(*other, 1, 1), "Data!A8+A10+'Data'!#REF!");
    EXPECT_EQ(book->definedNames()[0].formula, "Data!$A$2:$A$8");
    EXPECT_EQ(book->definedNames()[1].formula, "Data!#REF!");
}

TEST_F(RangeEditingTest, DeletingColumnsShiftsFormulasThatMoveWithTheirCells) {
    put("E1", 5);
    putFormula(*sheet, 2, 5, "E1*2+A1");
    at("B:C").deleteCells();
    EXPECT_EQ(formulaAt(*sheet, 2, 3), "C1*2+A1");
}

TEST_F(RangeEditingTest, DeletingAPartialAreaShiftsCellsUpInItsColumns) {
    for (int r = 1; r <= 4; ++r) {
        put("A" + std::to_string(r), r);
        put("B" + std::to_string(r), r * 10);
    }
    putFormula(*sheet, 6, 3, "A4+B4");
    at("A2:A3").deleteCells();
    EXPECT_EQ(get("A2"), Variant(4.0));
    EXPECT_TRUE(get("A3").isEmpty());
    EXPECT_EQ(get("B3"), Variant(30.0));
    EXPECT_EQ(formulaAt(*sheet, 6, 3), "A2+B4");
    at("A6:B7").merge();
    expectError([&] { at("A5").deleteCells(); }, com::hr::kHostError,
                "Delete: cannot shift cells up through the merged cells $A$6:$B$7.");
}

// Records what the workbook tells its listeners, as one line per call.
struct RecordingListener : KeptPackage {
    explicit RecordingListener(std::string who, std::vector<std::string>& calls) : who(std::move(who)), calls(calls) {}
    void cellsDeleted(const Worksheet& sheet, const formula::Deletion& d) override {
        calls.push_back(who + ": " + sheet.name() + (d.axis == formula::Axis::Rows ? " rows " : " columns ") +
                        std::to_string(d.first) + "+" + std::to_string(d.count) + " in " +
                        std::to_string(d.spanFirst) + ".." + std::to_string(d.spanLast));
    }
    void sheetDeleted(const Workbook&, const Sheet& sheet, const formula::SheetRemoval&) override { calls.push_back(who + ": deleted " + sheet.name()); }
    void sheetRenamed(const Workbook&, const Sheet& sheet, const std::string& oldName) override {
        calls.push_back(who + ": renamed " + oldName + " to " + sheet.name());
    }
    std::string who;
    std::vector<std::string>& calls;
};

TEST(EditListeners, HearWhatMovedTheApplicationsFirstThenTheFileLayers) {
    std::vector<std::string> calls;
    HostServices services;
    services.editListeners.push_back(std::make_shared<RecordingListener>("app", calls));
    auto app = Application::create(std::move(services));
    auto book = app->add();
    book->keptPackage() = std::make_shared<RecordingListener>("file", calls);
    auto sheet = book->worksheets().front();
    sheet->range("2:4").deleteCells();
    sheet->range("C:C").deleteCells();
    sheet->range("B2:C3").deleteCells();
    sheet->setName("Data");
    auto other = book->addWorksheet();  // takes the free default name Sheet1
    other->deleteSheet();
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "app: Sheet1 rows 2+3 in 1..16384", "file: Sheet1 rows 2+3 in 1..16384",
                         "app: Sheet1 columns 3+1 in 1..1048576", "file: Sheet1 columns 3+1 in 1..1048576",
                         "app: Sheet1 rows 2+2 in 2..3", "file: Sheet1 rows 2+2 in 2..3",
                         "app: renamed Sheet1 to Data", "file: renamed Sheet1 to Data",
                         "app: deleted Sheet1", "file: deleted Sheet1"}));
    app->quit();
}

TEST(EditListeners, AnApplicationWithoutFileFormatsSaysSoOnOpenAndSave) {
    auto app = Application::create({});
    auto book = app->add();
    expectError([&] { app->open("book.xlsx"); }, com::hr::kHostError, "This application reads and writes no files.");
    expectError([&] { book->saveAs("book.xlsx"); }, com::hr::kHostError, "This application reads and writes no files.");
}

TEST_F(RangeEditingTest, MergeKeepsTheTopLeftValueAndAbsorbsTouchingMerges) {
    put("A1", "top");
    put("B2", "gone");
    at("B2:C3").merge();
    at("A1:B2").merge();
    ASSERT_EQ(sheet->mergedAreas().size(), 1u);
    EXPECT_EQ(sheet->mergedAreas()[0], *parseA1("A1:C3"));
    EXPECT_EQ(get("A1"), Variant("top"));
    EXPECT_TRUE(get("B2").isEmpty());
    at("D4").merge();
    EXPECT_EQ(sheet->mergedAreas().size(), 1u);
}

}  // namespace
}  // namespace tavlora::host::test
