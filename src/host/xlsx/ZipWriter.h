#pragma once
#include <cstdint>
#include <span>
#include <ctime>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavlora::host::xlsx {

// The archive could not be written: the file refused a write, or it would need the 64-bit
// extensions (4 GiB or more, 65,535 entries or more), which this writer refuses rather than
// write a broken archive.
class ZipWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes a zip archive whose entries arrive already packed, with their CRC-32 and sizes known, in
// the order added, into an empty file open for writing. Every part of a workbook is deflated in
// memory before it is written, so the archive needs no data descriptors, no seeking back and no
// second copy of anything: each entry is its local header and its data, then the central
// directory. Writes go out in blocks of about a MiB.
class ZipWriter {
public:
    // `modified` is every entry's time, in local time as zip keeps it.
    ZipWriter(int fd, std::time_t modified);

    // `data`, joined, is the entry as stored: a raw deflate stream when `deflated`, else the
    // bytes themselves; `crc` and `size` describe the unpacked bytes.
    void add(std::string_view name, std::span<const std::string_view> data, uint32_t crc, uint64_t size,
             bool deflated);
    void add(std::string_view name, const std::vector<std::string_view>& data, uint32_t crc, uint64_t size,
             bool deflated) {
        add(name, std::span<const std::string_view>(data), crc, size, deflated);
    }
    // The central directory and the end record; everything is written when it returns.
    void finish();

    uint64_t written() const { return offset_ + buffer_.size(); }

private:
    struct EntryFields {
        std::string_view name;
        uint32_t crc;
        uint32_t packedSize;
        uint32_t size;
        uint32_t localOffset;
        uint16_t method;
    };

    void append(std::string_view bytes);
    void flush();
    void writeOut(std::string_view bytes);
    void putSharedFields(char*& at, const EntryFields& entry) const;
    void writeLocalHeader(const EntryFields& entry);
    void addCentralEntry(const EntryFields& entry);

    int fd_;
    uint16_t dosTime_ = 0;
    uint16_t dosDate_ = 0;
    uint64_t offset_ = 0;  // bytes already in the file
    std::string buffer_;
    // The central directory, laid out as each entry is added: its names need not be kept apart
    // until the end, one allocation each.
    std::string directory_;
    size_t entries_ = 0;
};

}  // namespace tavlora::host::xlsx
