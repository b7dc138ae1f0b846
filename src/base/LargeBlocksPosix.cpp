#include "base/LargeBlocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace tavlora::base {

namespace {

constexpr size_t kHugePage = kLargePageSize;

size_t roundedToHugePages(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* allocateLargeBlock(size_t bytes) {
    if (bytes < kLargeBlockMinimum) return ::operator new(bytes);
    // Huge pages need blocks aligned to their size: map one page more and give back the ends.
    const size_t size = roundedToHugePages(bytes);
    void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) munmap(mapped, aligned - start);
    const size_t tail = start + size + kHugePage - (aligned + size);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // A request, not a promise: without huge pages the block is ordinary memory.
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void freeLargeBlock(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kLargeBlockMinimum) return ::operator delete(block);
    munmap(block, roundedToHugePages(bytes));
}

}  // namespace tavlora::base
