#include "SheetFixture.h"

#include "host/format/TextWidth.h"

namespace tavlora::host::test {
namespace {

using com::Variant;
using RangeFormatTest = SheetFixture;

TEST_F(RangeFormatTest, CellsWithTheSameFormatShareOneDerivedFormat) {
    uint32_t before = styles().cellFormatCount();
    at("A1:C3").font().setBold(true);
    EXPECT_EQ(styles().cellFormatCount(), before + 1);
    uint32_t bold = sheet->effectiveStyle(1, 1);
    EXPECT_EQ(sheet->effectiveStyle(3, 3), bold);
    at("E5").font().setBold(true);
    EXPECT_EQ(sheet->effectiveStyle(5, 5), bold);
    EXPECT_EQ(styles().cellFormatCount(), before + 1);
    // Undoing the change gives back the original format, not a new one.
    at("E5").font().setBold(false);
    EXPECT_EQ(sheet->effectiveStyle(5, 5), 0u);
}

TEST_F(RangeFormatTest, ChangesStackOnTheExistingFormat) {
    at("B2").setNumberFormatLocal("#,##0.00");
    at("B2").setHorizontalAlignment(align::kRight);
    at("B2").setVerticalAlignment(align::kTop);
    at("B2").font().setName("Arial");
    at("B2").font().setSize(14);
    at("B2").font().setFontStyle("Bold Italic");
    const CellFormatInfo& f = formatAt("B2");
    EXPECT_EQ(f.numberFormat, "#,##0.00");
    EXPECT_EQ(f.horizontal, align::kRight);
    EXPECT_EQ(f.vertical, align::kTop);
    EXPECT_EQ(f.font.name, "Arial");
    EXPECT_EQ(f.font.size, 14);
    EXPECT_TRUE(f.font.bold);
    EXPECT_TRUE(f.font.italic);
    EXPECT_EQ(at("B2").font().fontStyle(), "Bold Italic");
    EXPECT_EQ(at("B2").numberFormatLocal(), "#,##0.00");
    EXPECT_EQ(at("B2").horizontalAlignment(), align::kRight);
    at("B2").font().setFontStyle("regular");
    EXPECT_EQ(at("B2").font().fontStyle(), "Regular");
    at("B2").font().setFontStyle("\xE7\xB2\x97\xE4\xBD\x93");  // Chinese for bold
    EXPECT_EQ(at("B2").font().fontStyle(), "Bold");
    at("B2").font().setFontStyle("\xE5\xB8\xB8\xE8\xA7\x84");  // Chinese for regular
    EXPECT_EQ(at("B2").font().fontStyle(), "Regular");
    EXPECT_EQ(at("B2").font().name(), "Arial");
    // Neighbours keep the default.
    EXPECT_EQ(at("B3").font().name(), "Calibri");
    EXPECT_EQ(at("B3").font().size(), 11);
    EXPECT_EQ(at("B3").numberFormatLocal(), "General");
    EXPECT_EQ(at("B3").verticalAlignment(), align::kBottom);
}

TEST_F(RangeFormatTest, WholeColumnFormatsAllocateNoCells) {
    sheet->range("A:A").setNumberFormatLocal("@");
    sheet->range("C:E").font().setBold(true);
    EXPECT_EQ(storedCells(), 0u);
    EXPECT_TRUE(sheet->store().rows().empty());
    EXPECT_EQ(formatAt("A1048576").numberFormat, "@");
    EXPECT_TRUE(formatAt("D500000").font.bold);
    EXPECT_FALSE(formatAt("B1").font.bold);
}

TEST_F(RangeFormatTest, WholeRowAndSheetFormatsAreStoredOnce) {
    sheet->range("2:3").setHorizontalAlignment(align::kCenter);
    EXPECT_EQ(storedCells(), 0u);
    EXPECT_EQ(sheet->store().rows().size(), 2u);
    EXPECT_EQ(formatAt("XFD3").horizontal, align::kCenter);
    sheet->cells().font().setName("Arial");
    EXPECT_EQ(storedCells(), 0u);
    EXPECT_TRUE(sheet->hasSheetStyle());
    EXPECT_EQ(formatAt("Q99").font.name, "Arial");
    // The rows keep their alignment and take the new font too.
    EXPECT_EQ(formatAt("B2").font.name, "Arial");
    EXPECT_EQ(formatAt("B2").horizontal, align::kCenter);
}

TEST_F(RangeFormatTest, CellsAlreadyInsideAWholeColumnAreRestyled) {
    put("B7", "x");
    at("B7").setHorizontalAlignment(align::kLeft);
    at("B:B").font().setBold(true);
    EXPECT_TRUE(formatAt("B7").font.bold);
    EXPECT_EQ(formatAt("B7").horizontal, align::kLeft);
    // A formatted row crossing the column: the crossing cell gets both.
    at("9:9").setVerticalAlignment(align::kTop);
    at("B:B").setNumberFormatLocal("0.0");
    EXPECT_EQ(formatAt("B9").numberFormat, "0.0");
    EXPECT_EQ(formatAt("B9").vertical, align::kTop);
    EXPECT_EQ(formatAt("C9").numberFormat, "General");
}

TEST_F(RangeFormatTest, NewCellsInFormattedRowsAndColumnsTakeTheirFormat) {
    at("C:C").setNumberFormatLocal("0.00");
    put("C4", "2.5");
    EXPECT_EQ(formatAt("C4").numberFormat, "0.00");
    EXPECT_EQ(text("C4"), "2.50");
    // The row's format comes before the column's; a cell that already has a format keeps it.
    at("6:6").setNumberFormatLocal("0.000");
    put("C6", "2.5");
    put("E6", "1");
    EXPECT_EQ(text("C6"), "2.500");
    EXPECT_EQ(text("E6"), "1.000");
    at("F7").setNumberFormatLocal("0%");
    put("F7", "0.5");
    EXPECT_EQ(text("F7"), "50%");
    // Elsewhere the sheet's format applies, to cells written before and after others in their row.
    sheet->setSheetStyle(sheet->effectiveStyle(6, 3));
    put("H9", "3");
    put("B9", "4");
    EXPECT_EQ(text("H9"), "3.000");
    EXPECT_EQ(text("B9"), "4.000");
}

TEST_F(RangeFormatTest, RowHeightsAndColumnWidths) {
    EXPECT_EQ(at("A5").rowHeight(), 15);
    EXPECT_EQ(at("A5").columnWidth(), 8.43);
    at("5:6").setRowHeight(30);
    at("B:C").setColumnWidth(20);
    EXPECT_EQ(at("A6").rowHeight(), 30);
    EXPECT_EQ(at("C1").columnWidth(), 20);
    EXPECT_EQ(at("D1").columnWidth(), 8.43);
    at("A:A").setRowHeight(12);  // every row of the sheet
    EXPECT_EQ(at("A6").rowHeight(), 12);
    EXPECT_EQ(at("A1000").rowHeight(), 12);
    EXPECT_LE(sheet->store().rows().size(), 2u);
}

TEST_F(RangeFormatTest, RefusedValues) {
    expectError([&] { at("1:1").setRowHeight(410); }, com::hr::kHostError,
                "Unable to set the RowHeight property: 410 is outside 0 to 409 points.");
    expectError([&] { at("A:A").setColumnWidth(-1); }, com::hr::kHostError,
                "Unable to set the ColumnWidth property: -1 is outside 0 to 255 characters.");
    expectError([&] { at("A1").font().setSize(0); }, com::hr::kHostError,
                "Unable to set the Size property of the Font class: 0 is outside 1 to 409 points.");
    expectError([&] { at("A1").font().setFontStyle("Wavy"); }, com::hr::kHostError,
                "Unable to set the FontStyle property of the Font class: \"Wavy\" is not Regular, Bold, Italic or Bold Italic.");
    expectError([&] { at("A1").setHorizontalAlignment(12345); }, com::hr::kHostError,
                "Unable to set the HorizontalAlignment property of the Range class");
    expectError([&] { at("A1:B2").autoFit(); }, com::hr::kHostError,
                "AutoFit works on whole rows or columns: use Range(\"$A$1:$B$2\").Columns or .Rows.");
}

TEST_F(RangeFormatTest, AutoFitColumnsFollowsTextLengthFontAndWideCharacters) {
    put("A1", "1234567890");
    put("B1", "1234567890");
    at("B1").font().setSize(22);
    put("C1", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC");  // five wide characters
    put("D1", "12345");
    put("E1", "ab");
    put("E2", "a much longer text in the same column");
    at("F:F").setColumnWidth(40);  // nothing in it: back to the standard width
    sheet->range("A:F").columns().autoFit();
    double a = at("A1").columnWidth();
    EXPECT_NEAR(a, 10 + 0.3, 0.6);  // ten digits, about one character each
    EXPECT_NEAR(at("B1").columnWidth(), 2 * a, 1.5);
    EXPECT_NEAR(at("C1").columnWidth(), at("A1").columnWidth(), 0.6);  // 5 wide = 10 digits
    EXPECT_LT(at("D1").columnWidth(), a);
    EXPECT_GT(at("E1").columnWidth(), 25);
    EXPECT_EQ(at("F1").columnWidth(), sheet->defaultColumnWidth());
}

TEST_F(RangeFormatTest, AutoFitClampsToTheLimits) {
    put("A1", std::string(2000, 'W'));
    sheet->usedRange().columns().autoFit();
    EXPECT_EQ(at("A1").columnWidth(), 255);
}

TEST_F(RangeFormatTest, AutoFitRowsFromFontSizeAndLines) {
    put("A1", "x");
    at("A1").font().setSize(20);
    put("A2", "small");
    put("A3", "one\ntwo\nthree");
    at("2:2").setRowHeight(50);
    sheet->range("1:3").rows().autoFit();
    EXPECT_EQ(at("A1").rowHeight(), 26.25);
    EXPECT_EQ(at("A2").rowHeight(), 15);  // fitted back from 50
    EXPECT_EQ(at("A3").rowHeight(), 15);  // not wrapped: one line
    EXPECT_DOUBLE_EQ(textwidth::lineHeightPoints(FontInfo{"Calibri", 11}), 15);
    EXPECT_DOUBLE_EQ(textwidth::lineHeightPoints(FontInfo{"Calibri", 13}), 17.25);
}

TEST_F(RangeFormatTest, AutoFitRowsCountsLinesOfWrappedCells) {
    sheet->workbookStore().styles.loadXml(
        R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>)"
        R"(<cellXfs count="2"><xf numFmtId="0" fontId="0"/><xf numFmtId="0" fontId="0" applyAlignment="1"><alignment wrapText="1"/></xf></cellXfs>)"
        R"(</styleSheet>)");
    put("A1", "one\ntwo\nthree");
    sheet->store().find(1, 1)->style = 1;
    sheet->range("1:1").rows().autoFit();
    EXPECT_EQ(at("A1").rowHeight(), 45);
}

}  // namespace
}  // namespace tavlora::host::test

namespace tavlora::host::test {
namespace {

TEST_F(RangeFormatTest, SheetWideBodyFormatThenData) {
    Range all = sheet->cells();
    all.setNumberFormatLocal("@");
    all.setHorizontalAlignment(align::kLeft);
    all.setVerticalAlignment(align::kCenter);
    all.setRowHeight(16);
    all.font().setName("\xE5\xAE\x8B\xE4\xBD\x93");
    all.font().setFontStyle("\xE5\xB8\xB8\xE8\xA7\x84");
    all.font().setSize(10);
    EXPECT_EQ(storedCells(), 0u);
    EXPECT_TRUE(sheet->store().rows().empty());
    EXPECT_EQ(at("C3").rowHeight(), 16);
    put("B2", "00123");
    EXPECT_EQ(get("B2"), Variant("00123"));  // the sheet's text format keeps the zeros
    const CellFormatInfo& f = formatAt("B2");
    EXPECT_EQ(f.font.name, "\xE5\xAE\x8B\xE4\xBD\x93");
    EXPECT_EQ(f.font.size, 10);
    EXPECT_EQ(f.horizontal, align::kLeft);
    EXPECT_EQ(f.vertical, align::kCenter);
    EXPECT_EQ(sheet->effectiveStyle(2, 2), sheet->sheetStyle());
}

}  // namespace
}  // namespace tavlora::host::test
