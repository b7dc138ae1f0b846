#include "host/formula/SharedFormula.h"

#include <gtest/gtest.h>

namespace tavlora::host::formula {
namespace {

TEST(SharedFormula, MovesRelativeReferences) {
    EXPECT_EQ(shiftFormula("A1+B2", 1, 0), "A2+B3");
    EXPECT_EQ(shiftFormula("A1+B2", 0, 2), "C1+D2");
    EXPECT_EQ(shiftFormula("SUM(A1:B3)", 2, 1), "SUM(B3:C5)");
    EXPECT_EQ(shiftFormula("CODE(A1)", 0, 6), "CODE(G1)");
}

TEST(SharedFormula, AbsolutePartsStay) {
    EXPECT_EQ(shiftFormula("$A$1+A$1+$A1", 3, 3), "$A$1+D$1+$A4");
    EXPECT_EQ(shiftFormula("SUM($B:B,$2:2)", 1, 1), "SUM($B:C,$2:3)");
}

TEST(SharedFormula, WholeRowsAndColumns) {
    EXPECT_EQ(shiftFormula("SUM(A:A)", 5, 1), "SUM(B:B)");
    EXPECT_EQ(shiftFormula("SUM(1:3)", 2, 7), "SUM(3:5)");
}

TEST(SharedFormula, LeavesNonReferencesAlone) {
    EXPECT_EQ(shiftFormula("\"A1\"&A1", 1, 0), "\"A1\"&A2");                     // text literal
    EXPECT_EQ(shiftFormula("\"say \"\"B2\"\"\"&B2", 1, 0), "\"say \"\"B2\"\"\"&B3");
    EXPECT_EQ(shiftFormula("LOG10(A1)", 1, 0), "LOG10(A2)");                       // function name
    EXPECT_EQ(shiftFormula("'A1 sheet'!B2", 1, 0), "'A1 sheet'!B3");               // quoted sheet
    EXPECT_EQ(shiftFormula("Sheet1!A1+Sales.Q1", 1, 0), "Sheet1!A2+Sales.Q1");     // sheet name, defined name
    EXPECT_EQ(shiftFormula("Table1[Amount]+A1", 1, 0), "Table1[Amount]+A2");     // structured reference
    EXPECT_EQ(shiftFormula("Table1[[#This Row],[B1]]", 1, 1), "Table1[[#This Row],[B1]]");
    EXPECT_EQ(shiftFormula("[1]Data!C3", 1, 0), "[1]Data!C4");                    // external workbook
    EXPECT_EQ(shiftFormula("1E5+A1*2.5e-3", 1, 0), "1E5+A2*2.5e-3");              // exponents are numbers
    EXPECT_EQ(shiftFormula("IF(A1,TRUE,#N/A)", 1, 0), "IF(A2,TRUE,#N/A)");
    EXPECT_EQ(shiftFormula("{1,2;3,4}", 1, 1), "{1,2;3,4}");
    EXPECT_EQ(shiftFormula("XFE1+AAAA1", 1, 0), "XFE1+AAAA1");                   // beyond the grid: names
}

TEST(SharedFormula, ReferencesMovedOffTheGridBecomeRefErrors) {
    EXPECT_EQ(shiftFormula("A1048576", 1, 0), "#REF!");
    EXPECT_EQ(shiftFormula("XFD1+1", 0, 1), "#REF!+1");
    EXPECT_EQ(shiftFormula("A2", -1, 0), "A1");
    EXPECT_EQ(shiftFormula("A1", -1, 0), "#REF!");
}

TEST(SharedFormula, AnAreaThatLeavesTheGridBecomesOneRefError) {
    EXPECT_EQ(shiftFormula("SUM(A1:B1048575)", 2, 0), "SUM(#REF!)");
    EXPECT_EQ(shiftFormula("SUM(Data!A1:A1048576)+'My Data'!B2", 1, 0), "SUM(Data!#REF!)+'My Data'!B3");
}

// Where the two earlier tokenizers read the same text differently, the one lexer decides.
TEST(SharedFormula, ErrorLiteralsWithUnderscoresAndDollarsInNames) {
    EXPECT_EQ(shiftFormula("IF(ISERROR(A1),#GETTING_DATA,B1)", 1, 0), "IF(ISERROR(A2),#GETTING_DATA,B2)");
    EXPECT_EQ(shiftFormula("x$A1+A1$B+A$1", 1, 1), "x$A1+A1$B+B$1");
    EXPECT_EQ(shiftFormula("Sheet1:Sheet3!A1+'Jan 1:Mar 1'!B2", 1, 0), "Sheet1:Sheet3!A2+'Jan 1:Mar 1'!B3");
}

TEST(SharedFormula, NoOffsetIsTheSameText) { EXPECT_EQ(shiftFormula("anything A1 'x", 0, 0), "anything A1 'x"); }

TEST(SharedFormula, UnterminatedQuotesDoNotRunAway) {
    EXPECT_EQ(shiftFormula("\"open A1", 1, 0), "\"open A1");
    EXPECT_EQ(shiftFormula("'open!A1", 1, 0), "'open!A1");
    EXPECT_EQ(shiftFormula("T[[x", 1, 0), "T[[x");
}

}  // namespace
}  // namespace tavlora::host::formula
