#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "host/formula/AreaListeners.h"

namespace tavlora::host::formula {
namespace {

Area randomArea(std::mt19937& random) {
    auto within = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random); };
    const int32_t row = within(1, 200), column = within(1, 30);
    switch (within(0, 3)) {
        case 0: return Area::cell(row, column);
        case 1: return Area{1, column, kMaxRows, column};  // a whole column
        case 2: return Area{row, 1, row, kMaxColumns};     // a whole row
        default: return Area{row, column, row + within(0, 50), column + within(0, 5)};
    }
}

bool meets(const Area& a, const Area& b) {
    return a.firstRow <= b.lastRow && a.lastRow >= b.firstRow && a.firstColumn <= b.lastColumn && a.lastColumn >= b.firstColumn;
}

// Whatever the number of areas (a few checked one by one, many in the tree, the move between
// the two), a query finds exactly the listeners whose areas meet it (some more than once: the tree
// holds an area in several nodes, and a listener may have several areas).
TEST(AreaListenersTest, FindsExactlyTheAreasMetBeforeAndAfterTheTreeTakesThemOver) {
    std::mt19937 random(7);
    for (size_t count : {3u, 31u, 32u, 33u, 200u}) {
        AreaListeners listeners;
        std::vector<Area> areas;
        for (uint32_t i = 0; i < count; ++i) {
            areas.push_back(randomArea(random));
            listeners.add(areas.back(), i % 50);  // listeners with several areas, some twice
        }
        for (int query = 0; query < 300; ++query) {
            const Area area = randomArea(random);
            std::vector<uint32_t> expected, found;
            for (uint32_t i = 0; i < count; ++i)
                if (meets(areas[i], area)) expected.push_back(i % 50);
            listeners.forEachMeeting(area, [&](uint32_t listener) { found.push_back(listener); });
            for (auto* list : {&expected, &found}) {
                std::sort(list->begin(), list->end());
                list->erase(std::unique(list->begin(), list->end()), list->end());
            }
            ASSERT_EQ(found, expected) << count << " areas, query " << cellRangeAddress(area);
        }
        listeners.clear();
        EXPECT_TRUE(listeners.empty());
    }
}

// A visit may ask again (a formula's dependants found from a dependant); each ask keeps its own
// findings, and the outer one goes on with all of its own.
TEST(AreaListenersTest, AVisitThatAsksAgainLeavesTheOuterFindingsWhole) {
    AreaListeners listeners;
    listeners.add(Area{1, 1, 10, 1}, 1);
    listeners.add(Area{1, 1, 10, 2}, 2);
    listeners.add(Area::cell(20, 5), 3);
    std::vector<uint32_t> outer, inner;
    listeners.forEachMeeting(Area::cell(5, 1), [&](uint32_t listener) {
        outer.push_back(listener);
        listeners.forEachMeeting(Area::cell(20, 5), [&](uint32_t again) { inner.push_back(again); });
    });
    std::sort(outer.begin(), outer.end());
    EXPECT_EQ(outer, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(inner, (std::vector<uint32_t>{3, 3}));
    std::vector<uint32_t> after;
    listeners.forEachMeeting(Area::cell(30, 30), [&](uint32_t listener) { after.push_back(listener); });
    EXPECT_TRUE(after.empty());
}

}  // namespace
}  // namespace tavlora::host::formula
