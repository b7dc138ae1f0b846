#include "host/cells/Formula.h"

#include <new>
#include <utility>

namespace tavlora::host {

Formula::Formula(const Formula& other)
    : text(other.text), cachedNumber(other.cachedNumber), cachedKind(other.cachedKind),
      rare_(other.rare_ ? std::make_unique<Rare>(*other.rare_) : nullptr) {}

Formula& Formula::operator=(const Formula& other) {
    if (this != &other) *this = Formula(other);
    return *this;
}

const std::string& Formula::cachedText() const {
    static const std::string none;
    return rare_ ? rare_->cachedText : none;
}

void Formula::setCachedText(std::string_view value) {
    if (value.empty() && !rare_) return;
    rare().cachedText.assign(value);
}

void Formula::clearCachedText() {
    if (rare_) rare_->cachedText.clear();
}

const Area& Formula::arrayArea() const {
    static const Area none;
    return rare_ ? rare_->arrayArea : none;
}

void Formula::setArrayArea(const Area& area) {
    Rare& box = rare();
    box.isArray = true;
    box.arrayArea = area;
}

Formula::Rare& Formula::rare() {
    if (!rare_) rare_ = std::make_unique<Rare>();
    return *rare_;
}

FormulaList::FormulaList(const FormulaList& other) {
    for (const Formula& formula : other) emplace_back() = formula;
}

FormulaList& FormulaList::operator=(const FormulaList& other) {
    if (this != &other) *this = FormulaList(other);
    return *this;
}

FormulaList::FormulaList(FormulaList&& other) noexcept
    : chunks_(std::move(other.chunks_)), size_(std::exchange(other.size_, 0)) {
    other.chunks_.clear();
}

FormulaList& FormulaList::operator=(FormulaList&& other) noexcept {
    if (this != &other) {
        clear();
        chunks_ = std::move(other.chunks_);
        size_ = std::exchange(other.size_, 0);
        other.chunks_.clear();
    }
    return *this;
}

FormulaList::~FormulaList() { clear(); }

Formula& FormulaList::emplace_back() {
    if (size_ == chunks_.size() * kChunk) {
        chunks_.reserve(chunks_.size() + 1);
        chunks_.push_back(std::allocator<Formula>().allocate(kChunk));
    }
    Formula* entry = new (&chunks_[size_ / kChunk][size_ % kChunk]) Formula();
    ++size_;
    return *entry;
}

void FormulaList::clear() {
    for (size_t id = size_; id-- > 0;) (*this)[id].~Formula();
    for (Formula* chunk : chunks_) std::allocator<Formula>().deallocate(chunk, kChunk);
    chunks_.clear();
    size_ = 0;
}

}  // namespace tavlora::host
