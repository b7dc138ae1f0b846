#pragma once
#include <cstddef>

// Memory for large arrays that are filled once, front to back (the calculation's records of a
// long list's formulas, the save's table of their shared formula roles, the blocks of a long
// sheet's rows and formula entries). Fresh memory costs a page fault per 4 KiB page as it is first
// written, and on the machines we measure on a fault costs as much as writing the page many times
// over: a block of at least kLargeBlockMinimum bytes is therefore asked for in whole 2 MiB pages
// where the system offers them (one fault per 2 MiB). Smaller blocks are ordinary memory, so that a
// small workbook does not hold 2 MiB for a few entries.
namespace tavlora::base {

constexpr size_t kLargeBlockMinimum = size_t(1) << 20;
// The page a large block is made of where the system offers such pages; a large block is a whole
// number of them.
constexpr size_t kLargePageSize = size_t(2) << 20;

// Throws std::bad_alloc when there is no memory. The block is aligned for any type.
void* allocateLargeBlock(size_t bytes);
// `bytes` as given to allocateLargeBlock.
void freeLargeBlock(void* block, size_t bytes) noexcept;

// For standard containers whose storage can grow large (a vector reserved for every formula).
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(allocateLargeBlock(n * sizeof(T))); }
    void deallocate(T* block, size_t n) noexcept { freeLargeBlock(block, n * sizeof(T)); }
    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept { return true; }
};

}  // namespace tavlora::base
