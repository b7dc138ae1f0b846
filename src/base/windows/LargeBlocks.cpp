#include "base/LargeBlocks.h"

#include <new>

// Windows gives large pages only to processes with a privilege few have: ordinary memory.
namespace tavlora::base {

void* allocateLargeBlock(size_t bytes) { return ::operator new(bytes); }

void freeLargeBlock(void* block, size_t) noexcept { ::operator delete(block); }

}  // namespace tavlora::base
