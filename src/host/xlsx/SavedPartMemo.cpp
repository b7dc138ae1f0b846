#include "host/xlsx/SavedPartMemo.h"

#include "host/xlsx/PartHead.h"

namespace tavlora::host::xlsx {

namespace {

size_t costOf(const SavedPartMemo::Part& part) { return part.bytes.size() + part.deflated.size() + part.inputs.size(); }

}  // namespace

std::shared_ptr<const SavedPartMemo::Part> SavedPartMemo::kept(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = parts_.find(name);
    return it == parts_.end() ? nullptr : it->second;
}

// Both compare outside the lock: a part is immutable and the reference taken keeps it alive.
std::shared_ptr<const SavedPartMemo::Part> SavedPartMemo::find(const std::string& name, std::string_view bytes) const {
    std::shared_ptr<const Part> part = kept(name);
    return part && part->bytes == bytes ? part : nullptr;
}

std::shared_ptr<const SavedPartMemo::Part> SavedPartMemo::findMadeFrom(const std::string& name,
                                                                     std::string_view inputs) const {
    if (inputs.empty()) return nullptr;
    std::shared_ptr<const Part> part = kept(name);
    return part && !part->source && part->inputs == inputs ? part : nullptr;
}

std::shared_ptr<const SavedPartMemo::Part> SavedPartMemo::findMadeFrom(const std::string& name,
                                                                     const std::shared_ptr<const void>& source,
                                                                     std::string_view inputs) const {
    if (!source) return nullptr;
    std::shared_ptr<const Part> part = kept(name);
    return part && part->source == source && part->inputs == inputs ? part : nullptr;
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

void appendSpelledFields(std::string& out, std::initializer_list<std::string_view> fields) {
    for (std::string_view field : fields) {
        out += std::to_string(field.size());
        out += ':';
        out += field;
    }
}

std::shared_ptr<const SavedPartMemo::ReachedParts> SavedPartMemo::reachedFrom(const std::shared_ptr<const void>& source,
                                                                             std::string_view changes) const {
    if (!source) return nullptr;
    std::lock_guard lock(mutex_);
    return reach_.source == source && reach_.changes == changes ? reach_.reached : nullptr;
}

void SavedPartMemo::keepReached(std::shared_ptr<const void> source, std::string changes,
                                std::shared_ptr<const ReachedParts> reached) {
    if (!source || !reached) return;
    KeptReach kept{std::move(source), std::move(changes), std::move(reached)};
    std::lock_guard lock(mutex_);
    std::swap(reach_, kept);  // the one replaced is let go outside the lock
}

std::shared_ptr<PartHead> SavedPartMemo::headOf(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto it = heads_.find(name);
    if (it != heads_.end()) return it->second;
    if (heads_.size() >= kMostHeads) return nullptr;
    return heads_.emplace(name, std::make_shared<PartHead>()).first->second;
}

size_t SavedPartMemo::heldBytes() const {
    std::lock_guard lock(mutex_);
    return heldBytes_;
}

}  // namespace tavlora::host::xlsx
