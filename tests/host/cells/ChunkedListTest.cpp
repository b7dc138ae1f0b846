#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "base/LargeBlocks.h"
#include "host/cells/ChunkedList.h"

namespace tavlora::host::test {
namespace {

// Counts the entries alive, so that a list that forgets one or ends one twice is caught (the
// sanitizer build catches the memory itself). A copy fails once `copiesLeft` runs out.
struct Counted {
    Counted() = default;
    Counted(int64_t value, int* liveCount) : id(value), live(liveCount) { ++*live; }
    Counted(const Counted& other) : id(other.id), live(other.live), copiesLeft(other.copiesLeft) {
        if (copiesLeft && (*copiesLeft)-- == 0) throw std::runtime_error("no more copies");
        if (live) ++*live;
    }
    Counted(Counted&& other) noexcept : id(other.id), live(std::exchange(other.live, nullptr)) {}
    Counted& operator=(const Counted& other) {
        if (this == &other) return *this;
        if (live) --*live;
        id = other.id;
        live = other.live;
        if (live) ++*live;
        return *this;
    }
    Counted& operator=(Counted&& other) noexcept {
        if (this == &other) return *this;
        if (live) --*live;
        id = other.id;
        live = std::exchange(other.live, nullptr);
        return *this;
    }
    ~Counted() {
        if (live) --*live;
    }

    int64_t id = -1;
    int* live = nullptr;
    int* copiesLeft = nullptr;
};

// 24 KiB blocks: the first MiB is 43 ordinary blocks, then 85 blocks to a large page.
using List = ChunkedList<Counted, 10>;
static_assert(List::kOrdinaryBlocks > 1 && List::kBlocksPerLargeBlock > 1);
constexpr size_t kOrdinaryEntries = List::kOrdinaryBlocks * List::kBlockSize;
constexpr size_t kLargeEntries = List::kBlocksPerLargeBlock * List::kBlockSize;

void fill(List& list, size_t count, int* live) {
    while (list.size() < count) list.emplace_back(int64_t(list.size()), live);
}

// Whether every entry holds its index (plus `shift`), checked without an assertion per entry.
bool numbered(const List& list, int64_t shift = 0) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].id != int64_t(i) + shift) return false;
    return true;
}

// A list grown into its second large block keeps every entry where it was made, the large
// blocks start on a large page's boundary, and it gives back what it shrinks past.
TEST(ChunkedListTest, GrowsIntoLargeBlocksWithoutMovingEntries) {
    int live = 0;
    {
        List list;
        fill(list, kOrdinaryEntries + kLargeEntries + 5, &live);
        EXPECT_EQ(live, int(list.size()));
        EXPECT_TRUE(numbered(list));
        const Counted* first = &list[0];
        const Counted* firstLarge = &list[kOrdinaryEntries];
        const Counted* secondLarge = &list[kOrdinaryEntries + kLargeEntries];
#ifndef _WIN32
        EXPECT_EQ(reinterpret_cast<uintptr_t>(firstLarge) % base::kLargePageSize, 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(secondLarge) % base::kLargePageSize, 0u);
#endif
        // A large block's blocks follow one another.
        EXPECT_EQ(&list[kOrdinaryEntries + List::kBlockSize], firstLarge + List::kBlockSize);

        // Shrunk into the ordinary blocks and grown again: the entries below stay put, and the
        // large blocks made again hold default entries where the list is resized.
        list.resize(kOrdinaryEntries - 3);
        EXPECT_EQ(live, int(list.size()));
        EXPECT_EQ(&list[0], first);
        list.resize(kOrdinaryEntries + kLargeEntries + 2);
        EXPECT_EQ(live, int(kOrdinaryEntries - 3));
        EXPECT_EQ(list.back().id, -1);
        EXPECT_EQ(list[kOrdinaryEntries - 4].id, int64_t(kOrdinaryEntries - 4));
        list.clear();
        EXPECT_EQ(live, 0);
        fill(list, kOrdinaryEntries + 1, &live);
        EXPECT_TRUE(numbered(list));
    }
    EXPECT_EQ(live, 0);
}

// Inserting and erasing move entries across the edge between ordinary and large blocks.
TEST(ChunkedListTest, InsertAndEraseAcrossTheLargeBlocksEdge) {
    int live = 0;
    {
        List list;
        fill(list, kOrdinaryEntries + 10, &live);
        list.insert(list.begin() + 1, Counted(-7, &live));
        EXPECT_EQ(list[1].id, -7);
        EXPECT_EQ(list[kOrdinaryEntries].id, int64_t(kOrdinaryEntries - 1));
        EXPECT_EQ(list.back().id, int64_t(kOrdinaryEntries + 9));
        list.erase(list.begin() + 1);
        EXPECT_TRUE(numbered(list));

        const size_t from = kOrdinaryEntries - 5;
        list.erase(list.begin() + std::ptrdiff_t(from), list.begin() + std::ptrdiff_t(from + 10));
        ASSERT_EQ(list.size(), kOrdinaryEntries);
        EXPECT_EQ(list[from].id, int64_t(from + 10));
        EXPECT_EQ(list.eraseIf([](const Counted& entry) { return entry.id % 2 == 1; }), kOrdinaryEntries / 2);
        EXPECT_EQ(list.back().id, int64_t(kOrdinaryEntries + 8));
        EXPECT_EQ(live, int(list.size()));
    }
    EXPECT_EQ(live, 0);
}

// Copies own their entries; a move hands the blocks over, large ones included, and the list moved
// from (or assigned over) is usable again.
TEST(ChunkedListTest, CopiesAndMovesOfALongList) {
    int live = 0;
    {
        List list;
        fill(list, kOrdinaryEntries + kLargeEntries / 2, &live);
        List copy = list;
        EXPECT_EQ(live, 2 * int(list.size()));
        copy[kOrdinaryEntries + 1].id = 0;
        EXPECT_EQ(list[kOrdinaryEntries + 1].id, int64_t(kOrdinaryEntries + 1));

        List shorter;
        fill(shorter, 3, &live);
        shorter = list;  // grows into large blocks
        EXPECT_TRUE(numbered(shorter));
        copy = shorter;  // assigned over a list as long
        EXPECT_TRUE(numbered(copy));
        shorter.resize(2);
        list = shorter;  // shrinks out of its large blocks
        EXPECT_EQ(list.size(), 2u);
        EXPECT_EQ(live, int(copy.size()) + 4);

        const Counted* kept = &copy[kOrdinaryEntries];
        List moved = std::move(copy);
        EXPECT_EQ(&moved[kOrdinaryEntries], kept);
        EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from list is empty and usable
        fill(copy, kOrdinaryEntries + 1, &live);
        moved = std::move(copy);  // the large blocks moved over are given back
        EXPECT_TRUE(numbered(moved));
        EXPECT_EQ(live, int(moved.size()) + 4);
    }
    EXPECT_EQ(live, 0);
}

// A copy that fails part way, in the large blocks, ends the entries it made and gives back their
// blocks; the list copied from is untouched.
TEST(ChunkedListTest, ACopyThatFailsLeavesNothingBehind) {
    int live = 0;
    int copiesLeft = int(kOrdinaryEntries + 10);
    {
        List list;
        fill(list, kOrdinaryEntries + 20, &live);
        for (Counted& entry : list) entry.copiesLeft = &copiesLeft;
        EXPECT_THROW(List{list}, std::runtime_error);
        EXPECT_EQ(live, int(list.size()));
        EXPECT_TRUE(numbered(list));
    }
    EXPECT_EQ(live, 0);
}

}  // namespace
}  // namespace tavlora::host::test
