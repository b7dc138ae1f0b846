#pragma once
#include <algorithm>
#include <compare>
#include <cstddef>
#include <iterator>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/LargeBlocks.h"

namespace tavlora::host {

// A sequence in blocks of 2^BlockShift entries that never move: a vector's growth copies every
// entry into fresh memory again, and fresh pages are dear (a sheet's rows and formulas can run to
// a million). Appending keeps every entry where it is, so an entry's address stays valid while
// others are added; inserting or erasing in the middle moves the entries after the place by one,
// as a vector does. A block has room for all its entries from the start, but its pages are touched
// only as entries are made. Iterators are random access (an index), so sorted entries are searched
// with std::lower_bound.
//
// The first blocks, up to about base::kLargeBlockMinimum bytes, are ordinary memory each: the
// thousands of small sheets of a batch of reports never hold more. Past them a long list takes
// its blocks as many at a time as fill a large page (base/LargeBlocks.h), where the first write of
// each 4 KiB would otherwise cost a page fault.
template <typename T, size_t BlockShift>
class ChunkedList {
    template <bool Const>
    class Iterator;

public:
    using value_type = T;
    using size_type = size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    static constexpr size_t kBlockShift = BlockShift;
    static constexpr size_t kBlockSize = size_t(1) << kBlockShift;
    static constexpr size_t kBlockBytes = kBlockSize * sizeof(T);
    // Blocks that are ordinary memory, one allocation each.
    static constexpr size_t kOrdinaryBlocks = (base::kLargeBlockMinimum + kBlockBytes - 1) / kBlockBytes;
    // Blocks of one large allocation after those: as many as fit a large page, at least one.
    static constexpr size_t kBlocksPerLargeBlock = std::max<size_t>(1, base::kLargePageSize / kBlockBytes);
    static_assert(alignof(T) <= alignof(std::max_align_t), "large blocks are aligned for max_align_t");

    ChunkedList() = default;
    // Delegates so that the entries copied so far are ended and their blocks given back when
    // copying one throws: the list counts as made once the delegated constructor returns.
    ChunkedList(const ChunkedList& other) : ChunkedList() {
        for (const T& entry : other) emplace_back(entry);
    }
    ChunkedList(ChunkedList&& other) noexcept
        : blocks_(std::exchange(other.blocks_, {})), size_(std::exchange(other.size_, 0)) {}
    ChunkedList& operator=(const ChunkedList& other) {
        if (this == &other) return *this;
        resize(other.size_);
        for (size_t i = 0; i < size_; ++i) (*this)[i] = other[i];
        return *this;
    }
    ChunkedList& operator=(ChunkedList&& other) noexcept {
        if (this == &other) return *this;
        clear();
        blocks_ = std::exchange(other.blocks_, {});
        size_ = std::exchange(other.size_, 0);
        return *this;
    }
    ~ChunkedList() { clear(); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return blocks_[i >> kBlockShift][i & (kBlockSize - 1)]; }
    const T& operator[](size_t i) const { return blocks_[i >> kBlockShift][i & (kBlockSize - 1)]; }
    T& front() { return (*this)[0]; }
    const T& front() const { return (*this)[0]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, size_); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

    // The new last entry, made in place from `arguments` (a default entry without).
    template <typename... Arguments>
    T& emplace_back(Arguments&&... arguments) {
        const size_t block = size_ >> kBlockShift;
        if (block == blocks_.size()) addBlocks();
        T* made = ::new (static_cast<void*>(blocks_[block] + (size_ & (kBlockSize - 1))))
            T(std::forward<Arguments>(arguments)...);
        ++size_;
        return *made;
    }
    void push_back(T&& entry) { emplace_back(std::move(entry)); }
    void push_back(const T& entry) { emplace_back(entry); }

    // Returns the inserted entry.
    iterator insert(const_iterator at, T&& entry) {
        const size_t index = at.index();
        emplace_back();
        std::move_backward(begin() + difference_type(index), end() - 1, end());
        (*this)[index] = std::move(entry);
        return begin() + difference_type(index);
    }
    // Returns the entry after the erased ones.
    iterator erase(const_iterator first, const_iterator last) {
        const size_t from = first.index();
        const size_t count = last.index() - from;
        if (count == 0) return begin() + difference_type(from);
        std::move(begin() + difference_type(last.index()), end(), begin() + difference_type(from));
        resize(size_ - count);
        return begin() + difference_type(from);
    }
    iterator erase(const_iterator at) { return erase(at, at + 1); }

    // New entries are default ones.
    void resize(size_t count) {
        while (size_ > count) popBack();
        while (size_ < count) emplace_back();
    }
    void clear() {
        for (size_t block = 0; block * kBlockSize < size_; ++block)
            std::destroy_n(blocks_[block], std::min(kBlockSize, size_ - block * kBlockSize));
        size_ = 0;
        while (!blocks_.empty()) releaseLastBlocks();
    }

    // Erases every entry that `erased` says, keeping the others in order; returns how many went.
    template <typename Predicate>
    size_t eraseIf(Predicate erased) {
        size_t kept = 0;
        for (size_t i = 0; i < size_; ++i) {
            T& entry = (*this)[i];
            if (erased(static_cast<const T&>(entry))) continue;
            if (kept != i) (*this)[kept] = std::move(entry);
            ++kept;
        }
        const size_t gone = size_ - kept;
        resize(kept);
        return gone;
    }

private:
    static constexpr size_t kLargeBlockBytes = kBlocksPerLargeBlock * kBlockBytes;

    // Room for the next block: one of ordinary memory, or the next large block's worth.
    void addBlocks() {
        if (blocks_.size() < kOrdinaryBlocks) {
            blocks_.reserve(blocks_.size() + 1);
            blocks_.push_back(std::allocator<T>().allocate(kBlockSize));
            return;
        }
        blocks_.reserve(blocks_.size() + kBlocksPerLargeBlock);  // so that no push below throws
        auto* large = static_cast<T*>(base::allocateLargeBlock(kLargeBlockBytes));
        for (size_t i = 0; i < kBlocksPerLargeBlock; ++i) blocks_.push_back(large + i * kBlockSize);
    }

    // The blocks of the last allocation: large ones come and go together.
    size_t firstOfLastBlocks() const {
        const size_t last = blocks_.size() - 1;
        return last < kOrdinaryBlocks ? last : blocks_.size() - kBlocksPerLargeBlock;
    }

    void releaseLastBlocks() {
        const size_t first = firstOfLastBlocks();
        if (first < kOrdinaryBlocks)
            std::allocator<T>().deallocate(blocks_[first], kBlockSize);
        else
            base::freeLargeBlock(blocks_[first], kLargeBlockBytes);
        blocks_.resize(first);
    }

    void popBack() {
        --size_;
        std::destroy_at(&(*this)[size_]);
        // One emptied block stays for the next entries: entries removed and added by turns at a
        // block's edge would otherwise free and make a block each time.
        const size_t used = (size_ + kBlockSize - 1) >> kBlockShift;
        while (!blocks_.empty() && firstOfLastBlocks() > used) releaseLastBlocks();
    }

    std::vector<T*> blocks_;  // the blocks made, each with room for kBlockSize entries
    size_t size_ = 0;
};

template <typename T, size_t BlockShift>
template <bool Const>
class ChunkedList<T, BlockShift>::Iterator {
    using List = std::conditional_t<Const, const ChunkedList, ChunkedList>;
    using Entry = std::conditional_t<Const, const T, T>;

public:
    using iterator_category = std::random_access_iterator_tag;
    using iterator_concept = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = Entry*;
    using reference = Entry&;

    Iterator() = default;
    Iterator(List* list, size_t index) : list_(list), index_(index) {}
    // An iterator serves where a read-only one is asked for.
    operator Iterator<true>() const
        requires(!Const)
    {
        return Iterator<true>(list_, index_);
    }

    Entry& operator*() const { return (*list_)[index_]; }
    Entry* operator->() const { return &(*list_)[index_]; }
    Entry& operator[](difference_type n) const { return (*list_)[size_t(difference_type(index_) + n)]; }
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

}  // namespace tavlora::host
