#include "host/xlsx/ZipWriter.h"

#include <cerrno>
#include <cstring>

#include "base/FileIo.h"

namespace tavlora::host::xlsx {

namespace {

// What the file is written in. A fresh buffer's pages each fault on their first write, so the
// block is small, and bytes of a block or more (a large part's packed pieces, a copied picture)
// skip the buffer.
constexpr size_t kBlock = size_t(256) << 10;
// The block's buffer: bytes appended below the block fit it without growing it.
constexpr size_t kBlockBuffer = kBlock + (kBlock >> 2);
// What a save starts with: a small report's whole archive (about 9 KiB for an invoice) fits. A
// block's buffer taken for every save, mostly untouched, made the allocator hand it back to the
// system and take it again in every save of a thread's heap (a page-table flush on every core
// the process runs on each time).
constexpr size_t kFirstBuffer = size_t(64) << 10;
// The directory's first allocation: a report's dozen or two entries (about 70 bytes each) fit in
// it, where growing by doubling from nothing had copied it six times in every save.
constexpr size_t kDirectoryStart = size_t(4) << 10;
// A field of all ones marks a 64-bit value stored elsewhere, so it is out of reach too.
constexpr uint64_t kLargest32 = 0xFFFFFFFEu;
constexpr size_t kMostEntries = 0xFFFE;
constexpr uint16_t kVersionNeeded = 20;                 // deflate
constexpr uint16_t kVersionMadeBy = (3 << 8) | 63;      // Unix, format 6.3
constexpr uint32_t kUnixFileAttributes = 0100666u << 16;  // a regular file, rw for all, as umask allows
constexpr uint16_t kUtf8Name = 1 << 11;

// Little-endian fields laid into a header's bytes; `at` moves past them.
void put16(char*& at, uint16_t value) {
    *at++ = static_cast<char>(value & 0xFF);
    *at++ = static_cast<char>(value >> 8);
}

void put32(char*& at, uint32_t value) {
    put16(at, static_cast<uint16_t>(value & 0xFFFF));
    put16(at, static_cast<uint16_t>(value >> 16));
}

// Names are UTF-8; the flag tells readers so when it matters, as for any non-ASCII byte.
uint16_t flagsFor(std::string_view name) {
    for (unsigned char c : name)
        if (c >= 0x80) return kUtf8Name;
    return 0;
}

// `part` names the part where the limit is met; none: the directory.
uint32_t checked32(uint64_t value, std::string_view part) {
    if (value > kLargest32)
        throw ZipWriteError("the archive reaches 4 GiB or more at " +
                            (part.empty() ? std::string({}) : "part '" + std::string(part) + "'") +
                            ", which is not supported");
    return static_cast<uint32_t>(value);
}

}  // namespace

ZipWriter::ZipWriter(int fd, std::time_t modified) : fd_(fd) {
    std::tm local{};
    if (localtime_r(&modified, &local) && local.tm_year >= 80) {
        dosDate_ = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
        dosTime_ = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    } else {
        dosDate_ = (1 << 5) | 1;  // 1980-01-01, the earliest a zip can say
    }
    buffer_.reserve(kFirstBuffer);
    directory_.reserve(kDirectoryStart);
}

void ZipWriter::add(std::string_view name, std::span<const std::string_view> data, uint32_t crc, uint64_t size,
                    bool deflated) {
    if (name.empty() || name.size() > 0xFFFF)
        throw ZipWriteError("a part name must have 1 to 65,535 bytes");
    if (entries_ >= kMostEntries) throw ZipWriteError("an archive of more than 65,534 parts is not supported");
    uint64_t packed = 0;
    for (std::string_view chunk : data) packed += chunk.size();
    EntryFields entry{name, crc, checked32(packed, name), checked32(size, name), checked32(written(), name),
                      static_cast<uint16_t>(deflated ? 8 : 0)};
    if (!deflated && packed != size) throw ZipWriteError("part '" + std::string(name) + "' is stored with a wrong size");
    checked32(written() + 30 + name.size() + packed, name);
    writeLocalHeader(entry);
    for (std::string_view chunk : data) append(chunk);
    addCentralEntry(entry);
    ++entries_;
}

void ZipWriter::finish() {
    const uint64_t start = written();
    append(directory_);
    const uint64_t end = written();
    const uint32_t directoryOffset = checked32(start, {});
    const uint32_t directorySize = checked32(end - start, {});
    checked32(end + 22, {});
    char record[22];
    char* at = record;
    put32(at, 0x06054b50);
    put16(at, 0);  // this disk
    put16(at, 0);  // the directory's disk
    put16(at, static_cast<uint16_t>(entries_));
    put16(at, static_cast<uint16_t>(entries_));
    put32(at, directorySize);
    put32(at, directoryOffset);
    put16(at, 0);  // no comment
    append(std::string_view(record, sizeof record));
    flush();
}

// The fields a part's local header and its directory entry share, from the version needed to
// the extra field's length.
void ZipWriter::putSharedFields(char*& at, const EntryFields& entry) const {
    put16(at, kVersionNeeded);
    put16(at, flagsFor(entry.name));
    put16(at, entry.method);
    put16(at, dosTime_);
    put16(at, dosDate_);
    put32(at, entry.crc);
    put32(at, entry.packedSize);
    put32(at, entry.size);
    put16(at, static_cast<uint16_t>(entry.name.size()));
    put16(at, 0);  // no extra field
}

void ZipWriter::writeLocalHeader(const EntryFields& entry) {
    char header[30];
    char* at = header;
    put32(at, 0x04034b50);
    putSharedFields(at, entry);
    append(std::string_view(header, sizeof header));
    append(entry.name);
}

void ZipWriter::addCentralEntry(const EntryFields& entry) {
    char header[46];
    char* at = header;
    put32(at, 0x02014b50);
    put16(at, kVersionMadeBy);
    putSharedFields(at, entry);
    put16(at, 0);  // no comment
    put16(at, 0);  // disk
    put16(at, 0);  // internal attributes
    put32(at, kUnixFileAttributes);
    put32(at, entry.localOffset);
    directory_.append(header, sizeof header);
    directory_.append(entry.name);
}

void ZipWriter::append(std::string_view bytes) {
    if (bytes.size() >= kBlock) {
        flush();  // what the buffer holds comes first in the file
        return writeOut(bytes);
    }
    if (buffer_.size() + bytes.size() > kBlockBuffer) flush();
    // Past the first buffer, the block's at once rather than by doubling (a copy each time).
    if (buffer_.size() + bytes.size() > buffer_.capacity()) buffer_.reserve(kBlockBuffer);
    buffer_.append(bytes);
    if (buffer_.size() >= kBlock) flush();
}

void ZipWriter::flush() {
    writeOut(buffer_);
    buffer_.clear();
}

void ZipWriter::writeOut(std::string_view bytes) {
    const char* at = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        // The portable positioned write: it repeats an interrupted call itself.
        int64_t n = base::writeAt(fd_, at, left, static_cast<int64_t>(offset_));
        if (n < 0) throw ZipWriteError(std::string("Write error: ") + std::strerror(errno));
        if (n == 0) throw ZipWriteError("Write error: the file takes no more bytes");
        at += n;
        left -= static_cast<size_t>(n);
        offset_ += static_cast<uint64_t>(n);
    }
}

}  // namespace tavlora::host::xlsx
