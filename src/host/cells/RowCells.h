#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "host/cells/CellKind.h"

namespace tavlora::host {

class CellSlab;

// One stored cell: 16 bytes. Column and row come from the position in the store.
struct Cell {
    uint16_t column = 0;
    CellKind kind = CellKind::Empty;
    uint8_t reserved = 0;
    uint32_t style = 0;  // index of the cell format (xf) in the workbook's styles
    union {
        double number;
        uint32_t stringId;
        uint32_t formulaId;
        bool boolean;
    } payload{0.0};
};
static_assert(sizeof(Cell) == 16);

// The cells of one row, sorted by column: a vector of cells with 32-bit counts, 16 bytes where a
// std::vector takes 24 (a sheet of a million rows holds a million of these). Iterators are plain
// pointers; like a vector's they stay valid until the row's own cells are inserted or erased.
class RowCells {
public:
    using value_type = Cell;
    using size_type = size_t;
    using difference_type = std::ptrdiff_t;
    using reference = Cell&;
    using const_reference = const Cell&;
    using iterator = Cell*;
    using const_iterator = const Cell*;

    RowCells() = default;
    RowCells(const RowCells& other);
    RowCells(RowCells&& other) noexcept;
    RowCells& operator=(const RowCells& other);
    RowCells& operator=(RowCells&& other) noexcept;
    ~RowCells();

    Cell* begin() { return data_; }
    Cell* end() { return data_ + size_; }
    const Cell* begin() const { return data_; }
    const Cell* end() const { return data_ + size_; }
    std::reverse_iterator<Cell*> rbegin() { return std::reverse_iterator<Cell*>(end()); }
    std::reverse_iterator<Cell*> rend() { return std::reverse_iterator<Cell*>(begin()); }
    std::reverse_iterator<const Cell*> rbegin() const { return std::reverse_iterator<const Cell*>(end()); }
    std::reverse_iterator<const Cell*> rend() const { return std::reverse_iterator<const Cell*>(begin()); }
    Cell* data() { return data_; }
    const Cell* data() const { return data_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_ & ~kSlabBit; }
    bool empty() const { return size_ == 0; }
    Cell& operator[](size_t i) { return data_[i]; }
    const Cell& operator[](size_t i) const { return data_[i]; }
    Cell& front() { return data_[0]; }
    const Cell& front() const { return data_[0]; }
    Cell& back() { return data_[size_ - 1]; }
    const Cell& back() const { return data_[size_ - 1]; }

    void reserve(size_t count);
    // The same for a row that has no cells yet, its array cut from `slab` when the slab has room.
    void reserve(size_t count, CellSlab& slab);
    void push_back(const Cell& cell) {
        const Cell copy = cell;  // `cell` may be one of ours, which growing moves
        if (size_ == capacity()) growFor(size_ + 1);
        data_[size_++] = copy;
    }
    Cell& emplace_back();
    Cell* insert(const Cell* at, const Cell& cell);
    // REQUIRES: first..last are not this row's own cells.
    Cell* insert(const Cell* at, const Cell* first, const Cell* last);
    Cell* erase(const Cell* at) { return erase(at, at + 1); }
    Cell* erase(const Cell* first, const Cell* last);
    // New cells are empty cells of column 0.
    void resize(size_t count);
    void clear() { size_ = 0; }

private:
    // The top bit of capacity_ marks an array cut from a CellSlab, which is released to it.
    static constexpr uint32_t kSlabBit = 0x80000000u;
    bool fromSlab() const { return (capacity_ & kSlabBit) != 0; }
    void releaseArray() noexcept;
    // Makes room for `count` cells, growing by doubling.
    void growFor(size_t count);
    void reallocate(size_t capacity);

    Cell* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};
static_assert(sizeof(RowCells) == 16);

}  // namespace tavlora::host
