#include <gtest/gtest.h>
#include <set>

#include "host/formula/functions/FunctionCall.h"

namespace tavlora::host::formula::testing {
namespace {

// A1:A3 TRUE, FALSE, TRUE; B1:B3 1, "text", 0; C1 #DIV/0!.
class LogicalFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.setRow(0, 1, 1, {boolean(true), num(1), error(ErrorValue::Div0)});
        grid.setRow(0, 2, 1, {boolean(false), text("text")});
        grid.setRow(0, 3, 1, {boolean(true), num(0)});
    }
    GridContext grid;
};

TEST_F(LogicalFunctionsTest, IfReadsConditionsAndLeftOutBranches) {
    EXPECT_EQ(call(grid, "IF", {num(-0.5), text("yes"), text("no")}), text("yes"));
    EXPECT_EQ(call(grid, "IF", {text("false"), text("yes"), text("no")}), text("no"));
    EXPECT_EQ(call(grid, "IF", {text("maybe"), text("yes"), text("no")}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "IF", {error(ErrorValue::NA), num(1), num(2)}), error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "IF", {Value(), num(1), num(2)}), num(2));
    EXPECT_EQ(call(grid, "IF", {boolean(false), num(1)}), boolean(false));
    EXPECT_EQ(call(grid, "IF", {boolean(true), Value::missing(), num(2)}), num(0));
    // A branch that is a range comes back as the range, for SUM(IF(...)) to sum.
    EXPECT_EQ(call(grid, "IF", {boolean(true), range(1, 2, 3, 2), num(0)}), range(1, 2, 3, 2));
}

TEST_F(LogicalFunctionsTest, IfsIfErrorIfNa) {
    EXPECT_EQ(call(grid, "IFS", {boolean(false), num(1), num(3), num(2)}), num(2));
    EXPECT_EQ(call(grid, "IFS", {boolean(false), num(1)}), error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "IFS", {text("x"), num(1), boolean(true), num(2)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "IFERROR", {error(ErrorValue::Div0), text("err")}), text("err"));
    EXPECT_EQ(call(grid, "IFERROR", {num(5), text("err")}), num(5));
    EXPECT_EQ(call(grid, "IFERROR", {error(ErrorValue::NA), Value::missing()}), num(0));
    EXPECT_EQ(call(grid, "IFNA", {error(ErrorValue::NA), text("na")}), text("na"));
    EXPECT_EQ(call(grid, "IFNA", {error(ErrorValue::Div0), text("na")}), error(ErrorValue::Div0));
}

TEST_F(LogicalFunctionsTest, AndOrXorPassOverTextsOfRangesButNotDirectTexts) {
    EXPECT_EQ(call(grid, "AND", {range(1, 1, 3, 1)}), boolean(false));
    EXPECT_EQ(call(grid, "OR", {range(1, 1, 3, 1)}), boolean(true));
    EXPECT_EQ(call(grid, "XOR", {range(1, 1, 3, 1)}), boolean(false));
    EXPECT_EQ(call(grid, "AND", {range(1, 2, 3, 2)}), boolean(false));  // 1, 0; the text passed over
    EXPECT_EQ(call(grid, "OR", {cell(2, 2)}), error(ErrorValue::Value));  // nothing to weigh
    EXPECT_EQ(call(grid, "AND", {text("TRUE"), num(1)}), boolean(true));
    EXPECT_EQ(call(grid, "AND", {text("yes"), boolean(true)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "OR", {range(1, 1, 1, 3)}), error(ErrorValue::Div0));
    EXPECT_EQ(call(grid, "XOR", {boolean(true), boolean(true), boolean(true)}), boolean(true));
    EXPECT_EQ(call(grid, "NOT", {num(0)}), boolean(true));
    EXPECT_EQ(call(grid, "NOT", {text("x")}), error(ErrorValue::Value));
}

TEST_F(LogicalFunctionsTest, SwitchAndChoose) {
    EXPECT_EQ(call(grid, "SWITCH", {num(2), num(1), text("one"), num(2), text("two"), text("other")}), text("two"));
    EXPECT_EQ(call(grid, "SWITCH", {num(9), num(1), text("one"), text("other")}), text("other"));
    EXPECT_EQ(call(grid, "SWITCH", {num(9), num(1), text("one")}), error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "SWITCH", {text("EAST"), text("east"), text("E")}), text("E"));
    EXPECT_EQ(call(grid, "SWITCH", {text("1"), num(1), text("number"), text("text")}), text("text"));
    EXPECT_EQ(call(grid, "CHOOSE", {num(2.9), text("a"), text("b"), text("c")}), text("b"));
    EXPECT_EQ(call(grid, "CHOOSE", {num(4), text("a"), text("b"), text("c")}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "CHOOSE", {num(0), text("a")}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "CHOOSE", {num(2), range(1, 1, 3, 1), range(1, 2, 3, 2)}), range(1, 2, 3, 2));
}

TEST_F(LogicalFunctionsTest, InformationAboutKinds) {
    EXPECT_EQ(call(grid, "ISBLANK", {Value()}), boolean(true));
    EXPECT_EQ(call(grid, "ISBLANK", {text("")}), boolean(false));
    EXPECT_EQ(call(grid, "ISNUMBER", {boolean(true)}), boolean(false));
    EXPECT_EQ(call(grid, "ISTEXT", {text("")}), boolean(true));
    EXPECT_EQ(call(grid, "ISNONTEXT", {error(ErrorValue::NA)}), boolean(true));
    EXPECT_EQ(call(grid, "ISERR", {error(ErrorValue::NA)}), boolean(false));
    EXPECT_EQ(call(grid, "ISERR", {error(ErrorValue::Div0)}), boolean(true));
    EXPECT_EQ(call(grid, "ISNA", {error(ErrorValue::NA)}), boolean(true));
    EXPECT_EQ(call(grid, "ISREF", {range(1, 1, 2, 2)}), boolean(true));
    EXPECT_EQ(call(grid, "ISREF", {text("A1")}), boolean(false));
    EXPECT_EQ(call(grid, "ISEVEN", {num(-3.5)}), boolean(false));
    EXPECT_EQ(call(grid, "ISODD", {num(-3.5)}), boolean(true));
    EXPECT_EQ(call(grid, "ISEVEN", {Value()}), boolean(true));
    EXPECT_EQ(call(grid, "ISEVEN", {boolean(true)}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "ISODD", {text("x")}), error(ErrorValue::Value));
    EXPECT_EQ(call(grid, "ERROR.TYPE", {error(ErrorValue::Num)}), num(6));
    EXPECT_EQ(call(grid, "ERROR.TYPE", {num(1)}), error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "NA", {}), error(ErrorValue::NA));
    EXPECT_EQ(call(grid, "TYPE", {cell(1, 1)}), num(4));
    EXPECT_EQ(call(grid, "TYPE", {cell(2, 2)}), num(2));
    EXPECT_EQ(call(grid, "TYPE", {cell(9, 9)}), num(1));
    EXPECT_EQ(call(grid, "TYPE", {cell(1, 3)}), num(16));
    EXPECT_EQ(call(grid, "TYPE", {row({num(1), num(2)})}), num(64));
}

TEST(FunctionTables, NamesAreUpperCaseUniqueAndArgumentCountsSound) {
    std::set<std::string_view> names;
    for (auto family : {mathFunctions(), statisticalFunctions(), logicalFunctions(), informationFunctions()})
        for (const FunctionDefinition& definition : family) {
            EXPECT_TRUE(names.insert(definition.name).second) << definition.name;
            for (char c : definition.name) EXPECT_FALSE(c >= 'a' && c <= 'z') << definition.name;
            EXPECT_LE(definition.minArguments, definition.maxArguments) << definition.name;
            EXPECT_NE(definition.body, nullptr) << definition.name;
        }
    for (std::string_view required :
         {"SUM", "SUMIF", "SUMIFS", "SUMPRODUCT", "PRODUCT", "ROUND", "ROUNDUP", "ROUNDDOWN", "MROUND", "INT", "TRUNC",
          "CEILING", "FLOOR", "ABS", "SIGN", "MOD", "POWER", "SQRT", "EXP", "LN", "LOG", "LOG10", "PI", "RAND",
          "RANDBETWEEN", "SUBTOTAL", "AGGREGATE", "COUNT", "COUNTA", "COUNTBLANK", "COUNTIF", "COUNTIFS", "AVERAGE",
          "AVERAGEIF", "AVERAGEIFS", "MIN", "MAX", "MINIFS", "MAXIFS", "MEDIAN", "MODE", "LARGE", "SMALL", "RANK",
          "STDEV", "STDEVP", "VAR", "VARP", "PERCENTILE", "QUARTILE", "IF", "IFS", "IFERROR", "IFNA", "AND", "OR",
          "NOT", "XOR", "SWITCH", "CHOOSE", "TRUE", "FALSE", "ISBLANK", "ISNUMBER", "ISTEXT", "ISERROR", "ISERR", "ISNA",
          "ISLOGICAL", "ISEVEN", "ISODD", "NA", "ERROR.TYPE", "TYPE"})
        EXPECT_TRUE(names.count(required)) << required;
}

}  // namespace
}  // namespace tavlora::host::formula::testing
