#include "CalcEngineSupport.h"

namespace tavlora::host::formula::testing {
namespace {

using Evaluation = EngineFixture;

TEST_F(Evaluation, PrecedenceFollowsTheApplication) {
    EXPECT_EQ(eval("1+2*3"), number(7));
    EXPECT_EQ(eval("(1+2)*3"), number(9));
    EXPECT_EQ(eval("-2^2"), number(4));      // the sign binds tighter than ^
    EXPECT_EQ(eval("2^3^2"), number(64));    // ^ from left to right
    EXPECT_EQ(eval("2^-1"), number(0.5));
    EXPECT_EQ(eval("50%*2"), number(1));
    EXPECT_EQ(eval("-50%"), number(-0.5));
    EXPECT_EQ(eval("1+2&3"), text("33"));    // & below + and -
    EXPECT_EQ(eval("1+1=2"), boolean(true));  // comparison lowest
    EXPECT_EQ(eval("\"a\"&1=\"A1\""), boolean(true));
    EXPECT_EQ(eval("  1 +  2 "), number(3));
}

TEST_F(Evaluation, ArithmeticErrors) {
    EXPECT_EQ(eval("1/0"), error(ErrorValue::Div0));
    EXPECT_EQ(eval("0^0"), error(ErrorValue::Num));
    EXPECT_EQ(eval("0^-1"), error(ErrorValue::Div0));
    EXPECT_EQ(eval("(-8)^0.5"), error(ErrorValue::Num));
    EXPECT_EQ(eval("1E+300*1E+300"), error(ErrorValue::Num));
    // The leftmost error wins, whatever the operator.
    EXPECT_EQ(eval("#N/A+1/0"), error(ErrorValue::NA));
    EXPECT_EQ(eval("1/0&#N/A"), error(ErrorValue::Div0));
    EXPECT_EQ(eval("\"x\"+#N/A"), error(ErrorValue::NA));
    EXPECT_EQ(eval("#REF!=#N/A"), error(ErrorValue::Ref));
}

TEST_F(Evaluation, TextAndBlankCoercion) {
    EXPECT_EQ(eval("\"3\"+1"), number(4));
    EXPECT_EQ(eval("\" 2.5 \"*2"), number(5));
    EXPECT_EQ(eval("\"abc\"+1"), error(ErrorValue::Value));
    EXPECT_EQ(eval("TRUE+TRUE"), number(2));
    EXPECT_EQ(eval("Y1+1"), number(1));  // a blank cell is 0
    EXPECT_EQ(eval("Y1&\"x\""), text("x"));
    EXPECT_EQ(eval("Y1"), number(0));  // a formula showing a blank cell shows 0
    EXPECT_EQ(eval("\"a\"&1.5&TRUE"), text("a1.5TRUE"));
    EXPECT_EQ(eval("+\"a\""), text("a"));
    EXPECT_EQ(eval("-\"a\""), error(ErrorValue::Value));
    putText("A1", "12");
    EXPECT_EQ(eval("A1*2"), number(24));
}

TEST_F(Evaluation, ComparisonOrder) {
    EXPECT_EQ(eval("\"a\"=\"A\""), boolean(true));
    EXPECT_EQ(eval("\"a\"<\"B\""), boolean(true));
    EXPECT_EQ(eval("99999<\"1\""), boolean(true));   // numbers before texts
    EXPECT_EQ(eval("\"zzz\"<FALSE"), boolean(true));  // texts before booleans
    EXPECT_EQ(eval("Y1=0"), boolean(true));
    EXPECT_EQ(eval("Y1=\"\""), boolean(true));
    EXPECT_EQ(eval("Y1=FALSE"), boolean(true));
    EXPECT_EQ(eval("0.1+0.2=0.3"), boolean(true));
    EXPECT_EQ(eval("1<>1.0000001"), boolean(true));
}

TEST_F(Evaluation, DifferencesOfNearlyEqualNumbersAreZero) {
    EXPECT_EQ(eval("0.1+0.2-0.3"), number(0));
    EXPECT_EQ(eval("1-0.9-0.1"), number(0));
    EXPECT_NE(eval("1-0.9"), number(0));
}

TEST_F(Evaluation, ImplicitIntersectionTakesTheCallersRowOrColumn) {
    for (int r = 1; r <= 5; ++r) put("A" + std::to_string(r), r * 10);
    formula("C3", "A1:A5*2");
    EXPECT_EQ(value("C3"), number(60));
    formula("C9", "A1:A5");
    EXPECT_EQ(value("C9"), error(ErrorValue::Value));
    put("B7", 1);
    put("C7", 2);
    put("D7", 3);
    formula("C12", "B7:D7+1");
    EXPECT_EQ(value("C12"), number(3));
    formula("C13", "TWICE(A1:A5)");
    EXPECT_EQ(value("C13"), error(ErrorValue::Value));
}

TEST_F(Evaluation, ReferenceOperators) {
    for (int r = 1; r <= 4; ++r) {
        put("A" + std::to_string(r), r);
        put("B" + std::to_string(r), 10 * r);
    }
    EXPECT_EQ(eval("SUMT(A1:B2)"), number(33));
    EXPECT_EQ(eval("SUMT((A1,B4))"), number(41));          // union
    EXPECT_EQ(eval("SUMT(A1:B4 B2:B3)"), number(50));      // intersection
    EXPECT_EQ(eval("SUMT(A1:A2 B1:B2)"), error(ErrorValue::Null));
    EXPECT_EQ(eval("SUMT(A1:AREAT(B2))"), number(33));      // a range built from a function's reference
    EXPECT_EQ(eval("SUMT(A:A)"), number(10));
    EXPECT_EQ(eval("SUMT(2:3)"), number(55));
}

TEST_F(Evaluation, ArrayConstantsAndArgumentsTakenAsArrays) {
    EXPECT_EQ(eval("SUMT({1,2;3,4})"), number(10));
    EXPECT_EQ(eval("SUMT({1,2}*{10;20})"), number(90));  // a row times a column: a 2x2 array
    EXPECT_EQ(eval("SUMT({1,2,3}*2)"), number(12));
    for (int r = 1; r <= 3; ++r) {
        put("A" + std::to_string(r), r);
        put("B" + std::to_string(r), r * 100);
    }
    // Inside an argument taken as an array, operators work cell by cell.
    EXPECT_EQ(eval("SUMT((A1:A3>1)*B1:B3)"), number(500));
    EXPECT_EQ(eval("SUMT(TWICE(A1:A3))"), number(12));
    EXPECT_EQ(eval("{1,2;3,4}"), number(1));  // a single cell shows the top-left value
    EXPECT_EQ(eval("{\"a\",TRUE,#N/A,-1.5}&\"\""), text("a"));
}

TEST_F(Evaluation, ArrayFormulaFillsItsArea) {
    for (int r = 1; r <= 3; ++r) put("A" + std::to_string(r), r);
    arrayFormula("C1:D4", "A1:A3*{1,10}");
    engine.calculate();
    EXPECT_EQ(value("C1"), number(1));
    EXPECT_EQ(value("D1"), number(10));
    EXPECT_EQ(value("D3"), number(30));
    EXPECT_EQ(value("C4"), error(ErrorValue::NA));  // beyond the result's rows
    put("A2", 5);
    EXPECT_EQ(value("D2"), number(50));  // reading a cell of the area computes the array
}

TEST_F(Evaluation, IfAndItsKinComputeOnlyTheBranchTaken) {
    // The branch not taken would read the cell itself: computed, it would be a circular reference.
    formula("A1", "IF(TRUE,1,A1)");
    EXPECT_EQ(value("A1"), number(1));
    formula("A2", "IF(0,A2,\"no\")");
    EXPECT_EQ(value("A2"), text("no"));
    EXPECT_EQ(eval("IF(FALSE,1)"), boolean(false));
    EXPECT_EQ(eval("IF(FALSE,1,)"), number(0));
    EXPECT_EQ(eval("IF(\"x\",1,2)"), error(ErrorValue::Value));
    EXPECT_EQ(eval("IF(#N/A,1,2)"), error(ErrorValue::NA));
    EXPECT_EQ(eval("IFERROR(1/0,\"div\")"), text("div"));
    EXPECT_EQ(eval("IFERROR(5,A1/0)"), number(5));
    EXPECT_EQ(eval("IFNA(#N/A,2)"), number(2));
    EXPECT_EQ(eval("IFNA(#VALUE!,2)"), error(ErrorValue::Value));
    formula("A3", "CHOOSE(2,A3,\"two\",A3)");
    EXPECT_EQ(value("A3"), text("two"));
    EXPECT_EQ(eval("CHOOSE(4,1,2,3)"), error(ErrorValue::Value));
    EXPECT_EQ(eval("CHOOSE(1,IF(FALSE,1,2),3)+1"), number(3));
    put("B1", 2);
    put("B3", 5);
    EXPECT_EQ(eval("SUMT(IF(TRUE,B1:B3,0))"), number(7));  // IF hands a reference through
}

TEST_F(Evaluation, SheetsAndDefinedNames) {
    put("B2", 7, 1);
    EXPECT_EQ(eval("'Other Sheet'!B2*2"), number(14));
    EXPECT_EQ(eval("Missing!B2"), error(ErrorValue::Ref));
    names = {{"Rate", "0.5", -1}, {"Rate", "0.25", 0}, {"Block", "'Other Sheet'!$B$1:$B$3", -1}};
    reset();
    EXPECT_EQ(eval("Rate*4"), number(1));  // the sheet's own name wins
    EXPECT_EQ(eval("SUMT(Block)"), number(7));
    EXPECT_EQ(eval("NoSuchName"), error(ErrorValue::Name));
}

TEST_F(Evaluation, WhatCannotBeComputedKeepsTheCachedValue) {
    for (const std::string& text : std::vector<std::string>{"NOSUCHFUNCTION(1)", "Sheet1:Sheet3!A1", "[1]Data!A1", "1+",
                             "SUMT(", std::string(300, '(') + "1" + std::string(300, ')')}) {
        formula("A1", text);
        formulaAt("A1").cachedKind = CellKind::Number;
        formulaAt("A1").cachedNumber = 42;
        EXPECT_EQ(value("A1"), number(42)) << text;
        EXPECT_NE(engine.problemAt(0, 1, 1), "") << text;
    }
    formula("A1", "NOSUCHFUNCTION(1)");
    EXPECT_NE(engine.problemAt(0, 1, 1).find("NOSUCHFUNCTION"), std::string::npos);
}

}  // namespace
}  // namespace tavlora::host::formula::testing
