#include "SheetFixture.h"

#include <sstream>

#include "host/xlsx/KeptXmlShifting.h"

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

std::string xmlText(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.print(out, "", pugi::format_raw);
    return out.str();
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

TEST_F(RangeEditingTest, DeletingRowsShiftsTheKeptWorksheetXml) {
    const char* xml =
        "<worksheet>"
        "<sheetViews><sheetView><pane topLeftCell=\"A4\"/><selection activeCell=\"B3\" sqref=\"B3:B4\"/></sheetView></sheetViews>"
        "<autoFilter ref=\"A1:C10\"/>"
        "<conditionalFormatting sqref=\"A5:A9 C3\"><cfRule type=\"expression\"><formula>A5&gt;$B$9</formula></cfRule></conditionalFormatting>"
        "<conditionalFormatting sqref=\"D3:D4\"><cfRule type=\"expression\"><formula>D3</formula></cfRule></conditionalFormatting>"
        "<dataValidations count=\"2\"><dataValidation sqref=\"E6\"><formula1>$F$5:$F$9</formula1></dataValidation>"
        "<dataValidation sqref=\"E3\"/></dataValidations>"
        "<hyperlinks><hyperlink ref=\"G4\"/></hyperlinks>"
        "<rowBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"3\"/><brk id=\"8\"/></rowBreaks>"
        "</worksheet>";
    ASSERT_TRUE(sheet->keptXml().load_string(xml));
    at("3:4").deleteCells();
    EXPECT_EQ(xmlText(sheet->keptXml()),
              "<worksheet>"
              "<sheetViews><sheetView><pane topLeftCell=\"A3\"/><selection activeCell=\"B3\" sqref=\"B3\"/></sheetView></sheetViews>"
              "<autoFilter ref=\"A1:C8\"/>"
              "<conditionalFormatting sqref=\"A3:A7\"><cfRule type=\"expression\"><formula>A3&gt;$B$7</formula></cfRule></conditionalFormatting>"
              "<dataValidations count=\"1\"><dataValidation sqref=\"E4\"><formula1>$F$3:$F$7</formula1></dataValidation></dataValidations>"
              "<rowBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"6\"/></rowBreaks>"
              "</worksheet>");
}

TEST_F(RangeEditingTest, ExtensionConditionalFormatsMoveToo) {
    const char* xml =
        "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\"><extLst><ext><x14:conditionalFormattings>"
        "<x14:conditionalFormatting><x14:cfRule><xm:f>Data!$B$9</xm:f></x14:cfRule><xm:sqref>B9</xm:sqref></x14:conditionalFormatting>"
        "<x14:conditionalFormatting><xm:sqref>B3</xm:sqref></x14:conditionalFormatting>"
        "</x14:conditionalFormattings></ext></extLst></worksheet>";
    ASSERT_TRUE(sheet->keptXml().load_string(xml));
    shiftKeptWorksheetXml(sheet->keptXml(), "Data", formula::Deletion::rows(3, 2));
    EXPECT_EQ(xmlText(sheet->keptXml()),
              "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\"><extLst><ext><x14:conditionalFormattings>"
              "<x14:conditionalFormatting><x14:cfRule><xm:f>Data!$B$7</xm:f></x14:cfRule><xm:sqref>B7</xm:sqref></x14:conditionalFormatting>"
              "</x14:conditionalFormattings></ext></extLst></worksheet>");
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

struct RecordingPackage : KeptPackage {
    void rowsDeleted(const Worksheet& sheet, int32_t first, int32_t count) override {
        calls.push_back(sheet.name() + " rows " + std::to_string(first) + "+" + std::to_string(count));
    }
    void columnsDeleted(const Worksheet& sheet, int32_t first, int32_t count) override {
        calls.push_back(sheet.name() + " columns " + std::to_string(first) + "+" + std::to_string(count));
    }
    void cellsShiftedUp(const Worksheet& sheet, const Area& removed) override {
        calls.push_back(sheet.name() + " up " + areaAddress(removed));
    }
    std::vector<std::string> calls;
};

TEST_F(RangeEditingTest, TellsTheFileLayerWhatMoved) {
    auto kept = std::make_shared<RecordingPackage>();
    book->keptPackage() = kept;
    at("2:4").deleteCells();
    at("C:C").deleteCells();
    at("B2:C3").deleteCells();
    EXPECT_EQ(kept->calls,
              (std::vector<std::string>{"Sheet1 rows 2+3", "Sheet1 columns 3+1", "Sheet1 up $B$2:$C$3"}));
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
