#include "host/xlsx/TemplateCache.h"

#include <algorithm>
#include <functional>

#include "host/xlsx/PackageSnapshot.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

namespace {

size_t defaultMostLanes() { return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16); }

}  // namespace

TemplateCache::TemplateCache(size_t byteBudget, size_t mostLanes)
    : byteBudget_(byteBudget), mostLanes_(mostLanes == 0 ? defaultMostLanes() : mostLanes) {}

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
    const bool unchanged = known && stampOf(path, after) && after == before;
    std::lock_guard lock(mutex_);
    if (unchanged) {
        keep(path, before, std::make_shared<Lanes>(Lanes{{std::this_thread::get_id(), package}}));
    }
    ++fileReads_;
    return package;
}

std::shared_ptr<const PackageSnapshot> TemplateCache::cached(const std::string& path, const FileStamp& stamp) {
    std::lock_guard lock(mutex_);
    Entry* entry = entryOf(path, stamp);
    if (!entry) return nullptr;
    entry->lastUse = ++uses_;
    return laneOf(*entry->lanes);
}

TemplateCache::Entry* TemplateCache::entryOf(const std::string& path, const FileStamp& stamp) {
    auto it = entries_.find(path);
    return it == entries_.end() || !(it->second.stamp == stamp) ? nullptr : &it->second;
}

std::shared_ptr<const PackageSnapshot> TemplateCache::laneOf(Lanes& lanes) const {
    const std::thread::id self = std::this_thread::get_id();
    for (const Lane& lane : lanes)
        if (lane.thread == self) return lane.snapshot;
    const PackageSnapshot& read = *lanes.front().snapshot;
    if (lanes.size() < mostLanes_ && read.heldBytes() <= kLargestLaned)
        return lanes.emplace_back(Lane{self, read.lane()}).snapshot;
    // Beyond the lanes (threads come and go in a server), threads share them, spread evenly.
    return lanes[std::hash<std::thread::id>{}(self) % lanes.size()].snapshot;
}

void TemplateCache::keep(const std::string& path, const FileStamp& stamp, std::shared_ptr<Lanes> lanes) {
    if (lanes->front().snapshot->heldBytes() > byteBudget_) return;
    Entry& entry = entries_[path];
    hold(*lanes);
    if (entry.lanes) release(*entry.lanes);
    entry = Entry{stamp, std::move(lanes), ++uses_};
    dropBeyondBudget();
}

void TemplateCache::noteCopy(const std::string& original, const std::string& copy) {
    FileStamp originalNow, copyNow;
    if (!stampOf(original, originalNow) || !stampOf(copy, copyNow)) return;
    std::lock_guard lock(mutex_);
    if (Entry* entry = entryOf(original, originalNow)) {
        entry->lastUse = ++uses_;
        keep(copy, copyNow, entry->lanes);
    }
}

void TemplateCache::hold(const Lanes& lanes) {
    if (holders_[&lanes]++ == 0) heldBytes_ += lanes.front().snapshot->heldBytes();
}

void TemplateCache::release(const Lanes& lanes) {
    auto it = holders_.find(&lanes);
    if (--it->second > 0) return;
    heldBytes_ -= lanes.front().snapshot->heldBytes();
    holders_.erase(it);
}

void TemplateCache::dropBeyondBudget() {
    while ((heldBytes_ > byteBudget_ || entries_.size() > kMostFiles) && !entries_.empty()) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        release(*oldest->second.lanes);
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
