#include <gtest/gtest.h>

#include "host/formula/FormulaReferences.h"

namespace tavlora::host::formula {
namespace {

std::string deleteRows(std::string_view text, int32_t first, int32_t count, std::string_view host = "Data",
                       std::string_view edited = "Data") {
    return shiftForDeletion(text, Context{host, edited}, Deletion::rows(first, count));
}

std::string deleteColumns(std::string_view text, int32_t first, int32_t count, std::string_view host = "Data",
                          std::string_view edited = "Data") {
    return shiftForDeletion(text, Context{host, edited}, Deletion::columns(first, count));
}

TEST(FormulaReferencesTest, CellsBelowMoveUpAndCellsInsideBecomeRef) {
    EXPECT_EQ(deleteRows("A1+A5+A10", 3, 4), "A1+#REF!+A6");
    EXPECT_EQ(deleteRows("$B$8*2", 3, 4), "$B$4*2");
    EXPECT_EQ(deleteRows("B$8-$C7", 3, 4), "B$4-$C3");
}

TEST(FormulaReferencesTest, AreasSpanningTheBandShrink) {
    EXPECT_EQ(deleteRows("SUM(A1:A10)", 3, 4), "SUM(A1:A6)");
    EXPECT_EQ(deleteRows("SUM(A4:A10)", 3, 4), "SUM(A3:A6)");
    EXPECT_EQ(deleteRows("SUM(A1:A4)", 3, 4), "SUM(A1:A2)");
    EXPECT_EQ(deleteRows("SUM(A3:B6)", 3, 4), "SUM(#REF!)");
    EXPECT_EQ(deleteColumns("SUM(A1:E1)", 2, 2), "SUM(A1:C1)");
    EXPECT_EQ(deleteColumns("$D$2", 2, 2), "$B$2");
}

TEST(FormulaReferencesTest, WholeRowsAndColumns) {
    EXPECT_EQ(deleteRows("SUM(5:9)", 3, 4), "SUM(3:5)");
    EXPECT_EQ(deleteRows("SUM($3:$4)", 3, 4), "SUM(#REF!)");
    EXPECT_EQ(deleteRows("SUM(A:B)", 3, 4), "SUM(A:B)");
    EXPECT_EQ(deleteColumns("SUM(C:$F)", 2, 2), "SUM(B:$D)");
    EXPECT_EQ(deleteColumns("SUM(1:1)", 2, 2), "SUM(1:1)");
}

TEST(FormulaReferencesTest, OnlyReferencesToTheEditedSheetMove) {
    // A formula on another sheet: its own references stay, those naming the edited sheet move.
    EXPECT_EQ(deleteRows("A10+Data!A10+'Data'!B10", 3, 4, "Other"), "A10+Data!A6+'Data'!B6");
    EXPECT_EQ(deleteRows("Other!A10+data!A10", 3, 4, "Data"), "Other!A10+data!A6");
    EXPECT_EQ(deleteRows("'My Sheet'!A10+A10", 3, 4, "Other", "My Sheet"), "'My Sheet'!A6+A10");
    EXPECT_EQ(deleteRows("'It''s'!C4", 3, 1, "x", "It's"), "'It''s'!C3");
    EXPECT_EQ(deleteRows("Data!A4", 3, 4, ""), "Data!#REF!");
    // A defined name's unqualified references are left alone.
    EXPECT_EQ(deleteRows("A10", 3, 4, ""), "A10");
}

TEST(FormulaReferencesTest, LeavesStringsNamesFunctionsAndNumbersAlone) {
    EXPECT_EQ(deleteRows("IF(A10=\"A10\",LOG10(A10),\"x\"\"A10\")", 3, 4), "IF(A6=\"A10\",LOG10(A6),\"x\"\"A10\")");
    EXPECT_EQ(deleteRows("Total_A10+A10B+TRUE+1.5E+10+R1C1", 3, 4), "Total_A10+A10B+TRUE+1.5E+10+R1C1");
    EXPECT_EQ(deleteRows("Table1[Amount]+[1]Data!A10+#REF!+Data!#REF!", 3, 4), "Table1[Amount]+[1]Data!A10+#REF!+Data!#REF!");
    EXPECT_EQ(deleteRows("Sheet1:Sheet3!A10", 3, 4, "Data", "Sheet1"), "Sheet1:Sheet3!A10");
    EXPECT_EQ(deleteRows("", 3, 4), "");
}

TEST(FormulaReferencesTest, AreaListsDropRemovedAreas) {
    auto rows = Deletion::rows(3, 2);
    EXPECT_EQ(shiftAreaList("A1:B10 C3:C4 D5", rows), "A1:B8 D3");
    EXPECT_EQ(shiftAreaList("C3:D4", rows), "");
    EXPECT_EQ(shiftReference("B7", rows), "B5");
    EXPECT_EQ(shiftReference("B4", rows), "");
}

TEST(FormulaReferencesTest, PartialShiftMovesOnlyReferencesWithinTheColumns) {
    Deletion shiftUp{Axis::Rows, 2, 1, 1, 2};
    Context context{"Data", "Data"};
    EXPECT_EQ(shiftForDeletion("A5+B5+C5+A5:B6+A5:C6", context, shiftUp), "A4+B4+C5+A4:B5+A5:C6");
}

TEST(FormulaReferencesTest, RenameAndInvalidateSheets) {
    EXPECT_EQ(renameSheet("Data!A1+'data'!B2+A3+Other!A1", "Data", "Q1 Figures"), "'Q1 Figures'!A1+'Q1 Figures'!B2+A3+Other!A1");
    EXPECT_EQ(renameSheet("'Q1 Figures'!A1", "q1 figures", "Summary"), "Summary!A1");
    EXPECT_EQ(invalidateSheet("SUM(Data!A1:A5)+Other!B1+Data!Total", {"DATA", "", "Other"}), "SUM(#REF!)+Other!B1+#REF!");
}

// Cases the lexer settles for every rewrite alike.
TEST(FormulaReferencesTest, ErrorLiteralsAndQuotedTextAreNeverReferences) {
    // "#GETTING_DATA" is one literal: its "_DATA" is no name and the "!" after it no prefix.
    EXPECT_EQ(deleteRows("IF(A10=#GETTING_DATA,A10,#SPILL!)", 3, 4), "IF(A6=#GETTING_DATA,A6,#SPILL!)");
    EXPECT_EQ(invalidateSheet("Data!#GETTING_DATA+1", {"Data", "", ""}), "#REF!+1");
    // A quoted name that no "!" follows is copied whole, references inside it too.
    EXPECT_EQ(deleteRows("'x A10 y'&A10", 3, 4), "'x A10 y'&A6");
    EXPECT_EQ(renameSheet("'Data'&Data!A1", "Data", "New"), "'Data'&New!A1");
}

TEST(FormulaReferencesTest, RangesOfSeveralAreasAndThreeDRuns) {
    EXPECT_EQ(deleteRows("A1:B10:C20", 3, 4), "A1:B6:C16");
    EXPECT_EQ(deleteRows("SUM(A10 B10:C12)", 3, 4), "SUM(A6 B6:C8)");
    EXPECT_EQ(invalidateSheet("[1]Data!A1+Data!A1", {"Data", "", ""}), "[1]Data!A1+#REF!");
}

// Either end of a run of sheets may be renamed or deleted; the run keeps the sheets left between.
TEST(FormulaReferencesTest, RunsOfSheetsFollowTheirEnds) {
    EXPECT_EQ(renameSheet("SUM(Data:Other!A1)+'Jan:data'!A1+Jan:Feb!A1", "Data", "New"),
              "SUM(New:Other!A1)+Jan:New!A1+Jan:Feb!A1");  // quotes only where needed
    EXPECT_EQ(renameSheet("SUM(Jan:Mar!B2:B9)", "Mar", "Q1 End"), "SUM('Jan:Q1 End'!B2:B9)");
    EXPECT_EQ(renameSheet("SUM('Jan:Q1 End'!B2)", "q1 end", "Mar"), "SUM(Jan:Mar!B2)");
    EXPECT_EQ(renameSheet("SUM('It''s:Mar'!B2)", "Mar", "Q's"), "SUM('It''s:Q''s'!B2)");
    EXPECT_EQ(renameSheet("[1]Jan:Mar!A1", "Jan", "X"), "[1]Jan:Mar!A1");

    const SheetRemoval jan{"Jan", "", "Feb"}, feb{"Feb", "Jan", "Mar"}, mar{"Mar", "Feb", "Summary"};
    EXPECT_EQ(invalidateSheet("SUM(Jan:Mar!B2)", jan), "SUM(Feb:Mar!B2)");
    EXPECT_EQ(invalidateSheet("SUM(Jan:Mar!B2)", mar), "SUM(Jan:Feb!B2)");
    EXPECT_EQ(invalidateSheet("SUM(Jan:Mar!B2)", feb), "SUM(Jan:Mar!B2)");  // a sheet inside goes with no trace
    EXPECT_EQ(invalidateSheet("SUM(Jan:Feb!B2)", jan), "SUM(Feb!B2)");       // one sheet left
    EXPECT_EQ(invalidateSheet("SUM('Q 1:Jan'!B2)", SheetRemoval{"Jan", "Q 2", ""}), "SUM('Q 1:Q 2'!B2)");
    EXPECT_EQ(invalidateSheet("SUM(Jan:Jan!B2)+Jan!A1", jan), "SUM(#REF!)+#REF!");
    // A run ending on the workbook's last sheet written back to front has nothing to end on.
    EXPECT_EQ(invalidateSheet("SUM(Summary:Jan!B2)", SheetRemoval{"Summary", "Mar", ""}), "SUM(#REF!)");
}

}  // namespace
}  // namespace tavlora::host::formula
