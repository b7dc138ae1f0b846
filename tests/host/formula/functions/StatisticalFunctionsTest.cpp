#include <gtest/gtest.h>

#include "host/formula/functions/FunctionCall.h"

namespace tavlora::host::formula::testing {
namespace {

// A: 1..10; B: 10.5, "text", blank, TRUE, "7", -3, 0; C: blank, "", 0, blank, " "; D: regions.
class StatisticalFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int r = 1; r <= 10; ++r) grid.set(0, r, 1, num(r));
        grid.set(0, 1, 2, num(10.5));
        grid.set(0, 2, 2, text("text"));
        grid.set(0, 4, 2, boolean(true));
        grid.set(0, 5, 2, text("7"));
        grid.set(0, 6, 2, num(-3));
        grid.set(0, 7, 2, num(0));
        grid.set(0, 2, 3, text(""));
        grid.set(0, 3, 3, num(0));
        grid.set(0, 5, 3, text(" "));
        const char* regions[] = {"East", "West", "east", "North", "West"};
        for (int r = 1; r <= 5; ++r) grid.set(0, r, 4, text(regions[r - 1]));
    }
    GridContext grid;
};

TEST_F(StatisticalFunctionsTest, CountingKinds) {
    EXPECT_NUMBER(call(grid, "COUNT", {range(1, 2, 7, 2)}), 3);
    EXPECT_NUMBER(call(grid, "COUNT", {num(1), text("2"), boolean(true), text("x"), error(ErrorValue::NA)}), 3);
    EXPECT_NUMBER(call(grid, "COUNT", {row({num(1), text("2"), boolean(true)})}), 1);
    EXPECT_NUMBER(call(grid, "COUNTA", {range(1, 2, 7, 2)}), 6);
    EXPECT_NUMBER(call(grid, "COUNTA", {range(1, 3, 5, 3)}), 3);  // the empty text counts
    EXPECT_NUMBER(call(grid, "COUNTA", {num(1), Value::missing()}), 2);
    EXPECT_NUMBER(call(grid, "COUNTBLANK", {range(1, 3, 5, 3)}), 3);  // the empty text too
    EXPECT_NUMBER(call(grid, "COUNTBLANK", {column(3)}), kMaxRows - 2);
    EXPECT_LE(grid.visitedCells(), 30);  // not the million cells of column C
}

TEST_F(StatisticalFunctionsTest, CountIfOverBlanksAndEmptyTexts) {
    EXPECT_NUMBER(call(grid, "COUNTIF", {range(1, 3, 5, 3), text("")}), 3);
    EXPECT_NUMBER(call(grid, "COUNTIF", {range(1, 3, 5, 3), text("=")}), 2);
    EXPECT_NUMBER(call(grid, "COUNTIF", {range(1, 3, 5, 3), text("<>")}), 3);
    EXPECT_NUMBER(call(grid, "COUNTIF", {column(3), text("")}), kMaxRows - 2);
    EXPECT_NUMBER(call(grid, "COUNTIF", {column(3), text("<>0")}), kMaxRows - 1);
    EXPECT_NUMBER(call(grid, "COUNTIF", {column(1), text(">5")}), 5);
    EXPECT_NUMBER(call(grid, "COUNTIF", {range(1, 4, 5, 4), text("?est")}), 2);
    EXPECT_LE(grid.visitedCells(), 40);
}

TEST_F(StatisticalFunctionsTest, CountIfsWithEveryCriterionTakingBlanks) {
    // Rows where both C and E are blank or empty: every row but C3 = 0 and C5 = " ".
    EXPECT_NUMBER(call(grid, "COUNTIFS", {column(3), text(""), column(5), text("")}), kMaxRows - 2);
    EXPECT_NUMBER(call(grid, "COUNTIFS", {range(1, 4, 5, 4), text("West"), range(1, 1, 5, 1), text(">2")}), 1);
    EXPECT_NUMBER(call(grid, "COUNTIFS", {range(1, 4, 5, 4), text("*"), range(1, 3, 5, 3), text("")}), 3);
    EXPECT_EQ(call(grid, "COUNTIFS", {range(1, 4, 5, 4), text("West"), range(1, 1, 4, 1), text(">2")}),
              error(ErrorValue::Value));
}

TEST_F(StatisticalFunctionsTest, CriteriaPastArgument31ArriveAsReferences) {
    std::vector<Value> arguments;
    for (int pair = 0; pair < 16; ++pair) {
        arguments.push_back(range(1, 1, 10, 1));
        arguments.push_back(text(">0"));
    }
    arguments.push_back(range(1, 1, 10, 1));
    arguments.push_back(cell(3, 1));  // argument 33 is one COUNTIFS takes by reference
    ASSERT_TRUE(findFunction("COUNTIFS")->takesReference(33));
    EXPECT_NUMBER(call(grid, "COUNTIFS", arguments), 1);
    arguments.insert(arguments.begin(), range(1, 1, 10, 1));
    EXPECT_NUMBER(call(grid, "AVERAGEIFS", arguments), 3);
}

TEST_F(StatisticalFunctionsTest, AveragesAndExtremes) {
    EXPECT_NUMBER(call(grid, "AVERAGE", {range(1, 1, 10, 1)}), 5.5);
    EXPECT_NUMBER(call(grid, "AVERAGE", {range(1, 2, 7, 2)}), 7.5 / 3);
    EXPECT_EQ(call(grid, "AVERAGE", {range(1, 4, 5, 4)}), error(ErrorValue::Div0));
    EXPECT_NUMBER(call(grid, "AVERAGE", {num(1), text("2"), boolean(true)}), 4.0 / 3);
    EXPECT_NUMBER(call(grid, "MAX", {range(1, 2, 7, 2)}), 10.5);
    EXPECT_NUMBER(call(grid, "MIN", {range(1, 2, 7, 2)}), -3);
    EXPECT_NUMBER(call(grid, "MAX", {range(1, 4, 5, 4)}), 0);
    EXPECT_NUMBER(call(grid, "MAX", {num(-5), text("-2"), boolean(false)}), 0);
    EXPECT_NUMBER(call(grid, "AVERAGEIF", {range(1, 4, 5, 4), text("west"), range(1, 1, 5, 1)}), 3.5);
    EXPECT_EQ(call(grid, "AVERAGEIF", {range(1, 4, 5, 4), text("South"), range(1, 1, 5, 1)}), error(ErrorValue::Div0));
    EXPECT_NUMBER(call(grid, "AVERAGEIFS", {range(1, 1, 5, 1), range(1, 4, 5, 4), text("*st")}), 11.0 / 4);
    EXPECT_NUMBER(call(grid, "MAXIFS", {range(1, 1, 5, 1), range(1, 4, 5, 4), text("East")}), 3);
    EXPECT_NUMBER(call(grid, "MINIFS", {range(1, 1, 5, 1), range(1, 4, 5, 4), text("West")}), 2);
    EXPECT_NUMBER(call(grid, "MINIFS", {range(1, 1, 5, 1), range(1, 4, 5, 4), text("South")}), 0);
}

TEST_F(StatisticalFunctionsTest, OrderStatistics) {
    EXPECT_NUMBER(call(grid, "MEDIAN", {range(1, 1, 10, 1)}), 5.5);
    EXPECT_NUMBER(call(grid, "MEDIAN", {range(1, 2, 7, 2)}), 0);
    EXPECT_EQ(call(grid, "MEDIAN", {range(1, 4, 5, 4)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "MODE", {num(3), num(3), num(2), num(2), num(1)}), 3);  // first met on a tie
    EXPECT_EQ(call(grid, "MODE", {range(1, 1, 10, 1)}), error(ErrorValue::NA));
    EXPECT_NUMBER(call(grid, "LARGE", {range(1, 1, 10, 1), num(3)}), 8);
    EXPECT_NUMBER(call(grid, "SMALL", {range(1, 2, 7, 2), num(1)}), -3);
    EXPECT_EQ(call(grid, "LARGE", {range(1, 1, 10, 1), num(11)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "SMALL", {range(1, 1, 10, 1), num(0)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "RANK", {num(7), range(1, 1, 10, 1)}), 4);
    EXPECT_NUMBER(call(grid, "RANK", {num(7), range(1, 1, 10, 1), num(1)}), 7);
    EXPECT_NUMBER(call(grid, "RANK.EQ", {num(40), row({num(10), num(40), num(40), num(20)})}), 1);
    EXPECT_NUMBER(call(grid, "RANK.AVG", {num(40), row({num(10), num(40), num(40), num(20)})}), 1.5);
    EXPECT_EQ(call(grid, "RANK", {num(11), range(1, 1, 10, 1)}), error(ErrorValue::NA));
}

TEST_F(StatisticalFunctionsTest, PercentilesInterpolateBetweenRanks) {
    EXPECT_NUMBER(call(grid, "PERCENTILE", {range(1, 1, 10, 1), num(0.33)}), 3.97);
    EXPECT_NUMBER(call(grid, "PERCENTILE.EXC", {range(1, 1, 10, 1), num(0.25)}), 2.75);
    EXPECT_EQ(call(grid, "PERCENTILE.EXC", {range(1, 1, 10, 1), num(0.05)}), error(ErrorValue::Num));
    EXPECT_EQ(call(grid, "PERCENTILE", {range(1, 1, 10, 1), num(1.1)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "QUARTILE", {range(1, 1, 10, 1), num(1.9)}), 3.25);
    EXPECT_NUMBER(call(grid, "QUARTILE.INC", {range(1, 1, 10, 1), num(4)}), 10);
    EXPECT_EQ(call(grid, "QUARTILE", {range(1, 1, 10, 1), num(5)}), error(ErrorValue::Num));
    EXPECT_NUMBER(call(grid, "QUARTILE.EXC", {range(1, 1, 10, 1), num(1)}), 2.75);
}

TEST_F(StatisticalFunctionsTest, SpreadsNeedEnoughNumbersAndKeepTheirDigits) {
    EXPECT_NUMBER(call(grid, "VAR", {range(1, 1, 10, 1)}), 55.0 / 6);
    EXPECT_NUMBER(call(grid, "VARP", {range(1, 1, 10, 1)}), 8.25);
    EXPECT_NUMBER(call(grid, "STDEV.P", {num(2), num(4), num(4), num(4), num(5), num(5), num(7), num(9)}), 2);
    EXPECT_EQ(call(grid, "STDEV", {num(5)}), error(ErrorValue::Div0));
    EXPECT_NUMBER(call(grid, "STDEVP", {num(5)}), 0);
    EXPECT_EQ(call(grid, "VARP", {range(1, 4, 5, 4)}), error(ErrorValue::Div0));
    // Far from 0 the sum of squares less the squared sum would lose every digit.
    EXPECT_NUMBER(call(grid, "VAR", {num(1e9 + 1), num(1e9 + 2), num(1e9 + 3)}), 1);
}

}  // namespace
}  // namespace tavlora::host::formula::testing
