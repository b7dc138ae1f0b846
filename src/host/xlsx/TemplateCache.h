#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

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
class TemplateCache {
public:
    // Files held at most; a copy noted by noteCopy counts as one.
    static constexpr size_t kMostFiles = 256;

    explicit TemplateCache(size_t byteBudget = size_t(256) << 20);
    TemplateCache(const TemplateCache&) = delete;
    TemplateCache& operator=(const TemplateCache&) = delete;

    // The package of the file at `path` (absolute), from memory when the file is unchanged. Throws
    // the host errors of reading the file.
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
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<const PackageSnapshot> package;
        uint64_t lastUse = 0;
    };
    static bool stampOf(const std::string& path, FileStamp& stamp);
    std::shared_ptr<const PackageSnapshot> cached(const std::string& path, const FileStamp& stamp);
    void keep(const std::string& path, const FileStamp& stamp, std::shared_ptr<const PackageSnapshot> package);
    void dropBeyondBudget();
    void hold(const std::shared_ptr<const PackageSnapshot>& package);
    void release(const std::shared_ptr<const PackageSnapshot>& package);

    const size_t byteBudget_;
    mutable std::mutex mutex_;  // guards everything below
    std::unordered_map<std::string, Entry> entries_;
    // Entries per package: a package that copies share is counted against the budget once.
    std::unordered_map<const PackageSnapshot*, size_t> holders_;
    size_t heldBytes_ = 0;
    uint64_t uses_ = 0;
    uint64_t fileReads_ = 0;
};

}  // namespace tavlora::host::xlsx
