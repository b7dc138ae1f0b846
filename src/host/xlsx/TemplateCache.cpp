#include "host/xlsx/TemplateCache.h"

#include "host/xlsx/PackageSnapshot.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

TemplateCache::TemplateCache(size_t byteBudget) : byteBudget_(byteBudget) {}

std::shared_ptr<const PackageSnapshot> TemplateCache::package(const std::string& path, const ReadLimits& limits) {
    FileStamp before;
    bool known = stampOf(path, before);
    if (known)
        if (auto package = cached(path, before)) return package;
    // Read outside the lock: another thread may read another template meanwhile. A missing or
    // unreadable file fails here with the zip reader's message.
    auto package = std::make_shared<const PackageSnapshot>(ZipInput(path, limits));
    FileStamp after;
    // A file that changed while it was read may be torn between two versions of it: it is used
    // this once (the reader checked it whole) but not kept.
    if (known && stampOf(path, after) && after == before) keep(path, before, package);
    std::lock_guard lock(mutex_);
    ++fileReads_;
    return package;
}

std::shared_ptr<const PackageSnapshot> TemplateCache::cached(const std::string& path, const FileStamp& stamp) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(path);
    if (it == entries_.end() || !(it->second.stamp == stamp)) return nullptr;
    it->second.lastUse = ++uses_;
    return it->second.package;
}

void TemplateCache::keep(const std::string& path, const FileStamp& stamp, std::shared_ptr<const PackageSnapshot> package) {
    std::lock_guard lock(mutex_);
    if (package->heldBytes() > byteBudget_) return;
    Entry& entry = entries_[path];
    hold(package);
    if (entry.package) release(entry.package);
    entry = Entry{stamp, std::move(package), ++uses_};
    dropBeyondBudget();
}

void TemplateCache::noteCopy(const std::string& original, const std::string& copy) {
    FileStamp originalNow, copyNow;
    if (!stampOf(original, originalNow) || !stampOf(copy, copyNow)) return;
    std::shared_ptr<const PackageSnapshot> package = cached(original, originalNow);
    if (package) keep(copy, copyNow, std::move(package));
}

void TemplateCache::hold(const std::shared_ptr<const PackageSnapshot>& package) {
    if (holders_[package.get()]++ == 0) heldBytes_ += package->heldBytes();
}

void TemplateCache::release(const std::shared_ptr<const PackageSnapshot>& package) {
    auto it = holders_.find(package.get());
    if (--it->second > 0) return;
    heldBytes_ -= package->heldBytes();
    holders_.erase(it);
}

void TemplateCache::dropBeyondBudget() {
    while ((heldBytes_ > byteBudget_ || entries_.size() > kMostFiles) && !entries_.empty()) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        release(oldest->second.package);
        entries_.erase(oldest);
    }
}

uint64_t TemplateCache::fileReads() const {
    std::lock_guard lock(mutex_);
    return fileReads_;
}

size_t TemplateCache::heldBytes() const {
    std::lock_guard lock(mutex_);
    return heldBytes_;
}

}  // namespace tavlora::host::xlsx
