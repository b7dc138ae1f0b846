#include "host/cells/CellSlab.h"

#include <new>

#include "base/LargeBlocks.h"
#include "host/cells/RowCells.h"

namespace tavlora::host {

namespace {

// Before every array: the slab it was cut from and its size, so that it is released without the
// store. Sixteen bytes keep the cells as aligned as the heap would.
struct ArrayHeader {
    CellSlab* slab;
    size_t bytes;
};
static_assert(sizeof(ArrayHeader) == 16 && sizeof(ArrayHeader) % alignof(Cell) == 0);

constexpr size_t kPageBytes = base::kLargePageSize;

}  // namespace

CellSlab* CellSlab::make() { return new CellSlab(); }

CellSlab::~CellSlab() {
    for (char* page : pages_) base::freeLargeBlock(page, kPageBytes);
}

void CellSlab::dropByStore() noexcept { unreference(); }

void CellSlab::unreference() noexcept {
    if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

bool CellSlab::holesOutweighUse(size_t adding) const {
    const size_t live = liveBytes_.load(std::memory_order_relaxed);
    return cutBytes_ - live > live + adding + kPageBytes;
}

Cell* CellSlab::allocate(size_t count) {
    if (count == 0 || count > kLargestArray) return nullptr;
    const size_t bytes = sizeof(ArrayHeader) + count * sizeof(Cell);
    if (holesOutweighUse(bytes)) return nullptr;
    if (static_cast<size_t>(end_ - next_) < bytes) {
        pages_.reserve(pages_.size() + 1);  // before the page, so that a failure here leaks nothing
        char* page = static_cast<char*>(base::allocateLargeBlock(kPageBytes));
        pages_.push_back(page);
        next_ = page;
        end_ = page + kPageBytes;
    }
    auto* header = new (next_) ArrayHeader{this, bytes};
    next_ += bytes;
    cutBytes_ += bytes;
    liveBytes_.fetch_add(bytes, std::memory_order_relaxed);
    references_.fetch_add(1, std::memory_order_relaxed);
    return reinterpret_cast<Cell*>(header + 1);
}

void CellSlab::release(Cell* cells) noexcept {
    const ArrayHeader* header = reinterpret_cast<const ArrayHeader*>(cells) - 1;
    CellSlab* slab = header->slab;
    slab->liveBytes_.fetch_sub(header->bytes, std::memory_order_relaxed);
    slab->unreference();
}

}  // namespace tavlora::host
