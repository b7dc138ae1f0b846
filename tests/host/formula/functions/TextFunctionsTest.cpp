#include <gtest/gtest.h>

#include "FunctionCalls.h"

namespace tavlora::host::formula::familytest {
namespace {

class TextFunctions : public ::testing::Test {
protected:
    Value f(std::string_view name, std::vector<Value> args) { return call(grid, name, std::move(args)); }
    GridContext grid;
};

const std::string kEmoji = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 code units

TEST_F(TextFunctions, PositionsAndLengthsCountUtf16CodeUnits) {
    EXPECT_EQ(f("LEN", {txt("a" + kEmoji + "b")}), num(4));
    EXPECT_EQ(f("LEN", {txt("\xC3\xA9t\xC3\xA9")}), num(3));  // "été": bytes are not characters
    EXPECT_EQ(f("LEFT", {txt("a" + kEmoji + "b"), num(3)}), txt("a" + kEmoji));
    EXPECT_EQ(f("RIGHT", {txt("a" + kEmoji + "b"), num(3)}), txt(kEmoji + "b"));
    EXPECT_EQ(f("MID", {txt("a" + kEmoji + "b"), num(2), num(2)}), txt(kEmoji));
    // Half an emoji cannot be UTF-8: it becomes the replacement character.
    EXPECT_EQ(f("LEFT", {txt(kEmoji), num(1)}), txt("\xEF\xBF\xBD"));
    EXPECT_EQ(f("FIND", {txt("b"), txt("a" + kEmoji + "b")}), num(4));
    EXPECT_EQ(f("SEARCH", {txt("B"), txt(kEmoji + "ab")}), num(4));
    EXPECT_EQ(f("REPLACE", {txt("a" + kEmoji + "b"), num(2), num(2), txt("-")}), txt("a-b"));
}

TEST_F(TextFunctions, CountArgumentsDefaultsAndLimits) {
    EXPECT_EQ(f("LEFT", {txt("abc")}), txt("a"));
    EXPECT_EQ(f("LEFT", {txt("abc"), Value::missing()}), txt(""));  // written empty reads as 0
    EXPECT_EQ(f("LEFT", {txt("abc"), num(10)}), txt("abc"));
    EXPECT_EQ(f("LEFT", {txt("abc"), num(-1)}), err(ErrorValue::Value));
    EXPECT_EQ(f("RIGHT", {num(12345), num(2.9)}), txt("45"));
    EXPECT_EQ(f("MID", {txt("abc"), num(0), num(1)}), err(ErrorValue::Value));
    EXPECT_EQ(f("MID", {txt("abc"), num(5), num(1)}), txt(""));
    EXPECT_EQ(f("LEN", {num(1.0 / 3)}), num(17));  // 15 significant digits
    EXPECT_EQ(f("LEN", {Value::boolean(true)}), num(4));
    EXPECT_EQ(f("LEFT", {err(ErrorValue::NA), txt("x")}), err(ErrorValue::NA));
    EXPECT_EQ(f("LEFT", {txt("abc"), txt("x")}), err(ErrorValue::Value));
}

TEST_F(TextFunctions, FindIsExactAndSearchTakesWildcards) {
    EXPECT_EQ(f("FIND", {txt("B"), txt("abcB")}), num(4));
    EXPECT_EQ(f("SEARCH", {txt("B"), txt("abcB")}), num(2));
    EXPECT_EQ(f("FIND", {txt("*"), txt("a*b")}), num(2));
    EXPECT_EQ(f("SEARCH", {txt("b?d"), txt("abcd")}), num(2));
    EXPECT_EQ(f("SEARCH", {txt("c*"), txt("abcd")}), num(3));
    EXPECT_EQ(f("SEARCH", {txt("~*"), txt("a*b")}), num(2));
    EXPECT_EQ(f("SEARCH", {txt("b~"), txt("ab~c")}), num(2));  // a trailing "~" is itself
    EXPECT_EQ(f("SEARCH", {txt("a"), txt("banana"), num(3)}), num(4));
    EXPECT_EQ(f("FIND", {txt(""), txt("abc"), num(2)}), num(2));
    EXPECT_EQ(f("FIND", {txt("z"), txt("abc")}), err(ErrorValue::Value));
    EXPECT_EQ(f("FIND", {txt("a"), txt("abc"), num(5)}), err(ErrorValue::Value));
    EXPECT_EQ(f("SEARCH", {txt("a"), txt("abc"), num(0)}), err(ErrorValue::Value));
}

TEST_F(TextFunctions, SubstituteAndReplace) {
    EXPECT_EQ(f("SUBSTITUTE", {txt("a-b-c"), txt("-"), txt("+")}), txt("a+b+c"));
    EXPECT_EQ(f("SUBSTITUTE", {txt("a-b-c"), txt("-"), txt("+"), num(2)}), txt("a-b+c"));
    EXPECT_EQ(f("SUBSTITUTE", {txt("a-b-c"), txt("-"), txt("+"), num(3)}), txt("a-b-c"));
    EXPECT_EQ(f("SUBSTITUTE", {txt("aAa"), txt("A"), txt("x")}), txt("axa"));
    EXPECT_EQ(f("SUBSTITUTE", {txt("abc"), txt(""), txt("x")}), txt("abc"));
    EXPECT_EQ(f("SUBSTITUTE", {txt("abc"), txt("b"), txt("x"), num(0)}), err(ErrorValue::Value));
    EXPECT_EQ(f("REPLACE", {txt("abcdef"), num(3), num(2), txt("XY")}), txt("abXYef"));
    EXPECT_EQ(f("REPLACE", {txt("abc"), num(10), num(2), txt("Z")}), txt("abcZ"));
    EXPECT_EQ(f("REPLACE", {txt("abc"), num(0), num(1), txt("Z")}), err(ErrorValue::Value));
}

TEST_F(TextFunctions, LetterCaseFollowsUnicode) {
    EXPECT_EQ(f("UPPER", {txt("\xC3\xA9t\xC3\xA9")}), txt("\xC3\x89T\xC3\x89"));
    EXPECT_EQ(f("LOWER", {txt("\xC3\x89T\xC3\x89 ABC")}), txt("\xC3\xA9t\xC3\xA9 abc"));
    EXPECT_EQ(f("PROPER", {txt("hello WORLD don't 2nd")}), txt("Hello World Don'T 2Nd"));
    EXPECT_EQ(f("PROPER", {txt("\xC3\xA9mile")}), txt("\xC3\x89mile"));
}

TEST_F(TextFunctions, TrimCleanExactRept) {
    EXPECT_EQ(f("TRIM", {txt("  a   b  ")}), txt("a b"));
    EXPECT_EQ(f("TRIM", {txt("   ")}), txt(""));
    EXPECT_EQ(f("CLEAN", {txt("a\tb\nc\x01")}), txt("abc"));
    EXPECT_EQ(f("EXACT", {txt("a"), txt("A")}), Value::boolean(false));
    EXPECT_EQ(f("EXACT", {num(1), txt("1")}), Value::boolean(true));
    EXPECT_EQ(f("REPT", {txt("ab"), num(3)}), txt("ababab"));
    EXPECT_EQ(f("REPT", {txt("ab"), num(-1)}), err(ErrorValue::Value));
    EXPECT_EQ(f("REPT", {txt("a"), num(32767)}).asText().size(), 32767u);
    EXPECT_EQ(f("REPT", {txt("a"), num(32768)}), err(ErrorValue::Value));
    EXPECT_EQ(f("REPT", {txt(kEmoji), num(16384)}), err(ErrorValue::Value));  // 32,768 code units
}

TEST_F(TextFunctions, FormattingThroughNumberFormats) {
    EXPECT_EQ(f("TEXT", {num(1234.567), txt("#,##0.00")}), txt("1,234.57"));
    EXPECT_EQ(f("TEXT", {num(45306), txt("yyyy-mm-dd")}), txt("2024-01-15"));
    EXPECT_EQ(f("TEXT", {txt("0.5"), txt("0%")}), txt("50%"));  // numeric text is a number
    EXPECT_EQ(f("TEXT", {txt("abc"), txt("0.0")}), txt("abc"));
    EXPECT_EQ(f("FIXED", {num(1234.567)}), txt("1,234.57"));
    EXPECT_EQ(f("FIXED", {num(1234.567), num(1), Value::boolean(true)}), txt("1234.6"));
    EXPECT_EQ(f("FIXED", {num(1234.567), num(-2)}), txt("1,200"));
    EXPECT_EQ(f("FIXED", {num(-0.5), num(0)}), txt("-1"));
    EXPECT_EQ(f("FIXED", {num(1), num(128)}), err(ErrorValue::Value));
    EXPECT_EQ(f("FIXED", {num(1E300), num(127), Value::boolean(true)}).asText().size(), 301u + 128u);
    EXPECT_EQ(f("FIXED", {num(1234.5), num(-400)}), txt("0"));
    EXPECT_EQ(f("DOLLAR", {num(1234.567)}), txt("$1,234.57"));
    EXPECT_EQ(f("DOLLAR", {num(-1234.567), num(1)}), txt("($1,234.6)"));
    EXPECT_EQ(f("VALUE", {txt(" 1,234.5 ")}), num(1234.5));
    EXPECT_EQ(f("VALUE", {txt("50%")}), num(0.5));
    EXPECT_EQ(f("VALUE", {txt("abc")}), err(ErrorValue::Value));
    EXPECT_EQ(f("VALUE", {Value::boolean(true)}), err(ErrorValue::Value));
    EXPECT_EQ(f("VALUE", {Value()}), num(0));
}

TEST_F(TextFunctions, JoiningRanges) {
    grid.setRow(0, 1, 1, {txt("a"), Value(), num(1.5), Value::boolean(true)});
    EXPECT_EQ(f("CONCAT", {ref(1, 1, 1, 4), txt("!")}), txt("a1.5TRUE!"));
    EXPECT_EQ(f("CONCATENATE", {txt("a"), num(2), Value::boolean(false)}), txt("a2FALSE"));
    EXPECT_EQ(f("TEXTJOIN", {txt(","), Value::boolean(true), ref(1, 1, 1, 4)}), txt("a,1.5,TRUE"));
    EXPECT_EQ(f("TEXTJOIN", {txt(","), Value::boolean(false), ref(1, 1, 1, 4)}), txt("a,,1.5,TRUE"));
    EXPECT_EQ(f("TEXTJOIN", {row({txt("-"), txt("+")}), Value::boolean(true), txt("a"), txt("b"), txt("c"), txt("d")}),
              txt("a-b+c-d"));
    grid.set(0, 2, 1, err(ErrorValue::Div0));
    EXPECT_EQ(f("CONCAT", {ref(1, 1, 2, 4)}), err(ErrorValue::Div0));
    EXPECT_EQ(f("TEXTJOIN", {txt(","), Value::boolean(true), ref(1, 1, 2, 1)}), err(ErrorValue::Div0));
}

TEST_F(TextFunctions, JoiningWholeColumnsStaysWithTheUsedCells) {
    grid.set(0, 1, 1, txt("a"));
    grid.set(0, 5, 1, txt("b"));
    Value wholeColumn = ref(1, 1, kMaxRows, 1);
    EXPECT_EQ(f("CONCAT", {wholeColumn}), txt("ab"));
    EXPECT_EQ(f("TEXTJOIN", {txt(","), Value::boolean(true), wholeColumn}), txt("a,b"));
    // Every blank adds a delimiter: a million of them is more than a cell holds.
    EXPECT_EQ(f("TEXTJOIN", {txt(","), Value::boolean(false), wholeColumn}), err(ErrorValue::Value));
    EXPECT_LE(grid.visitedCells(), 10);
}

TEST_F(TextFunctions, CodesUseWindows1252AndUnicode) {
    EXPECT_EQ(f("CHAR", {num(65)}), txt("A"));
    EXPECT_EQ(f("CHAR", {num(128)}), txt("\xE2\x82\xAC"));  // the euro sign
    EXPECT_EQ(f("CHAR", {num(233)}), txt("\xC3\xA9"));
    EXPECT_EQ(f("CHAR", {num(0)}), err(ErrorValue::Value));
    EXPECT_EQ(f("CHAR", {num(256)}), err(ErrorValue::Value));
    EXPECT_EQ(f("CODE", {txt("\xE2\x82\xAC")}), num(128));
    EXPECT_EQ(f("CODE", {txt("Abc")}), num(65));
    EXPECT_EQ(f("CODE", {txt(kEmoji)}), num(63));  // not in the code page: "?"
    EXPECT_EQ(f("CODE", {txt("")}), err(ErrorValue::Value));
    EXPECT_EQ(f("UNICHAR", {num(0x1F600)}), txt(kEmoji));
    EXPECT_EQ(f("UNICHAR", {num(0xD800)}), err(ErrorValue::NA));
    EXPECT_EQ(f("UNICHAR", {num(0)}), err(ErrorValue::Value));
    EXPECT_EQ(f("UNICODE", {txt(kEmoji + "a")}), num(0x1F600));
}

TEST_F(TextFunctions, TAndN) {
    EXPECT_EQ(f("T", {txt("a")}), txt("a"));
    EXPECT_EQ(f("T", {num(1)}), txt(""));
    EXPECT_EQ(f("T", {err(ErrorValue::Ref)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("N", {Value::boolean(true)}), num(1));
    EXPECT_EQ(f("N", {txt("7")}), num(0));
    EXPECT_EQ(f("N", {err(ErrorValue::NA)}), err(ErrorValue::NA));
}

}  // namespace
}  // namespace tavlora::host::formula::familytest
