#include "host/xlsx/ZipFileSink.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>

#include "base/FileIo.h"

namespace tavlora::host::xlsx {

namespace {

// The archive's destination for libzip: a file the caller holds open, written in place of the
// temporary file libzip would otherwise make of its own. libzip writes forward, going back only to
// complete a part's local header. The bytes from `bufferStart` on are held until they reach a
// block: a going back that lands among them rewrites them in memory, so a small archive is written
// with one call instead of two writes and a size query for each of its parts.
struct FileSink {
    static constexpr size_t kBlock = 1 << 20;
    static constexpr size_t kSmall = 64 << 10;

    int fd;
    std::string buffer;  // the file's bytes from bufferStart on, not written yet
    zip_int64_t bufferStart = 0;
    zip_int64_t position = 0;  // where the next write goes
    zip_int64_t fileEnd = 0;   // the file's size, the buffer counted
    zip_error_t error;

    explicit FileSink(int descriptor) : fd(descriptor) { zip_error_init(&error); }

    bool flush() {
        size_t done = 0;
        while (done < buffer.size()) {
            int64_t n = base::writeAt(fd, buffer.data() + done, buffer.size() - done,
                                      bufferStart + static_cast<int64_t>(done));
            if (n <= 0) {
                zip_error_set(&error, ZIP_ER_WRITE, n < 0 ? errno : EIO);
                return false;
            }
            done += static_cast<size_t>(n);
        }
        buffer.clear();
        bufferStart = position;
        return true;
    }

    bool write(const char* data, size_t length) {
        zip_int64_t bufferEnd = bufferStart + static_cast<zip_int64_t>(buffer.size());
        if (position < bufferStart || position > bufferEnd) {
            if (!flush()) return false;  // the buffer starts again where this write goes
        }
        // Grown by doubling, the buffer of a large archive would be copied into fresh memory ten
        // times on its way to a block; once past what a small workbook needs it takes a block's
        // room (and a write's margin) at once.
        if (buffer.capacity() < kBlock && buffer.size() + length > kSmall) buffer.reserve(kBlock + kBlock / 8);
        size_t offset = static_cast<size_t>(position - bufferStart);
        size_t overwritten = std::min(length, buffer.size() - offset);
        buffer.replace(offset, overwritten, data, overwritten);
        buffer.append(data + overwritten, length - overwritten);
        position += static_cast<zip_int64_t>(length);
        fileEnd = std::max(fileEnd, position);
        return buffer.size() < kBlock || flush();
    }

    zip_int64_t seek(void* data, zip_uint64_t length) {
        zip_int64_t to = zip_source_seek_compute_offset(static_cast<zip_uint64_t>(position),
                                                        static_cast<zip_uint64_t>(fileEnd), data, length, &error);
        if (to < 0) return -1;
        position = to;
        return 0;
    }

    // The file is new and empty but for a restart. Truncating an empty file is no free no-op: ext4
    // then takes the file for one rewritten in place and writes it out on close, a disk write per
    // save that the rename does not need.
    zip_int64_t beginWrite() {
        buffer.clear();
        bufferStart = position = fileEnd = 0;
        if (base::sizeOfOpenFile(fd) == 0) return 0;
        if (base::truncateToEmpty(fd) != 0) {
            zip_error_set(&error, ZIP_ER_WRITE, errno);
            return -1;
        }
        return 0;
    }

    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
            case ZIP_SOURCE_STAT:  // "no such file" in the words libzip knows: it makes the archive anew
                zip_error_set(&error, ZIP_ER_READ, ENOENT);
                return -1;
            case ZIP_SOURCE_BEGIN_WRITE: return beginWrite();
            case ZIP_SOURCE_WRITE:
                if (!write(static_cast<const char*>(data), static_cast<size_t>(length))) return -1;
                return static_cast<zip_int64_t>(length);
            case ZIP_SOURCE_SEEK_WRITE: return seek(data, length);
            case ZIP_SOURCE_TELL_WRITE: return position;
            case ZIP_SOURCE_COMMIT_WRITE: return flush() ? 0 : -1;
            case ZIP_SOURCE_ROLLBACK_WRITE:
                buffer.clear();
                return 0;
            case ZIP_SOURCE_REMOVE: return 0;  // an archive without parts: commit() refuses it
            case ZIP_SOURCE_ERROR: return zip_error_to_data(&error, data, length);
            case ZIP_SOURCE_FREE:
                zip_error_fini(&error);
                delete this;
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(
                    ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                    ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                    ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE,
                    ZIP_SOURCE_REMOVE, -1);
            default:  // reading: libzip never reads an archive it makes anew
                zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }

    static zip_int64_t callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto* self = static_cast<FileSink*>(userdata);
        try {
            return self->handle(data, length, command);
        } catch (const std::bad_alloc&) {
            zip_error_set(&self->error, ZIP_ER_MEMORY, 0);
            return -1;
        }
    }
};

}  // namespace

zip_source_t* fileSink(int fd, zip_error_t* error) {
    auto* sink = new FileSink(fd);
    zip_source_t* source = zip_source_function_create(&FileSink::callback, sink, error);
    if (!source) {
        zip_error_fini(&sink->error);
        delete sink;
    }
    return source;
}

}  // namespace tavlora::host::xlsx
