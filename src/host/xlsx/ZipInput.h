#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Ascii.h"
#include "host/xlsx/PackageReader.h"
#include "host/xlsx/PackageSource.h"

struct zip;

namespace tavlora::host::xlsx {

// Bytes of one part, allocated with pugixml's allocator so that the parser can take them over
// (load_buffer_inplace_own) without a copy.
class PartBuffer {
public:
    PartBuffer() = default;
    explicit PartBuffer(size_t capacity);
    ~PartBuffer();
    PartBuffer(PartBuffer&& other) noexcept;
    PartBuffer& operator=(PartBuffer&& other) noexcept;
    PartBuffer(const PartBuffer&) = delete;
    PartBuffer& operator=(const PartBuffer&) = delete;

    char* data() { return data_; }
    const char* data() const { return data_; }
    size_t size() const { return size_; }
    void setSize(size_t size) { size_ = size; }
    std::string_view view() const { return {data_, size_}; }
    // Hands the memory over (to pugixml); the buffer is empty afterwards.
    char* release();

private:
    char* data_ = nullptr;
    size_t size_ = 0;
};

struct ZipEntry {
    std::string name;         // as stored in the archive, no leading "/"
    uint64_t size = 0;        // unpacked bytes, as the directory declares them
    uint64_t packedSize = 0;
    uint64_t index = 0;
    uint32_t crc = 0;          // CRC-32 of the unpacked bytes, as the directory declares it
    bool deflated = false;     // packed with deflate (not stored or another method)
};

// A zip archive opened for reading, with limits against hostile archives: the directory is
// checked against the total limit up front, each entry against the part limit and the
// compression ratio before a byte is unpacked, the unpacked data never beyond its declared size,
// and all the bytes unpacked through one ZipInput against the total limit again as they arrive.
// Every failure is a host error naming the file (and the part).
class ZipInput final : public PackageSource {
public:
    ZipInput(const std::string& path, const ReadLimits& limits);
    // `displayName` names the data in messages.
    ZipInput(const void* data, size_t size, std::string displayName, const ReadLimits& limits);
    ~ZipInput() override;
    ZipInput(const ZipInput&) = delete;
    ZipInput& operator=(const ZipInput&) = delete;

    const std::vector<ZipEntry>& entries() const override { return entries_; }
    // Part names compare ignoring ASCII case, as the packaging rules say; nullptr when absent.
    const ZipEntry* find(std::string_view partName) const override;
    PartBuffer read(const ZipEntry& entry) const override;
    std::string readString(const ZipEntry& entry) const override;
    // The entry's data as the archive holds it, still deflated (only for a deflated entry), so
    // that it can be copied into another archive without deflating it again. Nothing is checked
    // but the size: read the entry unpacked as well to know that the data is sound.
    std::string readDeflated(const ZipEntry& entry) const override;
    const std::string& displayName() const override { return displayName_; }

private:
    void listEntries();
    void listEntriesOrClose();
    void checkEntry(const ZipEntry& entry) const;
    template <class Storage>
    size_t readInto(const ZipEntry& entry, Storage& storage) const;
    [[noreturn]] void fail(const std::string& message) const;

    zip* archive_ = nullptr;
    std::string displayName_;
    ReadLimits limits_;
    std::vector<ZipEntry> entries_;
    mutable uint64_t unpacked_ = 0;  // bytes unpacked so far, held against limits_.maxTotalSize
    std::unordered_map<std::string, size_t> byLowerName_;
};

// Part names are compared without ASCII case, through their lower-case form.
using base::asciiLower;

}  // namespace tavlora::host::xlsx
