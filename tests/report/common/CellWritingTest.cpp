#include "report/common/CellWriting.h"
#include "host/files/NewApplication.h"

#include <gtest/gtest.h>

#include "com/Conversions.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::common {
namespace {

class CellWritingTest : public ::testing::Test {
protected:
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> sheet = workbook->worksheets().front();

    std::string text(const char* address) { return com::toTextOrEmpty(sheet->range(address).value()); }
};

TEST_F(CellWritingTest, NoSheetWritesNothing) {
    std::shared_ptr<host::Worksheet> none;
    EXPECT_FALSE(MCommExcel::WriteCellByRowCol(none, 1, 1, "x"));
    EXPECT_FALSE(MCommExcel::WriteCellByAddress(none, "A1", "x"));
    EXPECT_EQ(MCommExcel::ReplaceAllInSheet(none, "x", "y"), 0);
    EXPECT_EQ(MCommExcel::ReplaceWhiteDotInSheet(none, "x", "y"), 0);
}

TEST_F(CellWritingTest, WritesCellsAndAreas) {
    EXPECT_TRUE(MCommExcel::WriteCellByRowCol(sheet, 32767, 3, "last"));
    EXPECT_EQ(text("C32767"), "last");
    EXPECT_TRUE(MCommExcel::WriteCellByAddress(sheet, "B3:C4", "all"));
    EXPECT_EQ(text("B3"), "all");
    EXPECT_EQ(text("C4"), "all");
    EXPECT_THROW(MCommExcel::WriteCellByRowCol(sheet, 0, 1, "x"), com::Error);
    EXPECT_THROW(MCommExcel::WriteCellByAddress(sheet, "not an address", "x"), com::Error);
}

TEST_F(CellWritingTest, ReplacesWholeValueOfEveryMatchingCell) {
    sheet->range("A1").setValue(com::Variant("%Name%"));
    sheet->range("C2").setValue(com::Variant("Dear %name%, hello"));
    sheet->range("B5").setValue(com::Variant("%NAME%"));
    sheet->range("D6").setValue(com::Variant("unrelated"));
    EXPECT_EQ(MCommExcel::ReplaceWhiteDotInSheet(sheet, "Name", "Smith"), 3);
    EXPECT_EQ(text("A1"), "Smith");
    EXPECT_EQ(text("C2"), "Smith");
    EXPECT_EQ(text("B5"), "Smith");
    EXPECT_EQ(text("D6"), "unrelated");
    EXPECT_EQ(MCommExcel::ReplaceWhiteDotInSheet(sheet, "Name", "Smith"), 0);
}

TEST_F(CellWritingTest, ValueContainingTheSearchTextEndsAtTheFirstCell) {
    sheet->range("A1").setValue(com::Variant("key"));
    sheet->range("B2").setValue(com::Variant("a key"));
    sheet->range("C3").setValue(com::Variant("KEY!"));
    EXPECT_EQ(MCommExcel::ReplaceAllInSheet(sheet, "key", "new key"), 3);
    EXPECT_EQ(text("A1"), "new key");
    EXPECT_EQ(text("C3"), "new key");
}

TEST_F(CellWritingTest, ACellThatKeepsMatchingThroughItsFormatIsWrittenOnce) {
    sheet->range("A1").setValue(com::Variant("%x%"));  // stops matching once written
    sheet->range("B2").setValue(com::Variant(1.0));
    sheet->range("B2").setNumberFormatLocal("\"%x%\"0;\"%x%\"0;\"%x%\"0;\"%x%\"@");  // shows %x% whatever it holds
    sheet->range("C3").setValue(com::Variant("%x% too"));
    EXPECT_EQ(MCommExcel::ReplaceAllInSheet(sheet, "%x%", "done"), 3);
    EXPECT_EQ(text("A1"), "done");
    EXPECT_EQ(text("B2"), "done");
    EXPECT_EQ(text("C3"), "done");
}

}  // namespace
}  // namespace tavlora::common
