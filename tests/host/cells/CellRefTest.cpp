#include <gtest/gtest.h>

#include "host/cells/CellRef.h"

namespace tavlora::host {
namespace {

TEST(CellRefTest, ColumnLettersRoundTripAtTheGridEdges) {
    EXPECT_EQ(columnFromLetters("A"), 1);
    EXPECT_EQ(columnFromLetters("z"), 26);
    EXPECT_EQ(columnFromLetters("AA"), 27);
    EXPECT_EQ(columnFromLetters("xfd"), kMaxColumns);
    EXPECT_EQ(columnFromLetters("XFE"), 0);
    EXPECT_EQ(columnFromLetters("AAAA"), 0);
    EXPECT_EQ(columnFromLetters(""), 0);
    EXPECT_EQ(columnFromLetters("A1"), 0);
    for (int32_t column : {1, 26, 27, 52, 702, 703, 16384}) EXPECT_EQ(columnFromLetters(columnLetters(column)), column);
    EXPECT_EQ(columnLetters(702), "ZZ");
    EXPECT_EQ(columnLetters(703), "AAA");
}

TEST(CellRefTest, ParsesCellsInAnyCaseWithOrWithoutDollars) {
    for (const char* text : {"B5", "b5", "$B$5", "$b5", "B$5"}) {
        auto area = parseA1(text);
        ASSERT_TRUE(area) << text;
        EXPECT_EQ(*area, Area::cell(5, 2)) << text;
    }
}

TEST(CellRefTest, GridBoundariesBothWays) {
    EXPECT_EQ(parseA1("XFD1048576"), Area::cell(kMaxRows, kMaxColumns));
    EXPECT_FALSE(parseA1("XFE1"));
    EXPECT_FALSE(parseA1("A1048577"));
    EXPECT_FALSE(parseA1("A0"));
    EXPECT_FALSE(parseA1("A01"));
    EXPECT_FALSE(parseA1("1048577:1048577"));
    EXPECT_TRUE(parseA1("1048576:1048576"));
    EXPECT_FALSE(parseA1("XFE:XFE"));
}

TEST(CellRefTest, AreasAreNormalisedWhateverTheCornerOrder) {
    EXPECT_EQ(parseA1("D5:B3"), (Area{3, 2, 5, 4}));
    EXPECT_EQ(parseA1("$A$1:$C$4"), (Area{1, 1, 4, 3}));
}

TEST(CellRefTest, WholeRowsAndColumns) {
    EXPECT_EQ(parseA1("1:2"), (Area{1, 1, 2, kMaxColumns}));
    EXPECT_EQ(parseA1("$3:$3"), (Area{3, 1, 3, kMaxColumns}));
    EXPECT_EQ(parseA1("A:A"), (Area{1, 1, kMaxRows, 1}));
    EXPECT_EQ(parseA1("c:$b"), (Area{1, 2, kMaxRows, 3}));
    EXPECT_EQ(parseA1("C"), (Area{1, 3, kMaxRows, 3}));
    EXPECT_EQ(parseA1("7"), (Area{7, 1, 7, kMaxColumns}));
}

TEST(CellRefTest, RefusesWhatIsNoReference) {
    for (const char* text : {"", ":", "A1:", ":B2", "A1:B2:C3", "A1:3", "A:1", "A$", "$", "$$A1", "A1B", "1A",
                             "Sheet1!A1", " A1", "A 1", "R1C1"})
        EXPECT_FALSE(parseA1(text)) << '"' << text << '"';
}

TEST(CellRefTest, AddressesInAbsoluteAndRelativeForm) {
    EXPECT_EQ(cellAddress(5, 2), "$B$5");
    EXPECT_EQ(cellAddress(5, 2, false), "B5");
    EXPECT_EQ(areaAddress(Area::cell(5, 2)), "$B$5");
    EXPECT_EQ(areaAddress(Area{5, 2, 7, 3}), "$B$5:$C$7");
    EXPECT_EQ(areaAddress(*parseA1("1:2")), "$1:$2");
    EXPECT_EQ(areaAddress(*parseA1("A:A")), "$A:$A");
    EXPECT_EQ(areaAddress(*parseA1("b:c"), false), "B:C");
    EXPECT_EQ(areaAddress(Area{1, 1, kMaxRows, kMaxColumns}), "$1:$1048576");
}

// The fast path of the file readers and writers: r="B12", ref="A1:C4".
TEST(CellRefTest, CellsOfFileAttributesParseAndFormatWithoutLoss) {
    int32_t row = 0, column = 0;
    ASSERT_TRUE(parseCell("XFD1048576", row, column));
    EXPECT_EQ(row, kMaxRows);
    EXPECT_EQ(column, kMaxColumns);
    ASSERT_TRUE(parseCell("$b$7", row, column));
    EXPECT_EQ(row, 7);
    EXPECT_EQ(column, 2);
    for (const char* bad : {"XFE1", "A1048577", "A0", "A01", "1A", "A", "7", "", "AAAA1", "A1B", "A-1", "A$", "A1:B2",
                            "A12345678"})
        EXPECT_FALSE(parseCell(bad, row, column)) << bad;

    char buffer[kCellAddressCapacity];
    EXPECT_EQ(std::string(buffer, formatCell(kMaxRows, kMaxColumns, buffer)), "XFD1048576");
    EXPECT_EQ(std::string(buffer, formatCell(1, 26, buffer)), "Z1");
    EXPECT_EQ(std::string(buffer, formatCell(10, 27, buffer)), "AA10");
    for (int32_t r : {1, 9, 10, 99, 100, 1048576})
        for (int32_t c : {1, 26, 27, 702, 703, 16384}) {
            ASSERT_TRUE(parseCell(std::string_view(buffer, formatCell(r, c, buffer)), row, column));
            EXPECT_EQ(row, r);
            EXPECT_EQ(column, c);
        }
}

TEST(CellRefTest, CellRangesAreCornerCellsOnly) {
    EXPECT_EQ(parseCellRange("C4:A1"), (Area{1, 1, 4, 3}));
    EXPECT_EQ(parseCellRange("b2"), Area::cell(2, 2));
    for (const char* bad : {"A1:", "A:A", "1:2", "A1:B", "A1:B2:C3", "XFE1:A1"}) EXPECT_FALSE(parseCellRange(bad)) << bad;
    EXPECT_EQ(cellRangeAddress(Area{2, 2, 2, 2}), "B2");
    EXPECT_EQ(cellRangeAddress(Area{1, 1, 3, 4}), "A1:D3");
    // A merge over a whole row is still written corner to corner.
    EXPECT_EQ(cellRangeAddress(Area{1, 1, 1, kMaxColumns}), "A1:XFD1");
}

TEST(CellRefTest, ScanningKeepsTheDollarMarksAndStopsWhereTheReferenceEnds) {
    A1Reference reference;
    std::string_view text = "$B3:c$5+1";
    ASSERT_EQ(scanA1Reference(text, 0, reference), 7u);
    EXPECT_TRUE(reference.ranged);
    EXPECT_TRUE(reference.first.columnAbsolute);
    EXPECT_FALSE(reference.first.rowAbsolute);
    EXPECT_TRUE(reference.second.rowAbsolute);
    EXPECT_EQ(reference.area(), (Area{3, 2, 5, 3}));
    std::string out;
    appendA1Reference(out, reference.movedTo(Area{2, 4, 9, 6}));
    EXPECT_EQ(out, "$D2:F$9");

    // Corners of different shapes are no range: the scan stops after the first.
    EXPECT_EQ(scanA1Reference("A1:B", 0, reference), 2u);
    EXPECT_FALSE(reference.ranged);
    // "A$" has no row for its "$": the corner is the column alone.
    A1Corner corner;
    EXPECT_EQ(scanA1Corner("A$+", 0, corner), 1u);
    EXPECT_EQ(corner.column, 1);
    EXPECT_EQ(corner.row, 0);
    for (const char* none : {"XFE1", "$", "$$A1", "ABCD1", "A0", "+A1"}) EXPECT_EQ(scanA1Corner(none, 0, corner), 0u) << none;
    EXPECT_EQ(scanA1Corner("x=AB12", 2, corner), 6u);
    EXPECT_EQ(corner.row, 12);
    EXPECT_EQ(corner.column, 28);
}

}  // namespace
}  // namespace tavlora::host
