#include "host/xlsx/ZipInput.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <pugixml.hpp>
#include <system_error>

#include "com/Error.h"

namespace tavlora::host::xlsx {

// ---- PartBuffer --------------------------------------------------------------------------------

PartBuffer::PartBuffer(size_t capacity) {
    data_ = static_cast<char*>(pugi::get_memory_allocation_function()(capacity == 0 ? 1 : capacity));
    if (!data_) throw com::Error(com::hr::kOutOfMemory, "Out of memory reading a workbook part");
}

PartBuffer::~PartBuffer() {
    if (data_) pugi::get_memory_deallocation_function()(data_);
}

PartBuffer::PartBuffer(PartBuffer&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

PartBuffer& PartBuffer::operator=(PartBuffer&& other) noexcept {
    if (this != &other) {
        if (data_) pugi::get_memory_deallocation_function()(data_);
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

char* PartBuffer::release() {
    char* p = data_;
    data_ = nullptr;
    size_ = 0;
    return p;
}

// ---- ZipInput ----------------------------------------------------------------------------------

namespace {

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string openFailure(const std::string& name, int code) {
    switch (code) {
        case ZIP_ER_NOZIP:
            return "'" + name + "' is not an Office Open XML workbook: it is not a zip archive";
        case ZIP_ER_INCONS:
        case ZIP_ER_EOF:
            return "'" + name + "' is damaged: its zip directory is inconsistent";
        case ZIP_ER_MULTIDISK:
            return "'" + name + "' is a multi-volume zip archive, which is not supported";
        default:
            return "Cannot open '" + name + "': " + zipErrorText(code);
    }
}

// No part of a package may be named so that unpacking it elsewhere escapes the folder (".."
// segments, an absolute name) or lands under another name (a backslash); such entries are left
// out, so a save never carries them on.
bool isSafePartName(std::string_view name) {
    if (name.front() == '/' || name.find('\\') != std::string_view::npos) return false;
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

ZipInput::ZipInput(const std::string& path, const ReadLimits& limits) : displayName_(path), limits_(limits) {
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) com::throwHostError("Cannot open '" + path + "': the file does not exist");
    if (std::filesystem::is_directory(status))
        com::throwHostError("Cannot open '" + path + "': it is a folder, not a workbook file");
    int code = 0;
    archive_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!archive_) com::throwHostError(openFailure(path, code));
    listEntriesOrClose();
}

ZipInput::ZipInput(const void* data, size_t size, std::string displayName, const ReadLimits& limits)
    : displayName_(std::move(displayName)), limits_(limits) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (!source) {
        zip_error_fini(&error);
        com::throwHostError("Cannot read '" + displayName_ + "': out of memory");
    }
    archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive_) {
        zip_source_free(source);
        int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        com::throwHostError(openFailure(displayName_, code));
    }
    zip_error_fini(&error);
    listEntriesOrClose();
}

ZipInput::~ZipInput() {
    if (archive_) zip_discard(archive_);
}

// A constructor that throws runs no destructor: the archive is closed here.
void ZipInput::listEntriesOrClose() {
    try {
        listEntries();
    } catch (...) {
        zip_discard(archive_);
        archive_ = nullptr;
        throw;
    }
}

void ZipInput::fail(const std::string& message) const { com::throwHostError("'" + displayName_ + "': " + message); }

void ZipInput::listEntries() {
    zip_int64_t count = zip_get_num_entries(archive_, 0);
    if (count < 0) fail("cannot list the zip archive");
    if (static_cast<uint64_t>(count) > limits_.maxEntries)
        fail("the package has " + std::to_string(count) + " entries, more than the limit of " +
             std::to_string(limits_.maxEntries));
    entries_.reserve(static_cast<size_t>(count));
    uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        if (!(st.valid & ZIP_STAT_NAME) || !st.name) continue;
        ZipEntry entry;
        entry.name = st.name;
        if (!entry.name.empty() && entry.name.front() == '/') entry.name.erase(0, 1);
        if (entry.name.empty() || entry.name.back() == '/') continue;  // folders
        if (!isSafePartName(entry.name)) continue;
        entry.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        entry.packedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        entry.index = static_cast<uint64_t>(i);
        entry.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
        entry.deflated = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_DEFLATE &&
                         (!(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE);
        total += entry.size;
        if (total > limits_.maxTotalSize)
            fail("the package unpacks to more than " + std::to_string(limits_.maxTotalSize) +
                 " bytes, beyond the limit (a zip bomb?)");
        auto [it, inserted] = byLowerName_.emplace(asciiLower(entry.name), entries_.size());
        if (inserted) entries_.push_back(std::move(entry));  // a repeated name: the first one counts
    }
}

const ZipEntry* ZipInput::find(std::string_view partName) const {
    if (!partName.empty() && partName.front() == '/') partName.remove_prefix(1);
    auto it = byLowerName_.find(asciiLower(partName));
    return it == byLowerName_.end() ? nullptr : &entries_[it->second];
}

void ZipInput::checkEntry(const ZipEntry& entry) const {
    if (entry.size > limits_.maxPartSize)
        fail("part '" + entry.name + "' unpacks to " + std::to_string(entry.size) + " bytes, more than the limit of " +
             std::to_string(limits_.maxPartSize));
    if (entry.size > (1u << 20) && entry.size / (entry.packedSize == 0 ? 1 : entry.packedSize) > limits_.maxCompressionRatio)
        fail("part '" + entry.name + "' is packed more than " + std::to_string(limits_.maxCompressionRatio) +
             " to 1, beyond the limit (a zip bomb?)");
}

namespace {

// Room for the first bytes of a part of unknown packing; it doubles as bytes arrive.
constexpr size_t kFirstChunk = 64 * 1024;
// Deflate cannot expand a packed byte to more than about 1032 bytes.
constexpr uint64_t kMaxDeflateRatio = 1032;

// A deflated part cannot unpack to more than its packed size allows, whatever the directory
// declares, so that much is taken at once; otherwise room doubles up to the declared size.
size_t grownCapacity(const ZipEntry& entry, size_t capacity) {
    uint64_t declared = entry.size;
    if (capacity == 0 && entry.deflated) return static_cast<size_t>(std::min(declared, entry.packedSize * kMaxDeflateRatio + 64));
    return static_cast<size_t>(std::min<uint64_t>(declared, std::max<uint64_t>(kFirstChunk, uint64_t{capacity} * 2)));
}

// Storage a part unpacks into: a pugixml buffer or a string.
struct BufferStorage {
    PartBuffer& buffer;
    size_t capacity = 0;
    char* room(size_t done, size_t wanted) {
        if (wanted > capacity) {
            PartBuffer larger(wanted);
            if (done) std::memcpy(larger.data(), buffer.data(), done);
            buffer = std::move(larger);
            capacity = wanted;
        }
        return buffer.data();
    }
};

struct StringStorage {
    std::string& text;
    char* room(size_t, size_t wanted) {
        if (wanted > text.size()) text.resize(wanted);
        return text.data();
    }
};

}  // namespace

template <class Storage>
size_t ZipInput::readInto(const ZipEntry& entry, Storage& storage) const {
    zip_file_t* file = zip_fopen_index(archive_, entry.index, 0);
    if (!file) {
        int code = zip_error_code_zip(zip_get_error(archive_));
        zip_error_clear(archive_);
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_ENCRNOTSUPP) fail("part '" + entry.name + "' is encrypted");
        fail("cannot read part '" + entry.name + "': " + zipErrorText(code));
    }
    // The declared size only caps the part: memory is taken as bytes actually unpack, so a
    // directory that declares more than the data holds costs nothing.
    const size_t declared = static_cast<size_t>(entry.size);
    size_t done = 0;
    size_t capacity = 0;
    char* data = nullptr;
    std::string failure;
    for (;;) {
        if (done == capacity && capacity < declared) {
            capacity = grownCapacity(entry, capacity);
            if (unpacked_ + capacity > limits_.maxTotalSize) {
                failure = "the package unpacks to more than " + std::to_string(limits_.maxTotalSize) +
                          " bytes, beyond the limit (a zip bomb?)";
                break;
            }
            data = storage.room(done, capacity);
        }
        char probe;
        // Ask for one byte beyond the declared size, to notice data that does not end there.
        char* target = done < capacity ? data + done : &probe;
        size_t want = done < capacity ? capacity - done : 1;
        zip_int64_t n = zip_fread(file, target, want);
        if (n < 0) {
            failure = "part '" + entry.name + "' is damaged: " + std::string(zip_file_strerror(file));
            break;
        }
        if (n == 0) break;
        if (done >= declared) {
            failure = "part '" + entry.name + "' unpacks to more than its declared " + std::to_string(entry.size) +
                      " bytes (a damaged or hostile archive)";
            break;
        }
        done += static_cast<size_t>(n);
    }
    zip_fclose(file);
    if (!failure.empty()) fail(failure);
    unpacked_ += done;
    return done;
}

PartBuffer ZipInput::read(const ZipEntry& entry) const {
    checkEntry(entry);
    PartBuffer buffer;
    BufferStorage storage{buffer};
    size_t size = readInto(entry, storage);
    if (!buffer.data()) buffer = PartBuffer(0);
    buffer.setSize(size);
    return buffer;
}

std::string ZipInput::readString(const ZipEntry& entry) const {
    checkEntry(entry);
    std::string text;
    StringStorage storage{text};
    text.resize(readInto(entry, storage));
    return text;
}

std::string ZipInput::readDeflated(const ZipEntry& entry) const {
    if (!entry.deflated) fail("part '" + entry.name + "' is not deflated");
    if (entry.packedSize > limits_.maxPartSize)
        fail("part '" + entry.name + "' is packed in " + std::to_string(entry.packedSize) +
             " bytes, more than the limit of " + std::to_string(limits_.maxPartSize));
    zip_file_t* file = zip_fopen_index(archive_, entry.index, ZIP_FL_COMPRESSED);
    if (!file) {
        int code = zip_error_code_zip(zip_get_error(archive_));
        zip_error_clear(archive_);
        fail("cannot read part '" + entry.name + "': " + zipErrorText(code));
    }
    std::string data(static_cast<size_t>(entry.packedSize), '\0');
    size_t done = 0;
    while (done < data.size()) {
        zip_int64_t n = zip_fread(file, data.data() + done, data.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    zip_fclose(file);
    if (done != data.size()) fail("part '" + entry.name + "' is damaged: its packed data ends early");
    return data;
}

}  // namespace tavlora::host::xlsx
