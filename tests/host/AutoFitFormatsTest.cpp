#include <gtest/gtest.h>

#include "SheetFixture.h"

namespace tavlora::host::test {
namespace {

class AutoFitFormatsTest : public SheetFixture {};

// A text is measured as its format shows it: as it is under General and "@", with the literal
// text of a text section around it otherwise.
TEST_F(AutoFitFormatsTest, TextsAreMeasuredAsTheirFormatShowsThem) {
    at("A:A").setNumberFormatLocal("@");
    at("B:B").setNumberFormatLocal("General");
    at("C:C").setNumberFormatLocal("@\" units and more\"");
    for (const char* column : {"A", "B", "C"}) put(std::string(column) + "1", "twelve");
    sheet->range("A:C").columns().autoFit();
    EXPECT_EQ(at("A1").columnWidth(), at("B1").columnWidth());
    EXPECT_GT(at("C1").columnWidth(), at("A1").columnWidth() + 8);
    EXPECT_EQ(text("C1"), "twelve units and more");
}

TEST_F(AutoFitFormatsTest, NumbersAreMeasuredAsShownAndMergedCellsNotAtAll) {
    at("B:B").setNumberFormatLocal("#,##0.00");
    put("A1", 1234567.0);
    put("B1", 1234567.0);  // 1,234,567.00: three characters more
    put("C1", "a text much longer than the column could be");
    at("C1:D1").merge();
    put("C2", "short");
    sheet->range("A:C").columns().autoFit();
    EXPECT_GT(at("B1").columnWidth(), at("A1").columnWidth() + 2);
    EXPECT_LT(at("C1").columnWidth(), 8);  // only "short" counts
}

}  // namespace
}  // namespace tavlora::host::test
