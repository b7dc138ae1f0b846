#include "host/html/PointDecimation.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavlora::host::html {
namespace {

using Values = std::vector<std::optional<double>>;

TEST(PixelExtremes, ASeriesThatFitsIsKeptWhole) {
    Values values = {1, std::nullopt, 3, 4};
    EXPECT_EQ(pixelExtremes(values, 2), (std::vector<size_t>{0, 1, 2, 3}));
    EXPECT_TRUE(pixelExtremes({}, 100).empty());
}

TEST(PixelExtremes, EachColumnKeepsItsLowestAndHighestInOrder) {
    Values values(1000, 5.0);
    values[10] = 99;   // column 0
    values[20] = -99;  // column 0, after the peak
    values[999] = 7;   // the last column
    std::vector<size_t> kept = pixelExtremes(values, 10);
    EXPECT_LE(kept.size(), 30u);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
    EXPECT_TRUE(std::adjacent_find(kept.begin(), kept.end()) == kept.end());
    EXPECT_EQ(kept[0], 10u);
    EXPECT_EQ(kept[1], 20u);
    EXPECT_EQ(kept.back(), 999u);
    // Every column is represented.
    for (size_t column = 0; column < 10; ++column)
        EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [&](size_t k) { return k / 100 == column; })) << column;
}

TEST(PixelExtremes, AGapKeepsTheLineBroken) {
    Values values(1000, 1.0);
    values[555] = std::nullopt;
    std::vector<size_t> kept = pixelExtremes(values, 10);
    EXPECT_NE(std::find(kept.begin(), kept.end(), 555u), kept.end());
    Values empty(1000);
    EXPECT_EQ(pixelExtremes(empty, 10).size(), 10u);  // the first gap of each column
}

TEST(LabelStep, EveryNthLabelThatFits) {
    EXPECT_EQ(labelStep(10, 20, 400), 1u);     // 20 fit
    EXPECT_EQ(labelStep(100, 20, 400), 5u);    // 20 fit
    EXPECT_EQ(labelStep(101, 20, 400), 6u);    // 17 shown, none overlapping
    EXPECT_EQ(labelStep(12000, 36, 480), 924u);  // 13 fit
    EXPECT_EQ(labelStep(5, 500, 100), 5u);     // not even one fits: the first alone
    EXPECT_EQ(labelStep(0, 10, 100), 1u);
}

}  // namespace
}  // namespace tavlora::host::html
