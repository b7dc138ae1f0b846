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

    const std::vector<ZipEntry>& entries() const override { return entries_; }
    const ZipEntry* find(std::string_view partName) const override;
    PartBuffer read(const ZipEntry& entry) const override;
    std::string readString(const ZipEntry& entry) const override;
    std::string readDeflated(const ZipEntry& entry) const override;
    const std::string& displayName() const override { return displayName_; }
    std::shared_ptr<const std::string> sharedBytes(const ZipEntry& entry) const override;

    // Bytes held, unpacked and deflated: what the snapshot costs a cache.
    size_t heldBytes() const { return heldBytes_; }

    // Where the workbooks opened from this package find the parts earlier saves of them deflated.
    const std::shared_ptr<SavedPartMemo>& savedParts() const { return savedParts_; }
    // Where the workbooks opened from this package find its parts as the first of them parsed them.
    ParsedTemplateSlot& parsedTemplate() const { return *parsedTemplate_; }

private:
    struct Data {
        std::shared_ptr<const std::string> bytes;  // shared with the parts of workbooks read from it
        std::string deflated;  // empty for an entry that was not deflated
    };
    const Data& dataOf(const ZipEntry& entry) const;

    std::string displayName_;
    std::vector<ZipEntry> entries_;
    std::vector<Data> data_;  // by position in entries_
    std::unordered_map<std::string, size_t> byLowerName_;
    size_t heldBytes_ = 0;
    std::shared_ptr<SavedPartMemo> savedParts_ = std::make_shared<SavedPartMemo>();
    std::unique_ptr<ParsedTemplateSlot> parsedTemplate_ = std::make_unique<ParsedTemplateSlot>();
};

}  // namespace tavlora::host::xlsx
