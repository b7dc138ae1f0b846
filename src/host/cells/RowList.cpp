#include "host/cells/RowList.h"

#include <algorithm>

namespace tavlora::host {

static_assert(std::random_access_iterator<RowList::iterator>);
static_assert(std::random_access_iterator<RowList::const_iterator>);

RowList::RowList(const RowList& other) {
    for (const RowInfo& row : other) emplace_back() = row;
}

RowList& RowList::operator=(const RowList& other) {
    if (this == &other) return *this;
    resize(other.size_);
    for (size_t i = 0; i < size_; ++i) (*this)[i] = other[i];
    return *this;
}

void RowList::addBlock() { blocks_.emplace_back().reserve(kBlockRows); }

void RowList::popBack() {
    blocks_[(size_ - 1) >> kBlockShift].pop_back();
    --size_;
    // One emptied block stays for the next rows: rows removed and added by turns at a block's edge
    // would otherwise free and make a block each time.
    const size_t used = (size_ + kBlockRows - 1) >> kBlockShift;
    while (blocks_.size() > used + 1) blocks_.pop_back();
}

RowList::iterator RowList::insert(const_iterator at, RowInfo&& row) {
    const size_t index = at.index();
    emplace_back();
    std::move_backward(begin() + difference_type(index), end() - 1, end());
    (*this)[index] = std::move(row);
    return begin() + difference_type(index);
}

RowList::iterator RowList::erase(const_iterator first, const_iterator last) {
    const size_t from = first.index();
    const size_t count = last.index() - from;
    if (count == 0) return begin() + difference_type(from);
    std::move(begin() + difference_type(last.index()), end(), begin() + difference_type(from));
    resize(size_ - count);
    return begin() + difference_type(from);
}

RowList::iterator RowList::erase(const_iterator at) { return erase(at, at + 1); }

void RowList::resize(size_t count) {
    while (size_ > count) popBack();
    while (size_ < count) emplace_back();
}

void RowList::clear() {
    blocks_.clear();
    size_ = 0;
}

}  // namespace tavlora::host
