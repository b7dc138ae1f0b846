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

}  // namespace
}  // namespace tavlora::host
