#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavlora::host {

struct Cell;

// Memory for the cells of a long sheet's new rows, cut from large pages (base/LargeBlocks.h) one
// row after another. Rows filled one after another each take a small array of cells; from the
// heap, every 4 KiB of those is a fresh page whose first write costs a page fault, the single
// largest cost of filling a long list on the machines we measure on. From here a 2 MiB page
// faults once.
//
// A row's array is cut once and never reused: one that grows moves to the heap, and one dropped
// leaves a hole. The slab counts the bytes still in use and stops cutting (the rows fall back on
// the heap) once holes would outweigh them, so edits that drop rows over and over cannot make it
// hold much more than the rows it serves. Every array carries a header naming its slab, so that it
// can be released wherever the row went (another sheet, another thread): the slab lives until its
// store and every array cut from it are gone.
class CellSlab {
public:
    // A slab for one store, which must call dropByStore() instead of deleting it.
    static CellSlab* make();
    void dropByStore() noexcept;

    // `count` cells (uninitialised) for a new row, or nullptr when the row should take heap memory
    // instead. Only the store's own thread calls this.
    Cell* allocate(size_t count);
    // Releases an array `allocate` returned, from any thread.
    static void release(Cell* cells) noexcept;

    // Arrays larger than this come from the heap: a slab is for the many small arrays of long lists.
    static constexpr size_t kLargestArray = 1024;

private:
    CellSlab() = default;
    ~CellSlab();
    void unreference() noexcept;
    bool holesOutweighUse(size_t adding) const;

    std::vector<char*> pages_;  // each one large page (base::kLargePageSize)
    char* next_ = nullptr;
    char* end_ = nullptr;
    size_t cutBytes_ = 0;                  // every array cut so far, headers included
    std::atomic<size_t> liveBytes_{0};     // the arrays not yet released
    std::atomic<size_t> references_{1};    // the store, and one per live array
};

// A store's hold on its slab, made on first use. A copied store cuts its own (the copied rows'
// cells are heap memory, as every copied row's are); a moved one takes the slab along.
class CellSlabHold {
public:
    CellSlabHold() = default;
    CellSlabHold(const CellSlabHold&) {}
    CellSlabHold(CellSlabHold&& other) noexcept : slab_(other.slab_) { other.slab_ = nullptr; }
    CellSlabHold& operator=(const CellSlabHold&) { return *this; }
    CellSlabHold& operator=(CellSlabHold&& other) noexcept {
        if (this != &other) {
            if (slab_) slab_->dropByStore();
            slab_ = other.slab_;
            other.slab_ = nullptr;
        }
        return *this;
    }
    ~CellSlabHold() {
        if (slab_) slab_->dropByStore();
    }

    CellSlab& slab() {
        if (!slab_) slab_ = CellSlab::make();
        return *slab_;
    }

private:
    CellSlab* slab_ = nullptr;
};

}  // namespace tavlora::host
