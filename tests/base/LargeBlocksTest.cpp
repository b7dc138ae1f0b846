#include "base/LargeBlocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tavlora::base {
namespace {

// Every byte of a block is usable, small and large blocks alike, and a large one sits on a 2 MiB
// boundary where huge pages exist (the first and last bytes catch an end given back too early).
TEST(LargeBlocksTest, BlocksOfEverySizeAreWholeAndAligned) {
    for (size_t bytes : {size_t(1), size_t(4096), kLargeBlockMinimum - 1, kLargeBlockMinimum, (size_t(5) << 20) + 3}) {
        auto* block = static_cast<unsigned char*>(allocateLargeBlock(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u) << bytes;
#ifndef _WIN32
        if (bytes >= kLargeBlockMinimum) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (size_t(2) << 20), 0u) << bytes;
        }
#endif
        std::memset(block, 0xab, bytes);
        EXPECT_EQ(block[0], 0xab);
        EXPECT_EQ(block[bytes - 1], 0xab);
        freeLargeBlock(block, bytes);
    }
    freeLargeBlock(nullptr, kLargeBlockMinimum);
}

// A vector on large blocks keeps its elements as it grows from ordinary memory into large blocks.
TEST(LargeBlocksTest, AVectorGrowsAcrossTheThreshold) {
    std::vector<uint32_t, LargeBlockAllocator<uint32_t>> values;
    const uint32_t count = uint32_t(3 * kLargeBlockMinimum / sizeof(uint32_t));
    for (uint32_t i = 0; i < count; ++i) values.push_back(i * 7);
    bool same = true;
    for (uint32_t i = 0; i < count; ++i) same = same && values[i] == i * 7;
    EXPECT_TRUE(same);
    std::vector<uint32_t, LargeBlockAllocator<uint32_t>> copy = values;
    values.clear();
    values.shrink_to_fit();
    EXPECT_EQ(copy.back(), (count - 1) * 7);
}

}  // namespace
}  // namespace tavlora::base
