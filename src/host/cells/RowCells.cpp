#include "host/cells/RowCells.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "host/cells/CellSlab.h"

namespace tavlora::host {

// Cells are moved with realloc and memmove: that needs a trivially copyable cell.
static_assert(std::is_trivially_copyable_v<Cell>);

RowCells::RowCells(const RowCells& other) {
    if (other.empty()) return;
    reallocate(other.size_);
    std::memcpy(data_, other.data_, other.size_ * sizeof(Cell));
    size_ = other.size_;
}

RowCells::RowCells(RowCells&& other) noexcept : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
}

RowCells& RowCells::operator=(const RowCells& other) {
    if (this == &other) return *this;
    size_ = 0;
    if (capacity() < other.size_) reallocate(other.size_);
    if (!other.empty()) std::memcpy(data_, other.data_, other.size_ * sizeof(Cell));
    size_ = other.size_;
    return *this;
}

RowCells& RowCells::operator=(RowCells&& other) noexcept {
    if (this == &other) return *this;
    releaseArray();
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
    return *this;
}

RowCells::~RowCells() { releaseArray(); }

void RowCells::releaseArray() noexcept {
    if (fromSlab()) CellSlab::release(data_);
    else std::free(data_);
}

void RowCells::reallocate(size_t capacity) {
    if (capacity >= kSlabBit) throw std::bad_alloc();
    if (fromSlab()) {
        // An array cut from a slab stays its size: growing moves the row to the heap.
        auto* moved = static_cast<Cell*>(std::malloc(capacity * sizeof(Cell)));
        if (!moved) throw std::bad_alloc();
        if (size_ != 0) std::memcpy(moved, data_, size_ * sizeof(Cell));
        CellSlab::release(data_);
        data_ = moved;
    } else {
        void* moved = std::realloc(data_, capacity * sizeof(Cell));
        if (!moved) throw std::bad_alloc();
        data_ = static_cast<Cell*>(moved);
    }
    capacity_ = static_cast<uint32_t>(capacity);
}

void RowCells::reserve(size_t count) {
    if (count > capacity()) reallocate(count);
}

void RowCells::reserve(size_t count, CellSlab& slab) {
    if (count <= capacity()) return;
    if (!data_) {
        if (Cell* cut = slab.allocate(count)) {
            data_ = cut;
            capacity_ = static_cast<uint32_t>(count) | kSlabBit;
            return;
        }
    }
    reallocate(count);
}

void RowCells::growFor(size_t count) {
    if (count > capacity()) reallocate(std::max<size_t>(count, capacity() * 2));
}

Cell& RowCells::emplace_back() {
    growFor(size_ + 1);
    return *new (data_ + size_++) Cell{};
}

Cell* RowCells::insert(const Cell* at, const Cell& cell) {
    const size_t index = static_cast<size_t>(at - data_);
    const Cell copy = cell;  // `cell` may be one of ours, which growing moves
    growFor(size_ + 1);
    std::memmove(data_ + index + 1, data_ + index, (size_ - index) * sizeof(Cell));
    data_[index] = copy;
    ++size_;
    return data_ + index;
}

Cell* RowCells::insert(const Cell* at, const Cell* first, const Cell* last) {
    assert(first == last || last <= data_ || first >= data_ + capacity());
    const size_t index = static_cast<size_t>(at - data_);
    const auto count = static_cast<size_t>(last - first);
    if (count == 0) return data_ + index;
    growFor(size_ + count);
    std::memmove(data_ + index + count, data_ + index, (size_ - index) * sizeof(Cell));
    std::memcpy(data_ + index, first, count * sizeof(Cell));
    size_ = static_cast<uint32_t>(size_ + count);
    return data_ + index;
}

Cell* RowCells::erase(const Cell* first, const Cell* last) {
    const size_t index = static_cast<size_t>(first - data_);
    const auto count = static_cast<size_t>(last - first);
    if (count == 0) return data_ + index;
    std::memmove(data_ + index, last, static_cast<size_t>(end() - last) * sizeof(Cell));
    size_ = static_cast<uint32_t>(size_ - count);
    return data_ + index;
}

void RowCells::resize(size_t count) {
    if (count > capacity()) reallocate(count);
    for (size_t i = size_; i < count; ++i) new (data_ + i) Cell{};
    size_ = static_cast<uint32_t>(count);
}

}  // namespace tavlora::host
