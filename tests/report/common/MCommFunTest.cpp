#include <gtest/gtest.h>

#include "report/common/MCommFun.h"
#include "data/MemoryRecordset.h"

namespace tavlora::common::MCommFun {
namespace {

using com::Variant;
using data::MemoryRecordset;

TEST(IsZeroValueTest, NumbersStrictlyInsideTheZeroBandAreZero) {
    for (const char* text : {"0", "0.00", "-0", "1e-8", "  0  ", "-9.99e-8", "+0"})
        EXPECT_TRUE(IsZeroValue(text)) << text;
}

TEST(IsZeroValueTest, BoundsAndEverythingElseAreNotZero) {
    for (const char* text : {"1e-7", "-1e-7", "0.001", "", "   ", "abc", "0x0", "0 0", "1"})
        EXPECT_FALSE(IsZeroValue(text)) << text;
}

std::shared_ptr<MemoryRecordset> sample() {
    return std::make_shared<MemoryRecordset>(
        std::vector<std::string>{"ID", "Name", "name", "Price", "Paid", "Note"},
        std::vector<MemoryRecordset::Row>{{Variant(int32_t{7}), Variant("Ann"), Variant("second"), Variant(1234.5),
                                           Variant(true), Variant::null()}});
}

TEST(GetFieldTextTest, ValuesBecomeTheirText) {
    auto rst = sample();
    EXPECT_EQ(GetFieldText(rst, "id"), "7");
    EXPECT_EQ(GetFieldText(rst, "NAME"), "Ann") << "first field of that name, any letter case";
    EXPECT_EQ(GetFieldText(rst, "price"), "1234.5");
    EXPECT_EQ(GetFieldText(rst, "Paid"), "True");
}

TEST(GetFieldTextTest, NullMissingFieldAndNoRecordGiveEmptyText) {
    auto rst = sample();
    EXPECT_EQ(GetFieldText(rst, "Note"), "");
    EXPECT_EQ(GetFieldText(rst, "Salary"), "");
    EXPECT_EQ(GetFieldText(std::shared_ptr<data::Recordset>(), "ID"), "");
    rst->MoveNext();
    EXPECT_EQ(GetFieldText(rst, "ID"), "") << "no current record";
}

TEST(FindFieldIndexTest, FirstMatchIgnoringCaseWins) {
    auto rst = sample();
    EXPECT_EQ(FindFieldIndex(rst, "NAME"), 1);
    EXPECT_EQ(FindFieldIndex(rst, "name"), 1);
    EXPECT_EQ(FindFieldIndex(rst, "id"), 0);
    EXPECT_EQ(FindFieldIndex(rst, "Note"), 5);
}

TEST(FindFieldIndexTest, LettersBeyondAsciiMatchInEitherCaseAndWholeNamesOnly) {
    auto rst = std::make_shared<MemoryRecordset>(std::vector<std::string>{"Nam", "Name", "\xC3\x84rger", "Stra\xC3\x9F" "e"},
                                                 std::vector<MemoryRecordset::Row>{});
    EXPECT_EQ(FindFieldIndex(rst, "NAME"), 1) << "a field whose name starts the wanted one is not it";
    EXPECT_EQ(FindFieldIndex(rst, "nam"), 0);
    EXPECT_EQ(FindFieldIndex(rst, "\xC3\xA4RGER"), 2);  // "äRGER" finds "Ärger"
    EXPECT_EQ(FindFieldIndex(rst, "STRA\xC3\x9F" "E"), 3);
    EXPECT_EQ(FindFieldIndex(rst, "STRASSE"), -1) << "one letter never matches two";
}

TEST(FindFieldIndexTest, AbsentNameOrNoFieldsGiveMinusOne) {
    EXPECT_EQ(FindFieldIndex(sample(), "Salary"), -1);
    EXPECT_EQ(FindFieldIndex(sample(), ""), -1);
    EXPECT_EQ(FindFieldIndex(std::make_shared<MemoryRecordset>(std::vector<std::string>{},
                                                               std::vector<MemoryRecordset::Row>{}),
                             "ID"),
              -1);
}

TEST(FindFieldIndexTest, WorksAtEofAndFailsWithoutARecordset) {
    auto rst = sample();
    rst->MoveNext();
    EXPECT_EQ(FindFieldIndex(rst, "Price"), 3) << "names need no current record";
    try {
        FindFieldIndex(std::shared_ptr<data::Recordset>(), "ID");
        FAIL() << "no error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kObjectNotSet);
    }
}

}  // namespace
}  // namespace tavlora::common::MCommFun
