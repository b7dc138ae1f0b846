#include "host/xlsx/SavedPartMemo.h"

namespace tavlora::host::xlsx {

namespace {

size_t costOf(const SavedPartMemo::Part& part) { return part.bytes.size() + part.deflated.size(); }

}  // namespace

std::shared_ptr<const SavedPartMemo::Part> SavedPartMemo::find(const std::string& name, std::string_view bytes) const {
    std::shared_ptr<const Part> part;
    {
        std::lock_guard lock(mutex_);
        auto it = parts_.find(name);
        if (it == parts_.end()) return nullptr;
        part = it->second;
    }
    // Compared outside the lock: the part is immutable and this reference keeps it alive.
    return part->bytes == bytes ? part : nullptr;
}

void SavedPartMemo::keep(const std::string& name, std::shared_ptr<const Part> part) {
    if (!part || part->bytes.size() > kLargestPart) return;
    std::lock_guard lock(mutex_);
    auto it = parts_.find(name);
    size_t replaced = it == parts_.end() ? 0 : costOf(*it->second);
    if (heldBytes_ - replaced + costOf(*part) > byteBudget_) return;
    heldBytes_ = heldBytes_ - replaced + costOf(*part);
    parts_[name] = std::move(part);
}

size_t SavedPartMemo::heldBytes() const {
    std::lock_guard lock(mutex_);
    return heldBytes_;
}

}  // namespace tavlora::host::xlsx
