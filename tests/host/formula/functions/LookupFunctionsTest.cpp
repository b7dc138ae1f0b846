#include <gtest/gtest.h>

#include "FunctionCalls.h"

namespace tavlora::host::formula::familytest {
namespace {

// A table in A1:C5 sorted by A: 10 "Ten" 1.5, 20 "Twenty" 2.5, ... 50 "Fifty" 5.5.
class LookupFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        const char* names[] = {"Ten", "Twenty", "Thirty", "Forty", "Fifty"};
        for (int i = 0; i < 5; ++i) grid.setRow(0, i + 1, 1, {num(10.0 * (i + 1)), txt(names[i]), num(i + 1.5)});
    }
    Value f(std::string_view name, std::vector<Value> args) { return call(grid, name, std::move(args)); }
    Value table() { return ref(1, 1, 5, 3); }
    GridContext grid;
};

TEST_F(LookupFunctions, VlookupExactAndApproximate) {
    EXPECT_EQ(f("VLOOKUP", {num(30), table(), num(2), Value::boolean(false)}), txt("Thirty"));
    EXPECT_EQ(f("VLOOKUP", {num(35), table(), num(3)}), num(3.5));
    EXPECT_EQ(f("VLOOKUP", {num(35), table(), num(3), Value::missing()}), err(ErrorValue::NA));  // empty: exact
    EXPECT_EQ(f("VLOOKUP", {num(99), table(), num(2)}), txt("Fifty"));
    EXPECT_EQ(f("VLOOKUP", {num(5), table(), num(2)}), err(ErrorValue::NA));
    EXPECT_EQ(f("VLOOKUP", {txt("30"), table(), num(2), Value::boolean(false)}), err(ErrorValue::NA));
    EXPECT_EQ(f("VLOOKUP", {num(30), table(), num(4), Value::boolean(false)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("VLOOKUP", {num(30), table(), num(0), Value::boolean(false)}), err(ErrorValue::Value));
    EXPECT_EQ(f("VLOOKUP", {err(ErrorValue::Div0), table(), num(2)}), err(ErrorValue::Div0));
    EXPECT_EQ(f("HLOOKUP", {txt("thirty"), ref(3, 1, 3, 3), num(1), Value::boolean(false)}), txt("Thirty"));
    EXPECT_EQ(f("HLOOKUP", {txt("thirty"), ref(3, 1, 3, 3), num(2), Value::boolean(false)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("HLOOKUP", {txt("thirty"), ref(3, 2, 4, 3), num(2), Value::boolean(false)}), txt("Forty"));
}

TEST_F(LookupFunctions, ExactMatchesTakeWildcardsAndIgnoreCase) {
    EXPECT_EQ(f("MATCH", {txt("t*y"), ref(1, 2, 5, 2), num(0)}), num(2));
    EXPECT_EQ(f("MATCH", {txt("FI?TY"), ref(1, 2, 5, 2), num(0)}), num(5));
    EXPECT_EQ(f("VLOOKUP", {txt("f*"), ref(1, 2, 5, 3), num(2), Value::boolean(false)}), num(4.5));
    EXPECT_EQ(f("XMATCH", {txt("t*y"), ref(1, 2, 5, 2)}), err(ErrorValue::NA));  // wildcards only in mode 2
    EXPECT_EQ(f("XMATCH", {txt("t*y"), ref(1, 2, 5, 2), num(2)}), num(2));
    EXPECT_EQ(f("XMATCH", {txt("t*y"), ref(1, 2, 5, 2), num(2), num(-1)}), num(3));
}

TEST_F(LookupFunctions, ApproximateMatchIsABinarySearchThatStepsOverOtherKinds) {
    EXPECT_EQ(f("MATCH", {num(25), ref(1, 1, 5, 1)}), num(2));
    EXPECT_EQ(f("MATCH", {num(50), ref(1, 1, 5, 1), num(1)}), num(5));
    Value descending = column({num(50), num(40), num(30), num(20), num(10)});
    EXPECT_EQ(f("MATCH", {num(25), descending, num(-1)}), num(3));
    EXPECT_EQ(f("MATCH", {num(60), descending, num(-1)}), err(ErrorValue::NA));
    Value mixed = column({num(1), txt("x"), num(3), Value(), num(5), Value::boolean(true), num(7)});
    EXPECT_EQ(f("MATCH", {num(4), mixed}), num(3));
    EXPECT_EQ(f("MATCH", {num(6), mixed}), num(5));
    EXPECT_EQ(f("MATCH", {num(100), mixed}), num(7));
    EXPECT_EQ(f("MATCH", {txt("y"), mixed}), num(2));
    Value duplicates = column({num(1), num(2), num(2), num(2), num(3)});
    EXPECT_EQ(f("MATCH", {num(2), duplicates}), num(4));  // the last of equal keys
    EXPECT_EQ(f("MATCH", {num(2), duplicates, num(0)}), num(2));
    EXPECT_EQ(f("MATCH", {num(1), table()}), err(ErrorValue::NA));  // not one row or column
}

TEST_F(LookupFunctions, LookupsInWholeColumnsSeeOnlyTheUsedRows) {
    Value columnA = ref(1, 1, kMaxRows, 1);
    EXPECT_EQ(f("MATCH", {num(40), columnA, num(0)}), num(4));
    EXPECT_EQ(f("MATCH", {num(1000), columnA}), num(5));
    EXPECT_EQ(f("VLOOKUP", {num(45), ref(1, 1, kMaxRows, 3), num(2)}), txt("Forty"));
    EXPECT_EQ(f("XLOOKUP", {num(60), columnA, ref(1, 2, kMaxRows, 2), txt("none")}), txt("none"));
}

TEST_F(LookupFunctions, LookupVectorAndArrayForms) {
    EXPECT_EQ(f("LOOKUP", {num(32), ref(1, 1, 5, 1), ref(1, 2, 5, 2)}), txt("Thirty"));
    EXPECT_EQ(f("LOOKUP", {num(32), table()}), num(3.5));  // last column of a tall table
    EXPECT_EQ(f("LOOKUP", {num(2.5), row({num(1), num(2), num(3)}), row({txt("a"), txt("b"), txt("c")})}), txt("b"));
    EXPECT_EQ(f("LOOKUP", {num(0), ref(1, 1, 5, 1)}), err(ErrorValue::NA));
}

TEST_F(LookupFunctions, XlookupReturnsTheMatchingPartOfTheReturnRange) {
    EXPECT_EQ(f("XLOOKUP", {num(30), ref(1, 1, 5, 1), ref(1, 2, 5, 3)}), ref(3, 2, 3, 3));
    EXPECT_EQ(f("XLOOKUP", {num(35), ref(1, 1, 5, 1), ref(1, 2, 5, 2), txt("-"), num(-1)}), cell(3, 2));
    EXPECT_EQ(f("XLOOKUP", {num(35), ref(1, 1, 5, 1), ref(1, 2, 5, 2), txt("-"), num(1)}), cell(4, 2));
    EXPECT_EQ(f("XLOOKUP", {num(35), ref(1, 1, 5, 1), ref(1, 2, 5, 2)}), err(ErrorValue::NA));
    EXPECT_EQ(f("XLOOKUP", {num(35), ref(1, 1, 5, 1), ref(1, 2, 4, 2)}), err(ErrorValue::Value));
    EXPECT_EQ(f("XLOOKUP", {num(35), ref(1, 1, 5, 1), ref(1, 2, 5, 2), txt("-"), num(3)}), err(ErrorValue::Value));
    Value keys = column({num(1), num(2), num(2), num(3)});
    Value values = column({txt("a"), txt("b"), txt("c"), txt("d")});
    EXPECT_EQ(f("XLOOKUP", {num(2), keys, values, Value::missing(), num(0), num(-1)}), txt("c"));
    EXPECT_EQ(f("XLOOKUP", {num(2), keys, values, Value::missing(), num(0), num(2)}), txt("b"));
}

TEST_F(LookupFunctions, IndexGivesReferences) {
    EXPECT_EQ(f("INDEX", {table(), num(2), num(3)}), cell(2, 3));
    EXPECT_EQ(f("INDEX", {table(), num(0), num(2)}), ref(1, 2, 5, 2));
    EXPECT_EQ(f("INDEX", {table(), num(4)}), ref(4, 1, 4, 3));
    EXPECT_EQ(f("INDEX", {ref(2, 1, 2, 3), num(3)}), cell(2, 3));  // one row: the index is a column
    EXPECT_EQ(f("INDEX", {table(), num(6), num(1)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("INDEX", {table(), num(-1), num(1)}), err(ErrorValue::Value));
    Value areas = Value::references({SheetArea{0, Area{1, 1, 2, 2}}, SheetArea{0, Area{4, 1, 5, 3}}});
    EXPECT_EQ(f("INDEX", {areas, num(1), num(3), num(2)}), cell(4, 3));
    EXPECT_EQ(f("INDEX", {areas, num(1), num(1), num(3)}), err(ErrorValue::Ref));
    Value array = Value::array(ValueArray{2, 2, {num(1), num(2), num(3), num(4)}});
    EXPECT_EQ(f("INDEX", {array, num(2), num(1)}), num(3));
    EXPECT_EQ(f("INDEX", {array, num(0), num(2)}), column({num(2), num(4)}));
    EXPECT_EQ(f("INDEX", {row({num(7), num(8), num(9)}), num(2)}), num(8));
}

TEST_F(LookupFunctions, OffsetAndIndirect) {
    EXPECT_EQ(f("OFFSET", {cell(1, 1), num(2), num(1)}), cell(3, 2));
    EXPECT_EQ(f("OFFSET", {table(), num(1), num(0), num(2)}), ref(2, 1, 3, 3));
    EXPECT_EQ(f("OFFSET", {cell(1, 1), num(0), num(0), num(3), num(2)}), ref(1, 1, 3, 2));
    EXPECT_EQ(f("OFFSET", {table(), num(0), num(0), Value::missing(), num(1)}), ref(1, 1, 5, 1));
    EXPECT_EQ(f("OFFSET", {cell(1, 1), num(-1), num(0)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("OFFSET", {cell(1, 1), num(0), num(kMaxColumns)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("OFFSET", {cell(1, 1), num(0), num(0), num(0)}), err(ErrorValue::Ref));
    EXPECT_EQ(f("OFFSET", {num(1), num(0), num(0)}), err(ErrorValue::Value));
    EXPECT_EQ(f("INDIRECT", {txt("B2:C3")}), ref(2, 2, 3, 3));
    EXPECT_EQ(f("INDIRECT", {txt("not a reference")}), err(ErrorValue::Ref));
    EXPECT_TRUE(findFunction("OFFSET")->isVolatile);
    EXPECT_TRUE(findFunction("INDIRECT")->isVolatile);
    EXPECT_FALSE(findFunction("INDEX")->isVolatile);
}

TEST_F(LookupFunctions, PositionsAndSizes) {
    grid.setCaller(SheetArea{0, Area::cell(7, 4)});
    EXPECT_EQ(f("ROW", {}), num(7));
    EXPECT_EQ(f("COLUMN", {}), num(4));
    EXPECT_EQ(f("ROW", {ref(2, 3, 4, 3)}), column({num(2), num(3), num(4)}));
    EXPECT_EQ(f("COLUMN", {ref(2, 3, 2, 4)}), row({num(3), num(4)}));
    EXPECT_EQ(f("ROWS", {table()}), num(5));
    EXPECT_EQ(f("COLUMNS", {ref(1, 1, kMaxRows, 3)}), num(3));
    EXPECT_EQ(f("ROWS", {row({num(1), num(2)})}), num(1));
    EXPECT_EQ(f("ROWS", {Value::references({SheetArea{0, Area::cell(1, 1)}, SheetArea{0, Area::cell(2, 2)}})}),
              err(ErrorValue::Ref));
}

TEST_F(LookupFunctions, Address) {
    EXPECT_EQ(f("ADDRESS", {num(2), num(3)}), txt("$C$2"));
    EXPECT_EQ(f("ADDRESS", {num(2), num(3), num(2)}), txt("C$2"));
    EXPECT_EQ(f("ADDRESS", {num(2), num(3), num(3)}), txt("$C2"));
    EXPECT_EQ(f("ADDRESS", {num(2), num(28), num(4)}), txt("AB2"));
    EXPECT_EQ(f("ADDRESS", {num(2), num(3), num(1), Value::boolean(false)}), txt("R2C3"));
    EXPECT_EQ(f("ADDRESS", {num(2), num(3), num(4), Value::boolean(false)}), txt("R[2]C[3]"));
    EXPECT_EQ(f("ADDRESS", {num(1), num(1), Value::missing(), Value::missing(), txt("My Sheet")}),
              txt("'My Sheet'!$A$1"));
    EXPECT_EQ(f("ADDRESS", {num(1), num(1), num(1), Value::boolean(true), txt("Data")}), txt("Data!$A$1"));
    EXPECT_EQ(f("ADDRESS", {num(0), num(1)}), err(ErrorValue::Value));
    EXPECT_EQ(f("ADDRESS", {num(1), num(16385)}), err(ErrorValue::Value));
    EXPECT_EQ(f("ADDRESS", {num(1), num(1), num(5)}), err(ErrorValue::Value));
}

}  // namespace
}  // namespace tavlora::host::formula::familytest
