#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "host/xlsx/PackageReader.h"

namespace tavlora::host::xlsx {

class PackageSnapshot;

// Packages of template files kept in memory, for a process that makes many reports from a few
// templates: a file is read, unpacked and checked once, and opened again from memory while it is
// unchanged. A file counts as unchanged while its identity (device and inode), size, modification
// time and status-change time are those it had when read; a file replaced, rewritten or touched is
// read again. Least recently used packages are dropped beyond the byte budget.
//
// One cache may serve applications on several threads: lookups take a lock, and the packages are
// immutable. Each workbook opened from it is still its own: only the bytes read from the file are
// shared.
//
// Each thread opens a small template from a lane of its own (PackageSnapshot::lane): the same bytes,
// its own parsed template and saved parts. Shared by every thread, those memos had each report
// write locks and reference counts that the other threads' reports read, and two threads making
// small reports spent a tenth of their time passing those cache lines between the cores. A lane
// costs a parse of the template and the memos' memory; a package over kLargestLaned bytes has one
// lane for every thread, as its reports take too long for that to matter.
class TemplateCache {
public:
    // Files held at most; a copy noted by noteCopy counts as one.
    static constexpr size_t kMostFiles = 256;
    // Packages larger than this (held bytes) are not given a lane per thread.
    static constexpr size_t kLargestLaned = size_t(1) << 20;

    // `mostLanes` (at least 1): the lanes a package has at most; beyond them, threads share lanes.
    // 0 takes the processor count, at most 16.
    explicit TemplateCache(size_t byteBudget = size_t(256) << 20, size_t mostLanes = 0);
    TemplateCache(const TemplateCache&) = delete;
    TemplateCache& operator=(const TemplateCache&) = delete;

    // The package of the file at `path` (absolute), from memory when the file is unchanged: the
    // calling thread's lane of it. Throws the host errors of reading the file.
    std::shared_ptr<const PackageSnapshot> package(const std::string& path, const ReadLimits& limits = {});

    // `copy` was just made as a copy of the template file `original` (a print job's DoCopy): while
    // neither has changed since, `copy` is opened from `original`'s package in memory. Nothing is
    // noted when `original` is not held or changed after it was read (the copy may then hold
    // other bytes). Never throws for a file that is gone.
    void noteCopy(const std::string& original, const std::string& copy);

    // How many times a file was read from disk (not answered from memory).
    uint64_t fileReads() const;
    size_t heldBytes() const;

private:
    struct FileStamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modified = 0, changed = 0;  // nanoseconds
        bool operator==(const FileStamp&) const = default;
    };
    struct Lane {
        std::thread::id thread;
        std::shared_ptr<const PackageSnapshot> snapshot;
    };
    // The lanes of one package read from a file, the first of them the snapshot read.
    using Lanes = std::vector<Lane>;
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<Lanes> lanes;  // shared with the entries of its noted copies
        uint64_t lastUse = 0;
    };
    static bool stampOf(const std::string& path, FileStamp& stamp);
    std::shared_ptr<const PackageSnapshot> cached(const std::string& path, const FileStamp& stamp);
    // The entry of `path` while its file has `stamp`; null otherwise. The lock is held.
    Entry* entryOf(const std::string& path, const FileStamp& stamp);
    // The calling thread's lane of `lanes`, made when it has none. The lock is held.
    std::shared_ptr<const PackageSnapshot> laneOf(Lanes& lanes) const;
    // The lock is held by the callers of these.
    void keep(const std::string& path, const FileStamp& stamp, std::shared_ptr<Lanes> lanes);
    void dropBeyondBudget();
    void hold(const Lanes& lanes);
    void release(const Lanes& lanes);

    const size_t byteBudget_;
    const size_t mostLanes_;
    mutable std::mutex mutex_;  // guards everything below
    std::unordered_map<std::string, Entry> entries_;
    // Entries per package: a package that copies share is counted against the budget once.
    std::unordered_map<const Lanes*, size_t> holders_;
    size_t heldBytes_ = 0;
    uint64_t uses_ = 0;
    uint64_t fileReads_ = 0;
};

}  // namespace tavlora::host::xlsx
