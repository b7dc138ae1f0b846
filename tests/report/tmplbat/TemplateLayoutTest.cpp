#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "TmplBatTestSupport.h"
#include "report/tmplbat/BatchTemplateLayout.h"

namespace tavlora::tmplbat {
namespace {

using com::Variant;
using test::ListBook;

SWhiteCol col(std::string field, int16_t offset = 0, int16_t add = 1) { return SWhiteCol{std::move(field), offset, add}; }

SWhiteCol parsed(const std::string& text, bool expectedAnswer = true) {
    SWhiteCol out{"stale", 9, 9};
    EXPECT_EQ(BatchTemplateLayout::ParseColumnSpec(text, out), expectedAnswer) << text;
    return out;
}

// ---- column definitions ----

TEST(ColumnSpec, TheThreeFormsWithAsciiAndFullWidthDelimiters) {
    EXPECT_EQ(parsed("NAME"), col("NAME"));
    EXPECT_EQ(parsed("NAME(2)"), col("NAME", 2));
    EXPECT_EQ(parsed("NAME(1,2)"), col("NAME", 1, 2));
    EXPECT_EQ(parsed("NAME\xEF\xBC\x88" "1\xEF\xBC\x8C" "2\xEF\xBC\x89"), col("NAME", 1, 2));  // NAME（1，2）
    EXPECT_EQ(parsed("NAME(1\xEF\xBC\x8C" "3)"), col("NAME", 1, 3));                       // mixed forms
    EXPECT_EQ(parsed("\xE5\x90\x8D\xE5\x89\x8D\xEF\xBC\x88" "1\xEF\xBC\x89"), col("\xE5\x90\x8D\xE5\x89\x8D", 1));
    EXPECT_EQ(parsed("NAME(2,0)"), col("NAME", 2, 0));
    EXPECT_EQ(parsed("NAME(-1,3)"), col("NAME", -1, 3));
}

TEST(ColumnSpec, FieldIsNotTrimmedNumbersMayCarryBlanksAndRoundHalfToEven) {
    EXPECT_EQ(parsed("NAME ( 1 , 2 )"), col("NAME ", 1, 2));
    EXPECT_EQ(parsed(" NAME "), col(" NAME "));
    EXPECT_EQ(parsed("A(2.5)"), col("A", 2));
    EXPECT_EQ(parsed("A(3.5,1.5)"), col("A", 4, 2));
}

TEST(ColumnSpec, NoFieldForEmptyTextOrAnUnclosedBracket) {
    EXPECT_EQ(parsed("", false), col(""));
    EXPECT_EQ(parsed("NAME(1", false), col(""));
    EXPECT_EQ(parsed("NAME)1(", false), col(""));
    EXPECT_EQ(parsed("NAME\xEF\xBC\x88" "1", false), col(""));
}

TEST(ColumnSpec, BadNumbersAndMisplacedCommasThrow) {
    SWhiteCol out;
    EXPECT_COM_ERROR(BatchTemplateLayout::ParseColumnSpec("NAME(x)", out), com::hr::kTypeMismatch);
    EXPECT_COM_ERROR(BatchTemplateLayout::ParseColumnSpec("NAME()", out), com::hr::kTypeMismatch);
    EXPECT_COM_ERROR(BatchTemplateLayout::ParseColumnSpec("NAME(1,)", out), com::hr::kTypeMismatch);
    EXPECT_COM_ERROR(BatchTemplateLayout::ParseColumnSpec("NAME(,2)", out), com::hr::kTypeMismatch);
    EXPECT_COM_ERROR(BatchTemplateLayout::ParseColumnSpec("NAME(40000)", out), com::hr::kOverflow);
    EXPECT_THROW(BatchTemplateLayout::ParseColumnSpec("A,B(1)", out), com::Error);
    EXPECT_THROW(BatchTemplateLayout::ParseColumnSpec("N(1)2,3", out), com::Error);
}

// ---- reading the control area ----

TEST(ReadLayout, TheDocumentedExampleWithTwoRowsPerRecord) {
    ListBook book;
    book.put({{"A2", 2.0}, {"A3", 3.0}, {"A6", 2.0}, {"B1", "CODE(0,2)"}, {"C1", "NAME(0,2)"}, {"D1", "ADDR(1,2)"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.strKeyFld, "");
    EXPECT_EQ(layout.nColStart, 2);
    EXPECT_EQ(layout.nColCount, 3);  // stretched to the used range's last column, D
    EXPECT_EQ(layout.nRowStart, 3);
    EXPECT_EQ(layout.nRowCount, 0);  // not stretched without a key
    EXPECT_TRUE(layout.arrKeyText.empty());
    EXPECT_EQ(layout.arrWhiteCol, (std::vector<SWhiteCol>{col("CODE", 0, 2), col("NAME", 0, 2), col("ADDR", 1, 2)}));
    EXPECT_EQ(layout.nCtrlMode, ctrlmode::kDelete);
    // Record k: CODE and NAME on row 3 + 2k, ADDR on row 4 + 2k.
    EXPECT_EQ(layout.GetRecordCellRow(3, 0), 3);
    EXPECT_EQ(layout.GetRecordCellRow(5, 1), 7);
    EXPECT_EQ(layout.GetRecordCellRow(5, 2), 8);
}

TEST(ReadLayout, DefaultsWhenOnlyTheEndModeAndOneSpecAreGiven) {
    ListBook book;
    book.put({{"A6", 1.0}, {"B1", "NAME"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.nColStart, 1);
    EXPECT_EQ(layout.nColCount, 2);
    EXPECT_EQ(layout.nRowStart, 1);
    EXPECT_EQ(layout.arrWhiteCol, (std::vector<SWhiteCol>{col(""), col("NAME")}));
    EXPECT_EQ(layout.nCtrlMode, ctrlmode::kClear);
}

TEST(ReadLayout, FallbackCellsA4AndA5WhenA2AndA3AreEmpty) {
    ListBook book;
    book.put({{"A4", " 3 , 2 "}, {"A5", "7"}, {"C1", "X"}, {"D1", "Y"}, {"E1", "Z"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.nColStart, 3);
    EXPECT_EQ(layout.nColCount, 2);  // E1 is outside the two output columns
    EXPECT_EQ(layout.arrWhiteCol, (std::vector<SWhiteCol>{col("X"), col("Y")}));
    EXPECT_EQ(layout.nRowStart, 7);
}

TEST(ReadLayout, FullWidthCommaInPairsAndBlankA2IsEmpty) {
    ListBook book;
    book.put({{"A2", "   "}, {"A4", "2\xEF\xBC\x8C" "1"}, {"A3", "4\xEF\xBC\x8C" "9"}, {"B1", "F"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.nColStart, 2);
    EXPECT_EQ(layout.nColCount, 1);
    EXPECT_EQ(layout.nRowStart, 4);
    EXPECT_EQ(layout.nRowCount, 9);
}

TEST(ReadLayout, KeyLabelsAreReadUntrimmedAndMayOverlapTheControlCells) {
    ListBook book;
    // A6 is both the end-mode cell and the third key label.
    book.put({{"A1", " CODE "}, {"A2", "2,1"}, {"A3", "4,3"}, {"A4", " X "}, {"A5", 7.0}, {"A6", "2"}, {"B1", "V"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.strKeyFld, "CODE");
    EXPECT_EQ(layout.arrKeyText, (std::vector<std::string>{" X ", "7", "2"}));
    EXPECT_EQ(layout.nCtrlMode, ctrlmode::kDelete);
}

TEST(ReadLayout, KeyLabelCountStretchesToTheUsedRangeOnlyWithAKey) {
    ListBook book;
    book.put({{"A1", "K"}, {"A2", "2,1"}, {"A3", "3"}, {"A9", "last"}, {"B1", "V"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.nRowCount, 7);  // rows 3..9
    ASSERT_EQ(layout.arrKeyText.size(), 7u);
    EXPECT_EQ(layout.arrKeyText.front(), "3");  // A3 holds the pair itself
    EXPECT_EQ(layout.arrKeyText.back(), "last");
}

TEST(ReadLayout, EndModeFromA6) {
    const std::vector<std::pair<Variant, int32_t>> cases = {
        {Variant(), ctrlmode::kClear},   {Variant(" 1 "), ctrlmode::kClear}, {Variant(" 2 "), ctrlmode::kDelete},
        {Variant(0.0), ctrlmode::kKeep}, {Variant("3"), ctrlmode::kKeep},    {Variant("abc"), ctrlmode::kKeep},
    };
    for (const auto& [a6, mode] : cases) {
        ListBook book;
        book.put({{"A6", a6}, {"B1", "V"}});
        BatchTemplateLayout layout;
        ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
        EXPECT_EQ(layout.nCtrlMode, mode) << com::toTextOrEmpty(a6);
    }
}

TEST(ReadLayout, AnUnclosedSpecLeavesItsColumnWithoutAField) {
    ListBook book;
    book.put({{"A2", "2"}, {"B1", "NAME(1"}, {"C1", "CITY"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.arrWhiteCol, (std::vector<SWhiteCol>{col(""), col("CITY")}));
}

TEST(ReadLayout, FailuresAnswerFalse) {
    const std::vector<std::vector<std::pair<const char*, Variant>>> templates = {
        {{"A2", "a,5"}, {"B1", "V"}},                   // column pair not numeric
        {{"A3", "3,b"}, {"B1", "V"}},                   // row pair not numeric
        {{"A2", ",3"}, {"B1", "V"}},                    // no first number
        {{"A2", "70000"}, {"B1", "V"}},                 // not 16-bit
        {{"A2", "9"}, {"B1", "V"}},                     // stretched column count below 1
        {{"A2", "0,2"}, {"B1", "V"}},                   // column 0 is no cell
        {{"A1", "K"}, {"A2", "2,1"}, {"A3", "0,2"}},    // key label row 0
        {{"A1", "K"}, {"A2", "2,1"}, {"A3", "40"}},     // stretched label count below 1
        {{"A1", "K"}, {"A2", "2,1"}, {"A3", "32767,2"}},  // label row beyond 16 bits
        {{"A2", "2,2"}, {"B1", "NAME(x)"}},             // bad number inside a definition
        {{"A3", Variant::error(com::hr::runtime(2042))}, {"B1", "V"}},  // #N/A in a control cell
        {{"A2", "2,1"}, {"B1", Variant::error(com::hr::runtime(2007))}},  // #DIV/0! as a definition
        {{"A1", "K"}, {"A2", "2,1"}, {"A3", "7,1"}, {"A7", Variant::error(com::hr::runtime(2042))}},  // as a label
    };
    for (const auto& cells : templates) {
        ListBook book;
        for (const auto& [address, value] : cells) book.list->range(address).setValue(value);
        BatchTemplateLayout layout;
        EXPECT_FALSE(layout.ReadTemplateLayout(*book.list)) << cells.back().first;
    }
}

TEST(ReadLayout, AFailedReadKeepsWhatItHadNotReached) {
    ListBook book;
    book.put({{"A2", "2"}, {"A6", "2"}, {"B1", "A"}, {"C1", "B"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    book.put({{"A2", "3"}, {"A6", "0"}, {"C1", "B(x)"}});
    EXPECT_FALSE(layout.ReadTemplateLayout(*book.list));
    EXPECT_EQ(layout.nColStart, 3);                  // read before the failure
    EXPECT_EQ(layout.nCtrlMode, ctrlmode::kDelete);  // A6 was not reached
}

TEST(ReadLayout, ClearEmptiesTheArraysOnly) {
    ListBook book;
    book.put({{"A1", "K"}, {"A2", "2,1"}, {"A3", "2,2"}, {"A6", "0"}, {"B1", "V"}});
    BatchTemplateLayout layout;
    ASSERT_TRUE(layout.ReadTemplateLayout(*book.list));
    layout.arrFldIndex = {0};
    layout.ClearTemplateLayout();
    EXPECT_TRUE(layout.arrKeyText.empty());
    EXPECT_TRUE(layout.arrWhiteCol.empty());
    EXPECT_TRUE(layout.arrFldIndex.empty());
    EXPECT_EQ(layout.strKeyFld, "K");
    EXPECT_EQ(layout.nColCount, 1);
    EXPECT_EQ(layout.nRowCount, 2);
    EXPECT_EQ(layout.nCtrlMode, ctrlmode::kKeep);
}

// ---- row arithmetic ----

TEST(RecordCellRow, SixteenBitArithmeticAndIndexChecks) {
    BatchTemplateLayout layout;
    layout.nRowStart = 3;
    layout.arrWhiteCol = {col("A", 0, 1), col("B", 1, 3), col("C", -2, 2)};
    EXPECT_EQ(layout.GetRecordCellRow(3, 0), 3);
    EXPECT_EQ(layout.GetRecordCellRow(10, 0), 10);
    EXPECT_EQ(layout.GetRecordCellRow(5, 1), 3 + 1 + 2 * 3);
    EXPECT_EQ(layout.GetRecordCellRow(4, 2), 3);
    EXPECT_EQ(layout.GetRecordCellRow(32767, 0), 32767);
    EXPECT_COM_ERROR(layout.GetRecordCellRow(32767, 1), com::hr::kOverflow);  // 32767 - 3 times 3
    EXPECT_COM_ERROR(layout.GetRecordCellRow(20000, 2), com::hr::kOverflow);
    EXPECT_COM_ERROR(layout.GetRecordCellRow(3, 3), com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(layout.GetRecordCellRow(3, -1), com::hr::kSubscriptOutOfRange);
}

}  // namespace
}  // namespace tavlora::tmplbat
