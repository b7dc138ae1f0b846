#include "host/cells/Formula.h"

#include <gtest/gtest.h>

#include <utility>

namespace tavlora::host::test {
namespace {

// What a few formulas carry beside their number lives apart; a copy must own its own, so editing
// one (a sheet copied from a cached template, then filled) never shows in the other.
TEST(FormulaTest, CopiesOwnTheirTextResultAndArrayArea) {
    Formula array("A1:A2*2", CellKind::String, 0, "first");
    array.setArrayArea(Area{1, 2, 2, 2});
    Formula copy = array;
    copy.setCachedText("second");
    copy.setArrayArea(Area{5, 5, 6, 5});
    EXPECT_EQ(array.cachedText(), "first");
    EXPECT_EQ(array.arrayArea(), (Area{1, 2, 2, 2}));
    EXPECT_EQ(copy.cachedText(), "second");
    EXPECT_EQ(copy.arrayArea(), (Area{5, 5, 6, 5}));
    EXPECT_TRUE(copy.isArray());

    Formula plain("C2*D2", CellKind::Number, 6);
    EXPECT_FALSE(plain.isArray());
    EXPECT_EQ(plain.cachedText(), "");
    plain = array;  // assigned over, the box follows
    EXPECT_TRUE(plain.isArray());
    EXPECT_EQ(plain.cachedText(), "first");
    plain.clearCachedText();  // a number computed for an array formula keeps its area
    EXPECT_EQ(plain.cachedText(), "");
    EXPECT_TRUE(plain.isArray());
    EXPECT_EQ(array.cachedText(), "first");
}

// Entries keep their address while the list grows past its chunks, ids stay in order, and copies
// and moves of the list carry every entry.
TEST(FormulaTest, ListEntriesStayPutAcrossChunks) {
    FormulaList list;
    const size_t count = 2 * FormulaList::kBlockSize + 3;
    Formula* first = &list.emplace_back();
    first->text = "A1";
    for (size_t id = 1; id < count; ++id) list.push_back(Formula("B" + std::to_string(id), CellKind::Number, double(id)));
    ASSERT_EQ(list.size(), count);
    EXPECT_EQ(first, &list[0]);
    EXPECT_EQ(list[0].text, "A1");
    EXPECT_EQ(list[FormulaList::kBlockSize].cachedNumber, double(FormulaList::kBlockSize));
    EXPECT_EQ(list[count - 1].text, "B" + std::to_string(count - 1));
    size_t walked = 0;
    for (const Formula& f : list) EXPECT_EQ(&f, &list[walked++]);
    EXPECT_EQ(walked, count);

    list[count - 1].setCachedText("last");
    FormulaList copy = list;
    copy[count - 1].setCachedText("changed");
    EXPECT_EQ(list[count - 1].cachedText(), "last");
    ASSERT_EQ(copy.size(), count);
    EXPECT_EQ(copy[FormulaList::kBlockSize + 1].text, list[FormulaList::kBlockSize + 1].text);

    FormulaList moved = std::move(copy);
    EXPECT_EQ(moved.size(), count);
    EXPECT_EQ(moved[count - 1].cachedText(), "changed");
    copy = list;  // a moved-from list takes entries again
    EXPECT_EQ(copy.size(), count);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(list.begin() == list.end());
    list.emplace_back().text = "again";
    EXPECT_EQ(list[0].text, "again");
}

}  // namespace
}  // namespace tavlora::host::test
