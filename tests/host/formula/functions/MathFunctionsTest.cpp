#include <gtest/gtest.h>

#include <cmath>

#include "host/formula/functions/FunctionCall.h"

namespace tavlora::host::formula::testing {
namespace {

// Column A: 1..5; column B the mixed list: 10.5, "text", blank, TRUE, "7", #N/A at B7;
// C: regions; D: amounts.
class MathFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int r = 1; r <= 5; ++r) grid.set(0, r, 1, num(r));
        grid.set(0, 1, 2, num(10.5));
        grid.set(0, 2, 2, text("text"));
        grid.set(0, 4, 2, boolean(true));
        grid.set(0, 5, 2, text("7"));
        grid.set(0, 6, 2, num(-3));
        const char* regions[] = {"East", "West", "east", "North", "West"};
        double amounts[] = {100, 250, 75, 300, 125};
        for (int r = 1; r <= 5; ++r) {
            grid.set(0, r, 3, text(regions[r - 1]));
            grid.set(0, r, 4, num(amounts[r - 1]));
        }
    }
    GridContext grid;
};

TEST_F(MathFunctionsTest, SumCountsNumbersOfReferencesAndWhatDirectArgumentsReadAs) {
    EXPECT_NUMBER(call(grid, "SUM", {range(1, 1, 5, 1)}), 15);
    EXPECT_NUMBER(call(grid, "SUM", {range(1, 2, 6, 2)}), 7.5);  // text, TRUE and "7" in cells pass
    EXPECT_NUMBER(call(grid, "SUM", {text("7"), boolean(true), num(2)}), 10);
    EXPECT_NUMBER(call(grid, "SUM", {row({num(1), text("2"), boolean(true)})}), 1);
    EXPECT_EQ(call(grid, "SUM", {text("abc"), num(1)}), error(ErrorValue::Value));
    EXPECT_NUMBER(call(grid, "PRODUCT", {range(1, 1, 5, 1), text("2")}), 240);
    EXPECT_NUMBER(call(grid, "PRODUCT", {range(2, 2, 3, 2)}), 0);  // nothing to multiply
}

TEST_F(MathFunctionsTest, ListFunctionsGiveTheFirstErrorInRowOrder) {
    grid.set(0, 7, 2, error(ErrorValue::NA));
    grid.set(0, 9, 2, error(ErrorValue::Div0));
    grid.set(0, 8, 1, error(ErrorValue::Value));  // a row above B9: met first
    EXPECT_EQ(call(grid, "SUM", {range(7, 1, 9, 2)}), error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "SUM", {range(8, 1, 9, 2)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "SUM", {num(1), error(ErrorValue::Ref)}), error(ErrorValue::Ref));
}

TEST_F(MathFunctionsTest, WholeColumnsCostOnlyTheirUsedCells) {
    EXPECT_NUMBER(call(grid, "SUM", {column(1)}), 15);
    EXPECT_LE(grid.visitedCells(), 5);
}

TEST_F(MathFunctionsTest, SumIfMatchesOperatorsWildcardsAndLetterCase) {
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 3, 5, 3), text("east"), range(1, 4, 5, 4)}), 175);
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 3, 5, 3), text("W*"), range(1, 4, 5, 4)}), 375);
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 3, 5, 3), text("<>west"), range(1, 4, 5, 4)}), 475);
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 4, 5, 4), text(">=125")}), 675);
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 1, 5, 1), cell(2, 1), range(1, 4, 5, 4)}), 250);
}

TEST_F(MathFunctionsTest, SumIfGivesTheSumRangeTheCriteriaRangesShape) {
    // Only the top left of the sum range counts: D1 stretches to D1:D5.
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 1, 5, 1), text(">3"), cell(1, 4)}), 425);
    EXPECT_NUMBER(call(grid, "SUMIF", {column(1), text(">3"), column(4)}), 425);
}

TEST_F(MathFunctionsTest, SumIfWithBlankMatchingCriteriaOverWholeColumns) {
    // Column E is blank but for E2 = "x": "" picks rows 1, 3, 4, 5 of the amounts.
    grid.set(0, 2, 5, text("x"));
    EXPECT_NUMBER(call(grid, "SUMIF", {column(5), text(""), column(4)}), 600);
    EXPECT_NUMBER(call(grid, "SUMIF", {column(5), text("<>x"), column(4)}), 600);
    EXPECT_NUMBER(call(grid, "SUMIF", {column(5), text("x"), column(4)}), 250);
    EXPECT_LE(grid.visitedCells(), 30);
}

TEST_F(MathFunctionsTest, SumIfPropagatesErrorsOfMatchedSumCellsOnly) {
    grid.set(0, 2, 4, error(ErrorValue::Div0));
    EXPECT_NUMBER(call(grid, "SUMIF", {range(1, 3, 5, 3), text("East"), range(1, 4, 5, 4)}), 175);
    EXPECT_EQ(call(grid, "SUMIF", {range(1, 3, 5, 3), text("West"), range(1, 4, 5, 4)}), error(ErrorValue::Div0));
}

TEST_F(MathFunctionsTest, SumIfsWalksRangesInStep) {
    EXPECT_NUMBER(call(grid, "SUMIFS", {range(1, 4, 5, 4), range(1, 3, 5, 3), text("West"), range(1, 1, 5, 1), text(">2")}),
                  125);
    EXPECT_NUMBER(call(grid, "SUMIFS", {column(4), column(3), text("*t"), column(1), text("<3")}), 350);
    EXPECT_EQ(call(grid, "SUMIFS", {range(1, 4, 5, 4), range(1, 3, 4, 3), text("West")}), error(ErrorValue::Value));
    Value twoAreas = Value::references({SheetArea{0, Area{1, 3, 2, 3}}, SheetArea{0, Area{3, 3, 5, 3}}});
    EXPECT_EQ(call(grid, "SUMIFS", {range(1, 4, 5, 4), twoAreas, text("West")}), error(ErrorValue::Value));
}

TEST_F(MathFunctionsTest, SumProductMultipliesInStepAndFindsErrorsAnywhere) {
    EXPECT_NUMBER(call(grid, "SUMPRODUCT", {range(1, 1, 5, 1), range(1, 4, 5, 4)}), 100 + 500 + 225 + 1200 + 625);
    EXPECT_NUMBER(call(grid, "SUMPRODUCT", {range(1, 2, 6, 2), range(1, 1, 6, 1)}), 10.5);
    EXPECT_NUMBER(call(grid, "SUMPRODUCT", {row({num(1), num(2)}), row({num(3), num(4)})}), 11);
    EXPECT_EQ(call(grid, "SUMPRODUCT", {range(1, 1, 5, 1), range(1, 4, 4, 4)}), error(ErrorValue::Value));
    // The error sits where the other range is blank: still the result.
    grid.set(0, 9, 2, error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "SUMPRODUCT", {range(1, 1, 9, 1), range(1, 2, 9, 2)}), error(ErrorValue::NA));
}

TEST_F(MathFunctionsTest, RoundingWorksAtTheDigitsShown) {
    EXPECT_NUMBER(call(grid, "ROUND", {num(2.675), num(2)}), 2.68);
    EXPECT_NUMBER(call(grid, "ROUND", {num(1.005), num(2)}), 1.01);
    EXPECT_NUMBER(call(grid, "ROUND", {num(-2.5), num(0)}), -3);
    EXPECT_NUMBER(call(grid, "ROUND", {num(1234.5678), num(-2)}), 1200);
    EXPECT_NUMBER(call(grid, "ROUND", {num(3.7), Value::missing()}), 4);
    EXPECT_NUMBER(call(grid, "ROUND", {num(1e300), num(400)}), 1e300);
    EXPECT_NUMBER(call(grid, "ROUND", {num(123), num(-400)}), 0);
    EXPECT_NUMBER(call(grid, "ROUNDUP", {num(-3.2), num(0)}), -4);
    EXPECT_NUMBER(call(grid, "ROUNDUP", {num(0.1 * 3), num(1)}), 0.3);  // 0.30000000000000004 is 0.3
    EXPECT_NUMBER(call(grid, "ROUNDDOWN", {num(31415.92654), num(-2)}), 31400);
    EXPECT_NUMBER(call(grid, "TRUNC", {num(-8.9)}), -8);
    EXPECT_NUMBER(call(grid, "INT", {num(-8.9)}), -9);
    EXPECT_EQ(call(grid, "ROUND", {text("abc"), num(0)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "ROUND", {error(ErrorValue::NA), num(0)}), error(ErrorValue::NA));
}

TEST_F(MathFunctionsTest, MultiplesFollowTheSignRules) {
    EXPECT_NUMBER(call(grid, "MROUND", {num(1.3), num(0.2)}), 1.4);
    EXPECT_NUMBER(call(grid, "MROUND", {num(-10), num(-3)}), -9);
    EXPECT_EQ(call(grid, "MROUND", {num(5), num(-2)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "CEILING", {num(-2.5), num(2)}), -2);
    EXPECT_NUMBER(call(grid, "CEILING", {num(-2.5), num(-2)}), -4);
    EXPECT_NUMBER(call(grid, "CEILING", {num(0.3), num(0.1)}), 0.3);
    EXPECT_EQ(call(grid, "CEILING", {num(2.5), num(-2)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "FLOOR", {num(-2.5), num(2)}), -4);
    EXPECT_NUMBER(call(grid, "FLOOR", {num(-2.5), num(-2)}), -2);
    EXPECT_EQ(call(grid, "FLOOR", {num(2.5), num(0)}), error(ErrorValue::Div0));
    EXPECT_NUMBER(call(grid, "CEILING.MATH", {num(-5.5), num(2), num(-1)}), -6);
    EXPECT_NUMBER(call(grid, "FLOOR.MATH", {num(-5.5), num(2), num(-1)}), -4);
    EXPECT_NUMBER(call(grid, "FLOOR.MATH", {num(-8.1), num(-2)}), -10);
}

TEST_F(MathFunctionsTest, ModTakesTheDivisorsSign) {
    EXPECT_NUMBER(call(grid, "MOD", {num(-10), num(3)}), 2);
    EXPECT_NUMBER(call(grid, "MOD", {num(10), num(-3)}), -2);
    EXPECT_NUMBER(call(grid, "MOD", {num(5.5), num(2)}), 1.5);
    EXPECT_NUMBER(call(grid, "MOD", {num(0.3), num(0.1)}), 0);
    EXPECT_EQ(call(grid, "MOD", {num(1), num(0)}), error(ErrorValue::Div0));
}

TEST_F(MathFunctionsTest, DomainErrorsOfPowersAndLogarithms) {
    EXPECT_EQ(call(grid, "POWER", {num(0), num(0)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "POWER", {num(0), num(-1)}), error(ErrorValue::Div0));
    EXPECT_EQ(call(grid, "POWER", {num(-8), num(1.0 / 3)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "POWER", {num(-2), num(3)}), -8);
    EXPECT_EQ(call(grid, "POWER", {num(10), num(400)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "SQRT", {num(-1)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "EXP", {num(1000)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "LN", {num(0)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "LOG", {num(10), num(1)}), error(ErrorValue::Div0));
    EXPECT_NUMBER(call(grid, "LOG", {num(8), num(2)}), 3);
    EXPECT_NUMBER(call(grid, "LOG", {num(1000)}), 3);
}

TEST_F(MathFunctionsTest, RandomNumbersComeFromTheContext) {
    grid.setRandom(0.999999);
    EXPECT_NUMBER(call(grid, "RAND", {}), 0.999999);
    EXPECT_NUMBER(call(grid, "RANDBETWEEN", {num(1), num(6)}), 6);
    grid.setRandom(0);
    EXPECT_NUMBER(call(grid, "RANDBETWEEN", {num(1.5), num(6)}), 2);
    EXPECT_EQ(call(grid, "RANDBETWEEN", {num(7), num(3)}), error(ErrorValue::Num));
    EXPECT_TRUE(findFunction("RAND")->isVolatile);
}

TEST_F(MathFunctionsTest, SubtotalLeavesOutSubtotalsAndForHundredsHiddenRows) {
    grid.set(0, 6, 1, num(15));
    grid.markSubtotal(0, 6, 1);
    grid.hideRow(0, 2);
    EXPECT_NUMBER(call(grid, "SUBTOTAL", {num(9), range(1, 1, 6, 1)}), 15);
    EXPECT_NUMBER(call(grid, "SUBTOTAL", {num(109), range(1, 1, 6, 1)}), 13);
    EXPECT_NUMBER(call(grid, "SUBTOTAL", {num(102), range(1, 1, 6, 1)}), 4);
    EXPECT_NUMBER(call(grid, "SUBTOTAL", {num(3), range(1, 2, 6, 2)}), 5);
    EXPECT_NUMBER(call(grid, "SUBTOTAL", {num(1), range(1, 1, 6, 1)}), 3);
    EXPECT_EQ(call(grid, "SUBTOTAL", {num(12), range(1, 1, 6, 1)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "SUBTOTAL", {num(1e300), range(1, 1, 6, 1)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "AGGREGATE", {num(9), num(-1e300), range(1, 1, 6, 1)}), error(ErrorValue::Value));
}

TEST_F(MathFunctionsTest, AggregateOptionsLeaveOutErrorsHiddenRowsAndSubtotals) {
    grid.set(0, 6, 1, error(ErrorValue::NA));
    grid.set(0, 7, 1, num(100));
    grid.markSubtotal(0, 7, 1);
    grid.hideRow(0, 5);
    EXPECT_EQ(call(grid, "AGGREGATE", {num(9), num(0), range(1, 1, 7, 1)}), error(ErrorValue::NA));
    EXPECT_NUMBER(call(grid, "AGGREGATE", {num(9), num(2), range(1, 1, 7, 1)}), 15);   // subtotal out
    EXPECT_NUMBER(call(grid, "AGGREGATE", {num(9), num(3), range(1, 1, 7, 1)}), 10);   // and row 5
    EXPECT_NUMBER(call(grid, "AGGREGATE", {num(9), num(6), range(1, 1, 7, 1)}), 115);  // subtotal in
    EXPECT_NUMBER(call(grid, "AGGREGATE", {num(14), num(6), range(1, 1, 7, 1), num(2)}), 5);
    EXPECT_NUMBER(call(grid, "AGGREGATE", {num(16), num(7), range(1, 1, 4, 1), num(0.5)}), 2.5);
    EXPECT_NUMBER(call(grid, "AGGREGATE", {num(3), num(6), range(1, 1, 7, 1)}), 6);
    EXPECT_EQ(call(grid, "AGGREGATE", {num(14), num(6), range(1, 1, 7, 1)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "AGGREGATE", {num(9), num(8), range(1, 1, 7, 1)}), error(ErrorValue::Value));
}

}  // namespace
}  // namespace tavlora::host::formula::testing
