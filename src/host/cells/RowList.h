#pragma once
#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/cells/RareText.h"
#include "host/cells/RowCells.h"

namespace tavlora::host {

// 48 bytes: a sheet may have a million of these, and each one is fresh memory while a list fills.
struct RowInfo {
    int32_t row = 0;
    uint32_t style = 0;
    double height = -1;        // points; < 0 = default height
    RowCells cells;            // sorted by column
    RareText extraAttributes;  // other attributes of <row> kept verbatim (outline level, ...)
    bool customHeight = false;
    bool hidden = false;
    bool hasStyle = false;  // a row-level format (`style`): applies to every cell of the row without one
};
static_assert(sizeof(RowInfo) <= 48);

// A sequence of rows in blocks of 1,024 that never move: a vector's growth copies every row into
// fresh memory again, and fresh pages are dear. Appending keeps every row where it is; inserting
// or erasing in the middle moves the rows after the place by one, as a vector does. Iterators are
// random access (an index), so the sorted rows are searched with std::lower_bound.
class RowList {
    template <bool Const>
    class Iterator;

public:
    using value_type = RowInfo;
    using size_type = size_t;
    using difference_type = std::ptrdiff_t;
    using reference = RowInfo&;
    using const_reference = const RowInfo&;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    static constexpr size_t kBlockShift = 10;
    static constexpr size_t kBlockRows = size_t(1) << kBlockShift;

    RowList() = default;
    RowList(const RowList& other);
    RowList(RowList&& other) noexcept : blocks_(std::move(other.blocks_)), size_(std::exchange(other.size_, 0)) {
        other.blocks_.clear();
    }
    RowList& operator=(const RowList& other);
    RowList& operator=(RowList&& other) noexcept {
        if (this == &other) return *this;
        blocks_ = std::move(other.blocks_);
        size_ = std::exchange(other.size_, 0);
        other.blocks_.clear();
        return *this;
    }
    ~RowList() = default;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    RowInfo& operator[](size_t i) { return blocks_[i >> kBlockShift][i & (kBlockRows - 1)]; }
    const RowInfo& operator[](size_t i) const { return blocks_[i >> kBlockShift][i & (kBlockRows - 1)]; }
    RowInfo& front() { return (*this)[0]; }
    const RowInfo& front() const { return (*this)[0]; }
    RowInfo& back() { return blocks_[(size_ - 1) >> kBlockShift].back(); }
    const RowInfo& back() const { return blocks_[(size_ - 1) >> kBlockShift].back(); }

    iterator begin();
    iterator end();
    const_iterator begin() const;
    const_iterator end() const;

    RowInfo& emplace_back() {
        const size_t block = size_ >> kBlockShift;
        if (block == blocks_.size()) addBlock();
        ++size_;
        return blocks_[block].emplace_back();
    }
    void push_back(RowInfo&& row) { emplace_back() = std::move(row); }
    // Returns the inserted row.
    iterator insert(const_iterator at, RowInfo&& row);
    // Returns the row after the erased ones.
    iterator erase(const_iterator first, const_iterator last);
    iterator erase(const_iterator at);
    void resize(size_t count);
    void clear();
    // Erases every row that `erased` says, keeping the others in order; returns how many went.
    template <typename Predicate>
    size_t eraseIf(Predicate erased);

private:
    void addBlock();
    void popBack();

    // Each block holds up to kBlockRows rows and has room for all of them from the start.
    std::vector<std::vector<RowInfo>> blocks_;
    size_t size_ = 0;
};

template <bool Const>
class RowList::Iterator {
    using List = std::conditional_t<Const, const RowList, RowList>;
    using Row = std::conditional_t<Const, const RowInfo, RowInfo>;

public:
    using iterator_category = std::random_access_iterator_tag;
    using iterator_concept = std::random_access_iterator_tag;
    using value_type = RowInfo;
    using difference_type = std::ptrdiff_t;
    using pointer = Row*;
    using reference = Row&;

    Iterator() = default;
    Iterator(List* list, size_t index) : list_(list), index_(index) {}
    // A row iterator serves where a read-only one is asked for.
    operator Iterator<true>() const
        requires(!Const)
    {
        return Iterator<true>(list_, index_);
    }

    Row& operator*() const { return (*list_)[index_]; }
    Row* operator->() const { return &(*list_)[index_]; }
    Row& operator[](difference_type n) const { return (*list_)[size_t(difference_type(index_) + n)]; }
    size_t index() const { return index_; }

    Iterator& operator++() {
        ++index_;
        return *this;
    }
    Iterator operator++(int) {
        Iterator was = *this;
        ++index_;
        return was;
    }
    Iterator& operator--() {
        --index_;
        return *this;
    }
    Iterator operator--(int) {
        Iterator was = *this;
        --index_;
        return was;
    }
    Iterator& operator+=(difference_type n) {
        index_ = size_t(difference_type(index_) + n);
        return *this;
    }
    Iterator& operator-=(difference_type n) { return *this += -n; }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) {
        return difference_type(a.index_) - difference_type(b.index_);
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }
    friend std::strong_ordering operator<=>(const Iterator& a, const Iterator& b) { return a.index_ <=> b.index_; }

private:
    List* list_ = nullptr;
    size_t index_ = 0;
};

inline RowList::iterator RowList::begin() { return iterator(this, 0); }
inline RowList::iterator RowList::end() { return iterator(this, size_); }
inline RowList::const_iterator RowList::begin() const { return const_iterator(this, 0); }
inline RowList::const_iterator RowList::end() const { return const_iterator(this, size_); }

template <typename Predicate>
size_t RowList::eraseIf(Predicate erased) {
    size_t kept = 0;
    for (size_t i = 0; i < size_; ++i) {
        RowInfo& row = (*this)[i];
        if (erased(static_cast<const RowInfo&>(row))) continue;
        if (kept != i) (*this)[kept] = std::move(row);
        ++kept;
    }
    const size_t gone = size_ - kept;
    resize(kept);
    return gone;
}

}  // namespace tavlora::host
