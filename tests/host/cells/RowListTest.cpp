#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "host/cells/RowList.h"

namespace tavlora::host::test {
namespace {

static_assert(std::random_access_iterator<RowList::iterator>);
static_assert(std::random_access_iterator<RowList::const_iterator>);

RowList numbered(int32_t count) {
    RowList rows;
    for (int32_t r = 1; r <= count; ++r) rows.emplace_back().row = r;
    return rows;
}

std::vector<int32_t> numbersOf(const RowList& rows) {
    std::vector<int32_t> out;
    for (const RowInfo& info : rows) out.push_back(info.row);
    return out;
}

std::vector<int32_t> expected(std::initializer_list<std::pair<int32_t, int32_t>> spans) {
    std::vector<int32_t> out;
    for (auto [first, last] : spans)
        for (int32_t r = first; r <= last; ++r) out.push_back(r);
    return out;
}

// Rows move across the edges of blocks when one is inserted or erased in the middle; each keeps
// its own cells and attributes.
TEST(RowListTest, InsertAndEraseAcrossBlocksKeepOrderAndContents) {
    const auto n = int32_t(RowList::kBlockSize * 2 + 5);
    RowList rows = numbered(n);
    rows[n - 1].cells.emplace_back().column = 9;
    rows[n - 1].extraAttributes = " x=\"1\"";

    RowInfo extra;
    extra.row = 0;
    auto at = rows.insert(rows.begin() + 3, std::move(extra));
    EXPECT_EQ(at->row, 0);
    EXPECT_EQ(rows.size(), size_t(n) + 1);
    EXPECT_EQ(rows[2].row, 3);
    EXPECT_EQ(rows[4].row, 4);
    EXPECT_EQ(rows.back().row, n);
    EXPECT_EQ(rows.back().cells.size(), 1u);
    EXPECT_EQ(rows.back().extraAttributes.view(), " x=\"1\"");

    auto next = rows.erase(rows.begin() + 3);
    EXPECT_EQ(next->row, 4);
    EXPECT_EQ(numbersOf(rows), expected({{1, n}}));

    // Erase a span that crosses a block's edge.
    const auto first = RowList::kBlockSize - 10;
    next = rows.erase(rows.begin() + first, rows.begin() + first + 20);
    EXPECT_EQ(next->row, int32_t(first) + 21);
    EXPECT_EQ(numbersOf(rows), expected({{1, int32_t(first)}, {int32_t(first) + 21, n}}));
    EXPECT_EQ(rows.back().cells.back().column, 9);
}

TEST(RowListTest, EraseIfResizeAndCopies) {
    RowList rows = numbered(3000);
    EXPECT_EQ(rows.eraseIf([](const RowInfo& r) { return r.row % 3 != 0; }), 2000u);
    ASSERT_EQ(rows.size(), 1000u);
    EXPECT_EQ(rows.front().row, 3);
    EXPECT_EQ(rows.back().row, 3000);

    RowList copy = rows;
    copy.front().row = -1;
    EXPECT_EQ(rows.front().row, 3);
    copy = rows;
    EXPECT_EQ(numbersOf(copy), numbersOf(rows));

    RowList moved = std::move(copy);
    EXPECT_EQ(moved.size(), 1000u);
    EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from list is empty and usable
    copy.emplace_back().row = 1;
    EXPECT_EQ(copy.back().row, 1);
    moved = std::move(copy);
    EXPECT_EQ(numbersOf(moved), (std::vector<int32_t>{1}));

    rows.resize(2);
    EXPECT_EQ(numbersOf(rows), (std::vector<int32_t>{3, 6}));
    rows.resize(RowList::kBlockSize + 1);  // new rows are default rows
    EXPECT_EQ(rows.back().row, 0);
    EXPECT_TRUE(rows.back().cells.empty());
    rows.clear();
    EXPECT_TRUE(rows.empty());
    rows.emplace_back().row = 7;
    EXPECT_EQ(numbersOf(rows), (std::vector<int32_t>{7}));
}

// The reader sorts rows read out of order and searches them as any sorted range.
TEST(RowListTest, WorksWithTheStandardAlgorithms) {
    RowList rows;
    for (int32_t r = 2500; r >= 1; --r) rows.emplace_back().row = r * 2;
    std::stable_sort(rows.begin(), rows.end(), [](const RowInfo& a, const RowInfo& b) { return a.row < b.row; });
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const RowInfo& a, const RowInfo& b) { return a.row < b.row; }));
    const RowList& sorted = rows;
    auto found = std::lower_bound(sorted.begin(), sorted.end(), 3001,
                                  [](const RowInfo& info, int32_t r) { return info.row < r; });
    EXPECT_EQ(found->row, 3002);
    EXPECT_EQ(found - sorted.begin(), 1500);
    RowList::const_iterator fromMutable = rows.begin() + 4;
    EXPECT_EQ(fromMutable->row, 10);
}

}  // namespace
}  // namespace tavlora::host::test
