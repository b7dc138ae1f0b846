#include "report/common/MCommExcelRange.h"
#include "host/files/NewApplication.h"

#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::common {
namespace {

using com::Variant;
namespace R = MCommExcelRange;

class RangeFormulaTest : public ::testing::Test {
protected:
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> data = workbook->worksheets().front();

    void SetUp() override { data->setName("Data"); }
};

Variant numbers(std::vector<Variant> items, int32_t lowerBound = 0) {
    return Variant::array(std::move(items), lowerBound);
}

TEST(SheetPrefix, FormulaAndPlainFormsInsertTheNameUnquoted) {
    EXPECT_EQ(MCommExcelIn::BuildSheetPrefix("Data", true), "=Data!");
    EXPECT_EQ(MCommExcelIn::BuildSheetPrefix("Data", false), "Data!");
    EXPECT_EQ(MCommExcelIn::BuildSheetPrefix("My Data", true), "=My Data!");
    EXPECT_EQ(MCommExcelIn::BuildSheetPrefix("", true), "=!");
    EXPECT_EQ(MCommExcelIn::BuildSheetPrefix("", false), "!");
}

TEST(R1C1Text, RowsAndColumnsAreWrittenAsGivenWithoutChecks) {
    EXPECT_EQ(R::RowColToR1C1(3, 2), "R3C2");
    EXPECT_EQ(R::RowColToR1C1(0, 0), "R0C0");
    EXPECT_EQ(R::RowColToR1C1(-1, 5), "R-1C5");
    EXPECT_EQ(R::RowColToR1C1(INT32_MIN, INT32_MAX), "R-2147483648C2147483647");
    EXPECT_EQ(R::RowColRangeToR1C1(1, 1, 5, 3), "R1C1:R5C3");
    EXPECT_EQ(R::RowColRangeToR1C1(6, 2, 2, 2), "R6C2:R2C2") << "corners are not reordered";
}

TEST(R1C1Text, SheetQualifiedReferences) {
    EXPECT_EQ(R::SheetRangeRefR1C1("Data", 2, 2, 6, 2, true), "=Data!R2C2:R6C2");
    EXPECT_EQ(R::SheetRangeRefR1C1("Data", 2, 2, 6, 2, false), "Data!R2C2:R6C2");
    EXPECT_EQ(R::SheetCellRefR1C1("My Data", 1, 1, true), "=My Data!R1C1");
    EXPECT_EQ(R::SheetCellRefR1C1("Data", 2, 1, false), "Data!R2C1");
    EXPECT_EQ(R::SheetCellRefR1C1("", 1, 2, true), "=!R1C2");
}

TEST_F(RangeFormulaTest, A1AddressesResolveToTheirTopLeftCell) {
    EXPECT_EQ(R::A1ToR1C1(workbook, "b3"), "R3C2");
    EXPECT_EQ(R::A1ToR1C1(workbook, "$B$3"), "R3C2");
    EXPECT_EQ(R::A1ToR1C1(workbook, "B3:D5"), "R3C2");
    EXPECT_EQ(R::A1ToR1C1(workbook, "D5:B3"), "R3C2");
    EXPECT_EQ(R::A1ToR1C1(workbook, "XFD1048576"), "R1048576C16384");
}

TEST_F(RangeFormulaTest, UnresolvableAddressesGiveEmptyText) {
    EXPECT_EQ(R::A1ToR1C1(workbook, ""), "");
    EXPECT_EQ(R::A1ToR1C1(workbook, "not an address"), "");
    EXPECT_EQ(R::A1ToR1C1(workbook, "XFE1"), "");
    EXPECT_EQ(R::A1ToR1C1(workbook, "A1048577"), "");
    EXPECT_EQ(R::A1ToR1C1(nullptr, "B3"), "");
    workbook->close();
    EXPECT_EQ(R::A1ToR1C1(workbook, "B3"), "") << "no open workbook to resolve against";
}

TEST_F(RangeFormulaTest, A1RangesJoinTheTopLeftCellsOfBothAddresses) {
    EXPECT_EQ(R::A1RangeToR1C1(workbook, "B2", "B6"), "R2C2:R6C2");
    EXPECT_EQ(R::A1RangeToR1C1(workbook, "$D$5", "b2:c3"), "R5C4:R2C2");
    EXPECT_EQ(R::A1RangeToR1C1(workbook, "A1", ""), "");
    EXPECT_EQ(R::A1RangeToR1C1(workbook, "", "A1"), "");
    EXPECT_EQ(R::SheetRangeRefA1(workbook, "Sheet2", "B2", "B6", true), "=Sheet2!R2C2:R6C2");
    EXPECT_EQ(R::SheetRangeRefA1(workbook, "Data", "B2", "B6", false), "Data!R2C2:R6C2");
    EXPECT_EQ(R::SheetRangeRefA1(workbook, "Data", "B2", "??", true), "");
}

TEST_F(RangeFormulaTest, SheetCellFromA1TakesTheTextOfAnyValue) {
    EXPECT_EQ(R::SheetCellRefA1(workbook, "Data", Variant("B1"), true), "=Data!R1C2");
    EXPECT_EQ(R::SheetCellRefA1(workbook, "Data", Variant("a2"), false), "Data!R2C1");
    EXPECT_EQ(R::SheetCellRefA1(workbook, "Data", Variant("no address"), true), "");
    EXPECT_EQ(R::SheetCellRefA1(workbook, "Data", Variant::null(), true), "") << "Null has no text";
    EXPECT_EQ(R::SheetCellRefA1(workbook, "Data", Variant(), true), "");
}

TEST_F(RangeFormulaTest, SheetRangeByRowAndColumn) {
    auto block = R::GetSheetRangeByRowCol(workbook, "data", 2, 2, 6, 3);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->worksheet(), data);
    EXPECT_EQ(block->address(), "$B$2:$C$6");
    auto reversed = R::GetSheetRangeByRowCol(workbook, "Data", 6, 3, 2, 2);
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->address(), "$B$2:$C$6");

    auto single = R::GetSheetRangeByRowCol(workbook, "Data", 2, 3, 0, 9);
    ASSERT_TRUE(single);
    EXPECT_EQ(single->address(), "$C$2");
    single = R::GetSheetRangeByRowCol(workbook, "Data", 2, 3, 9, 0);
    ASSERT_TRUE(single);
    EXPECT_EQ(single->address(), "$C$2");
}

TEST_F(RangeFormulaTest, SheetRangeByRowAndColumnFailures) {
    EXPECT_FALSE(R::GetSheetRangeByRowCol(workbook, "Missing", 1, 1, 2, 2));
    EXPECT_EQ(workbook->sheets().size(), 1u) << "a missing sheet is never added";
    EXPECT_FALSE(R::GetSheetRangeByRowCol(workbook, "Data", 0, 1, 2, 2));
    EXPECT_FALSE(R::GetSheetRangeByRowCol(workbook, "Data", 1, 1, 1048577, 2));
    EXPECT_FALSE(R::GetSheetRangeByRowCol(nullptr, "Data", 1, 1, 2, 2));
}

TEST_F(RangeFormulaTest, SheetRangeByA1) {
    auto block = R::GetSheetRangeByA1(workbook, "DATA", "B2", "c6");
    ASSERT_TRUE(block);
    EXPECT_EQ(block->address(), "$B$2:$C$6");
    auto whole = R::GetSheetRangeByA1(workbook, "Data", "B2:C6", "");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->address(), "$B$2:$C$6");
    EXPECT_FALSE(R::GetSheetRangeByA1(workbook, "Data", "B2", "what"));
    EXPECT_FALSE(R::GetSheetRangeByA1(workbook, "Data", "", ""));
    EXPECT_FALSE(R::GetSheetRangeByA1(workbook, "Missing", "B2", ""));
    EXPECT_EQ(workbook->sheets().size(), 1u);
}

TEST(RefUnion, ReferencesJoinTheFirstItemsByAbsoluteIndex) {
    const std::vector<std::string> items = {"Data!R2C1", "Data!R3C1", "Data!R4C1"};
    EXPECT_EQ(R::BuildRefUnionOrArray(items, 1, true), Variant("=(Data!R2C1)"));
    EXPECT_EQ(R::BuildRefUnionOrArray(items, 2, true), Variant("=(Data!R2C1,Data!R3C1)"));
    EXPECT_EQ(R::BuildRefUnionOrArray(items, 3, true), Variant("=(Data!R2C1,Data!R3C1,Data!R4C1)"));
    EXPECT_EQ(R::BuildRefUnionOrArray(items, 0, true), Variant("=()"));
    EXPECT_EQ(R::BuildRefUnionOrArray(items, -7, true), Variant("=()"));
}

TEST(RefUnion, FailuresReachTheCaller) {
    const std::vector<std::string> items = {"a", "b"};
    EXPECT_COM_ERROR(R::BuildRefUnionOrArray(items, 3, true), com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(R::BuildRefUnionOrArray(items, -32768, true), com::hr::kOverflow);
}

TEST(RefUnion, TextModeCopiesTheWholeListWhateverTheCount) {
    const std::vector<std::string> items = {"Jan", "Feb", ""};
    for (int16_t count : {int16_t{0}, int16_t{1}, int16_t{-32768}, int16_t{9}}) {
        const Variant result = R::BuildRefUnionOrArray(items, count, false);
        ASSERT_EQ(result.type(), com::VarType::Array) << count;
        EXPECT_EQ(result.asArray()->lowerBound, 0);
        EXPECT_EQ(result.asArray()->items, (std::vector<Variant>{Variant("Jan"), Variant("Feb"), Variant("")}));
    }
}

TEST(NumberArray, ArrayConstantAndParenthesisedForms) {
    const Variant values = numbers({Variant(1.0), Variant(2.5), Variant(int16_t{3})});
    EXPECT_EQ(R::BuildNumberArrayFormula(values, 3, false), "={1,2.5,3}");
    EXPECT_EQ(R::BuildNumberArrayFormula(values, 3, true), "=(1,2.5,3)");
    EXPECT_EQ(R::BuildNumberArrayFormula(values, 2, false), "={1,2.5}");
    EXPECT_EQ(R::BuildNumberArrayFormula(values, 0, false), "={}");
    EXPECT_EQ(R::BuildNumberArrayFormula(values, -3, true), "=()");
}

TEST(NumberArray, ElementsAreWrittenInGeneralNumberForm) {
    const Variant values = numbers({Variant(0.1 + 0.2), Variant(1e16), Variant(), Variant(" 2 "), Variant(-1.5e-10),
                                    Variant(true), Variant(int32_t{-40000}), Variant(123456789012345678.0),
                                    Variant(1.0 / 3.0)});
    EXPECT_EQ(R::BuildNumberArrayFormula(values, 9, false),
              "={0.3,1E+16,0,2,-1.5E-10,-1,-40000,1.23456789012346E+17,0.333333333333333}");
}

TEST(NumberArray, FailuresReachTheCaller) {
    EXPECT_COM_ERROR(R::BuildNumberArrayFormula(numbers({Variant(1.0), Variant("x")}), 2, false),
                     com::hr::kTypeMismatch);
    EXPECT_COM_ERROR(R::BuildNumberArrayFormula(numbers({Variant::null()}), 1, false), com::hr::kInvalidUseOfNull);
    EXPECT_COM_ERROR(R::BuildNumberArrayFormula(numbers({Variant(1.0)}), 2, false), com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(R::BuildNumberArrayFormula(numbers({Variant(1.0), Variant(2.0)}, 1), 1, false),
                     com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(R::BuildNumberArrayFormula(Variant(5.0), 1, false), com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(R::BuildNumberArrayFormula(numbers({}), -32768, false), com::hr::kOverflow);
    EXPECT_EQ(R::BuildNumberArrayFormula(Variant(5.0), 0, false), "={}") << "no element is read";
}

}  // namespace
}  // namespace tavlora::common
