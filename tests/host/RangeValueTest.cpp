#include <utility>

#include "SheetFixture.h"
#include "host/CellWrites.h"

namespace tavlora::host::test {
namespace {

using com::Variant;
using RangeValueTest = SheetFixture;

TEST_F(RangeValueTest, NumericTextBecomesANumberUnlessTheCellIsText) {
    put("A1", "12.5");
    put("A2", " -3E2 ");
    put("A3", "12a");
    EXPECT_EQ(get("A1"), Variant(12.5));
    EXPECT_EQ(get("A2"), Variant(-300.0));
    EXPECT_EQ(get("A3"), Variant("12a"));
    at("B1:B2").setNumberFormatLocal("@");
    put("B1", "0012");
    EXPECT_EQ(get("B1"), Variant("0012"));
    // The column's text format counts too.
    sheet->range("C:C").setNumberFormatLocal("@");
    put("C7", "42");
    EXPECT_EQ(get("C7"), Variant("42"));
}

TEST_F(RangeValueTest, NumericTextBeyondTheDoubleRangeStaysText) {
    const std::string digits(400, '9');
    put("A1", "7E400");
    put("A2", "-1e999");
    put("A3", digits);
    EXPECT_EQ(get("A1"), Variant("7E400"));
    EXPECT_EQ(get("A2"), Variant("-1e999"));
    EXPECT_EQ(get("A3"), Variant(digits));
    // Too small to tell from zero is still a number.
    put("A4", "1E-400");
    EXPECT_EQ(get("A4"), Variant(0.0));
}

TEST_F(RangeValueTest, TextStartingWithEqualsStaysText) {
    put("A1", "=SUM(B1:B3)");
    EXPECT_EQ(get("A1"), Variant("=SUM(B1:B3)"));
    EXPECT_EQ(sheet->store().find(1, 1)->kind, CellKind::String);
    EXPECT_TRUE(sheet->store().formulas().empty());
}

TEST_F(RangeValueTest, OtherTypesAndClearingByEmpty) {
    put("A1", true);
    put("A2", int32_t(7));
    put("A3", Variant::error(com::hr::runtime(2042)));
    EXPECT_EQ(get("A1"), Variant(true));
    EXPECT_EQ(get("A2"), Variant(7.0));
    EXPECT_EQ(get("A3"), Variant::error(com::hr::runtime(2042)));
    EXPECT_EQ(text("A3"), "#N/A");
    put("A2", Variant());
    EXPECT_TRUE(get("A2").isEmpty());
    EXPECT_EQ(sheet->store().find(2, 1), nullptr);
    put("A1", Variant::null());
    EXPECT_TRUE(get("A1").isEmpty());
}

TEST_F(RangeValueTest, DatesGoInAsSerialsAndComeBackAsDates) {
    put("A1", Variant::date(45292));  // 2024-01-01
    EXPECT_EQ(sheet->store().find(1, 1)->payload.number, 45292);
    EXPECT_EQ(get("A1"), Variant::date(45292));
    EXPECT_EQ(formatAt("A1").numberFormat, "m/d/yyyy");
    EXPECT_EQ(text("A1"), "1/1/2024");
    put("A2", Variant::date(0.75));
    EXPECT_EQ(formatAt("A2").numberFormat, "h:mm:ss");
    // A time of day alone stays one: not a time on 1899-12-31.
    EXPECT_EQ(sheet->store().find(2, 1)->payload.number, 0.75);
    EXPECT_EQ(get("A2"), Variant::date(0.75));
    EXPECT_EQ(text("A2"), "18:00:00");
    // A number in a date-formatted cell reads as a date; the same number elsewhere stays a number.
    put("B1", 45000);
    at("B1").setNumberFormatLocal("yyyy-mm-dd");
    EXPECT_EQ(get("B1"), Variant::date(45000));
    put("B2", 45000);
    EXPECT_EQ(get("B2"), Variant(45000.0));
    // Before March 1900 the cell's calendar counts a day the automation calendar does not.
    put("C1", Variant::date(32));  // 1900-01-31
    EXPECT_EQ(sheet->store().find(1, 3)->payload.number, 31);
    EXPECT_EQ(get("C1"), Variant::date(32));
}

TEST_F(RangeValueTest, DatesInA1904Workbook) {
    sheet->workbookStore().styles.setUses1904Dates(true);
    put("A1", Variant::date(45292));
    EXPECT_EQ(sheet->store().find(1, 1)->payload.number, 45292 - 1462);
    EXPECT_EQ(get("A1"), Variant::date(45292));
    EXPECT_EQ(text("A1"), "1/1/2024");
}

TEST_F(RangeValueTest, WritingAnAreaFillsEveryCell) {
    put("B2:C3", "x");
    EXPECT_EQ(storedCells(), 4u);
    EXPECT_EQ(get("C3"), Variant("x"));
    expectError([&] { put("A:A", "x"); }, com::hr::kHostError,
                "Range(\"$A:$A\").Value: writing more than 1,000,000 cells at once is not supported.");
    expectError([&] { put("A1", Variant::array({Variant(1.0)})); }, com::hr::kTypeMismatch,
                "Type mismatch: a range value must be a single value.");
}

// Fillers write single cells without a Range each; what they write, refuse and tell the
// calculation must be what Cells(row, column).Value = v does.
TEST_F(RangeValueTest, SingleCellWritesWithoutARangeActAsCellsValue) {
    at("A3").setFormula("=A1*2");
    setCellValue(*sheet, 1, 1, Variant(" 21 "));
    EXPECT_EQ(get("A1"), Variant(21.0));
    EXPECT_EQ(get("A3"), Variant(42.0));  // the calculation was told
    setCellValue(*sheet, 1, 2, Variant::date(45292));
    EXPECT_EQ(text("B1"), "1/1/2024");
    at("C1").setNumberFormatLocal("@");
    setCellValue(*sheet, 1, 3, Variant("0012"));
    EXPECT_EQ(get("C1"), Variant("0012"));
    setCellValue(*sheet, 1, 3, Variant());
    EXPECT_EQ(get("C1"), Variant());
    EXPECT_EQ(formatAt("C1").numberFormat, "@");  // emptied, its format kept
    expectError([&] { setCellValue(*sheet, 1, 4, Variant::array({Variant(1.0)})); }, com::hr::kTypeMismatch,
                "Type mismatch: a range value must be a single value.");
    for (auto [row, column] : {std::pair{0, 1}, std::pair{1048577, 1}, std::pair{1, 0}, std::pair{1, 16385}}) {
        std::string expected;
        try {
            (void)sheet->cell(row, column);
        } catch (const com::Error& error) {
            expected = error.what();
        }
        ASSERT_FALSE(expected.empty());
        expectError([&] { setCellValue(*sheet, row, column, Variant(1.0)); }, com::hr::kHostError, expected);
    }
    EXPECT_EQ(storedCells(), 4u);  // A1, B1, C1 (formatted), A3: nothing made by the refused writes
}

TEST_F(RangeValueTest, AddressRowColumnCountAndCells) {
    Range area = at("b5:c7");
    EXPECT_EQ(area.address(), "$B$5:$C$7");
    EXPECT_EQ(area.row(), 5);
    EXPECT_EQ(area.column(), 2);
    EXPECT_EQ(area.count(), 6);
    EXPECT_EQ(area.columns().count(), 2);
    EXPECT_EQ(area.rows().count(), 3);
    EXPECT_EQ(area.cell(2, 3).address(), "$D$6");
    EXPECT_EQ(sheet->cells().count(), int64_t(kMaxRows) * kMaxColumns);
    EXPECT_EQ(sheet->cells().columns().count(), kMaxColumns);
    EXPECT_EQ(sheet->cell(1048576, 16384).address(), "$XFD$1048576");
    EXPECT_EQ(at("1:2").address(), "$1:$2");
    EXPECT_EQ(at("a:a").address(), "$A:$A");
}

TEST_F(RangeValueTest, BadAddressesAndCellsOutsideTheSheet) {
    expectError([&] { at("A0"); }, com::hr::kHostError, "Range(\"A0\"): not a valid cell reference.");
    expectError([&] { sheet->cell(0, 1); }, com::hr::kHostError,
                "Cells(0, 1): row 0 is outside the sheet (1 to 1048576).");
    expectError([&] { sheet->cell(1, 16385); }, com::hr::kHostError,
                "Cells(1, 16385): column 16385 is outside the sheet (1 to 16384).");
    expectError([&] { at("XFD1").cell(1, 2); }, com::hr::kHostError, "Cells(1, 2): the cell lies outside the sheet.");
}

TEST_F(RangeValueTest, ALoneRowOrColumnIsNoAddress) {
    // A word of up to three letters reads as a column ("ID" is column 238) and a number as a row,
    // but neither alone is an address; whole rows and columns are written as pairs.
    for (const char* text : {"C", "3", "id", "foo", "$C", "$3"})
        expectError([&] { at(text); }, com::hr::kHostError, std::string("Range(\"") + text + "\"): not a valid cell reference.");
    expectError([&] { app->range("id"); }, com::hr::kHostError,
                "Range(\"id\"): not a valid cell reference.");
    EXPECT_EQ(at("C:C").address(), "$C:$C");
    EXPECT_EQ(at("3:3").address(), "$3:$3");
    EXPECT_EQ(at("c3").address(), "$C$3");
}

TEST_F(RangeValueTest, UsedRangeSpansTheFirstToTheLastUsedCell) {
    EXPECT_EQ(sheet->usedRange().address(), "$A$1");
    put("C3", 1.0);
    put("E9", "x");
    EXPECT_EQ(sheet->usedRange().address(), "$C$3:$E$9");
    at("B20").setHorizontalAlignment(align::kCenter);
    EXPECT_EQ(sheet->usedRange().address(), "$B$3:$E$20");
}

TEST_F(RangeValueTest, GlobalRangeResolvesAgainstTheActiveSheet) {
    auto second = book->addWorksheet(nullptr, sheet.get());
    book->setActiveSheet(*second);
    app->range("B2").setValue("here");
    EXPECT_EQ(second->range("B2").value(), Variant("here"));
    EXPECT_TRUE(get("B2").isEmpty());
    expectError([&] { app->range("nope"); }, com::hr::kHostError, "Range(\"nope\"): not a valid cell reference.");
}

TEST_F(RangeValueTest, SheetQualifiedReferencesAndDefinedNames) {
    auto second = book->addWorksheet(nullptr, sheet.get());
    second->setName("My Data");
    book->definedNames().push_back({"Totals", "'My Data'!$B$2:$C$3", -1, ""});
    book->definedNames().push_back({"Here", "Sheet1!$D$4", -1, ""});
    book->setActiveSheet(*sheet);
    EXPECT_EQ(app->range("'my data'!B7").worksheet(), second);
    EXPECT_EQ(app->range("'My Data'!B7").address(), "$B$7");
    EXPECT_EQ(app->range("totals").worksheet(), second);
    EXPECT_EQ(app->range("Totals").address(), "$B$2:$C$3");
    EXPECT_EQ(at("Sheet1!A2").address(), "$A$2");
    EXPECT_EQ(at("Here").address(), "$D$4");
    expectError([&] { at("Totals"); }, com::hr::kHostError,
                "Range(\"Totals\"): the reference is not on sheet 'Sheet1'.");
    expectError([&] { app->range("Missing!A1"); }, com::hr::kHostError, "Range(\"Missing!A1\"): not a valid cell reference.");
}

}  // namespace
}  // namespace tavlora::host::test
