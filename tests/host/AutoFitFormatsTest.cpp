#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "SheetFixture.h"
#include "host/CellText.h"

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

// Numbers shown as their general text are written without NumberFormat where the text is short;
// what AutoFit (and Find) read must be the formatted text all the same, under every format that
// takes that way and under one that does not.
TEST_F(AutoFitFormatsTest, NumbersReadForMeasuringAreTheFormattedText) {
    const char* formats[] = {"General", "@", "@\" units\"", "0.00"};
    const double values[] = {0, -0.0, 7, -42, 12.5, -0.75, 1234567.125, 99999999999999, 1e15, -1e20,
                             1e-10, 0.1 + 0.2, 123456789.5, -4294967296.25, 1.0 / 3};
    for (int column = 1; column <= 4; ++column) {
        const std::string letter(1, static_cast<char>('A' + column - 1));
        at(letter + ":" + letter).setNumberFormatLocal(formats[column - 1]);
        for (size_t i = 0; i < std::size(values); ++i) sheet->cell(int32_t(i) + 1, column).setValue(values[i]);
    }
    CellTextRenderer renderer(*sheet);
    std::string scratch;
    size_t compared = 0;
    for (const RowInfo& row : sheet->store().rows())
        for (const Cell& cell : row.cells) {
            SCOPED_TRACE(std::to_string(row.row) + ", " + std::to_string(cell.column));
            ASSERT_EQ(cell.kind, CellKind::Number);
            EXPECT_EQ(renderer.text(cell, scratch), renderer.text(cell));
            ++compared;
        }
    EXPECT_EQ(compared, 4 * std::size(values));
}

// Widths of texts the pool holds are kept per style and text number in a table of fixed size:
// thousands of other texts must not make a repeated text count for less, nor the same text in a
// larger font count for the smaller one.
TEST_F(AutoFitFormatsTest, RepeatedTextsCountAsMeasuredAmongManyOthers) {
    for (int32_t row = 1; row <= 20000; ++row) {
        sheet->cell(row, 1).setValue(row % 1000 == 0 ? com::Variant("a much longer text that repeats")
                                                    : com::Variant("t" + std::to_string(row)));
        sheet->cell(row, 2).setValue("same text");
    }
    sheet->cell(1, 3).setValue("a much longer text that repeats");
    sheet->cell(1, 4).setValue("same text");
    at("B20000").font().setSize(28);
    sheet->range("A:D").columns().autoFit();
    EXPECT_EQ(at("A1").columnWidth(), at("C1").columnWidth());
    EXPECT_GT(at("B1").columnWidth(), at("D1").columnWidth() * 2);
}

}  // namespace
}  // namespace tavlora::host::test
