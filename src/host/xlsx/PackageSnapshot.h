#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/xlsx/PackageSource.h"
#include "host/xlsx/ParsedTemplate.h"
#include "host/xlsx/SavedPartMemo.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

// Every part of a package, unpacked once and kept in memory with its deflated form: a template
// that many reports are made from is read from disk, unpacked and checked (limits, CRC) once, and
// each report's workbook is made from these bytes. Immutable once made, so any number of threads
// may read it at the same time.
class PackageSnapshot final : public PackageSource {
public:
    // Reads every entry of `zip` (a failure is the host error the zip reader raises).
    explicit PackageSnapshot(const ZipInput& zip);

    // A snapshot of the same bytes (not copied) with memos of its own: its saved parts and its
    // parsed template start empty, and the bytes it hands out are counted on its own reference
    // count. Reports made on one thread from such a lane write nothing that reports on another
    // thread read, so two threads do not pass cache lines back and forth for every report.
    std::shared_ptr<const PackageSnapshot> lane() const;

    const std::vector<ZipEntry>& entries() const override { return contents_->entries; }
    const ZipEntry* find(std::string_view partName) const override;
    PartBuffer read(const ZipEntry& entry) const override;
    std::string readString(const ZipEntry& entry) const override;
    std::string readDeflated(const ZipEntry& entry) const override;
    const std::string& displayName() const override { return contents_->displayName; }
    std::shared_ptr<const std::string> sharedBytes(const ZipEntry& entry) const override;

    // Bytes held, unpacked and deflated: what the snapshot costs a cache.
    size_t heldBytes() const { return contents_->heldBytes; }

    // Where the workbooks opened from this package find the parts earlier saves of them deflated.
    const std::shared_ptr<SavedPartMemo>& savedParts() const { return savedParts_; }
    // Where the workbooks opened from this package find its parts as the first of them parsed them.
    ParsedTemplateSlot& parsedTemplate() const { return *parsedTemplate_; }

private:
    struct Data {
        std::string bytes;  // shared with the parts of workbooks read from it (sharedBytes)
        std::string deflated;  // empty for an entry that was not deflated
    };
    struct Contents {
        std::string displayName;
        std::vector<ZipEntry> entries;
        std::vector<Data> data;  // by position in entries
        std::unordered_map<std::string, size_t> byLowerName;
        size_t heldBytes = 0;
    };
    explicit PackageSnapshot(const std::shared_ptr<const Contents>& contents);  // a lane of `contents`
    const Data& dataOf(const ZipEntry& entry) const;

    // On a reference count of this snapshot's own, shared by the bytes it hands out; a lane takes
    // one reference on its origin's count when made, and none after.
    std::shared_ptr<const Contents> contents_;
    std::shared_ptr<SavedPartMemo> savedParts_ = std::make_shared<SavedPartMemo>();
    std::unique_ptr<ParsedTemplateSlot> parsedTemplate_ = std::make_unique<ParsedTemplateSlot>();
};

}  // namespace tavlora::host::xlsx
