#pragma once
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/AtomicFile.h"

namespace tavlora::base {
class AtomicFile;
class FileSync;
}

namespace tavlora::host::xlsx {

class DeflateWorkers;
class DeflaterPool;
class LocalDeflaters;
class PartHead;
struct DeflateSettings;

// Produces one part piece by piece while the archive is written, so that a large part (a
// worksheet's rows) never has to exist whole in memory.
class PartProducer {
public:
    virtual ~PartProducer() = default;
    // Appends the next piece of the part to `out`; returns false once the part is complete
    // (the last call may still have appended).
    virtual bool next(std::string& out) = 0;
};
using PartFactory = std::function<std::unique_ptr<PartProducer>()>;

// A producer of one ready text.
std::unique_ptr<PartProducer> textProducer(std::string text);

// A zip archive written through a base::AtomicFile: the archive goes into its temporary file and
// commit() renames it over the target, so that a failed save leaves the old file as it was. Parts
// are written in the order they are added; their data is pulled during commit() (bytes given by
// view must live until then, and so must whatever a producer reads). Without a commit, nothing
// reaches the target and the temporary file is removed.
//
// Parts are deflated here, one at a time when the archive reaches them (large ones in pieces on
// every core, see ChunkedDeflate.h), and written as finished deflate data (ZipWriter.h), so only
// the part being written is held deflated in memory. Parts that are already packed (images,
// nested archives) are stored as they are.
class ZipOutput {
public:
    // `compressors`, when given, lends the small parts' compressors and takes them back at the end,
    // for the next save; it must outlive the archive.
    explicit ZipOutput(std::string targetPath, const base::FileSync& sync = base::FileSync::system(),
                       DeflaterPool* compressors = nullptr);
    ~ZipOutput();
    ZipOutput(const ZipOutput&) = delete;
    ZipOutput& operator=(const ZipOutput&) = delete;

    void addBytes(const std::string& name, std::string_view bytes);
    void addText(const std::string& name, std::string text);
    // `head`, when given, holds how the part starts alike in the reports of its template: a small
    // part deflates only the rest (see PartHead.h). `level`: libdeflate's level for a part of
    // several pieces; < 0 takes the one every part is deflated with.
    void addStream(const std::string& name, PartFactory factory, std::shared_ptr<PartHead> head = nullptr,
                   int level = -1);
    // A part whose deflated form is at hand (an unchanged part of the workbook that was read):
    // `deflated` is a raw deflate stream that unpacks to `size` bytes with CRC-32 `crc`. It is
    // copied into the archive as it is, without unpacking or deflating it again.
    void addDeflated(const std::string& name, std::string_view deflated, uint32_t crc, uint64_t size);
    // Writes the archive, flushes it to disk and renames it over the target. Throws a host error
    // (or the error a producer raised) and removes the temporary file on failure.
    void commit();

    struct Entry;

private:
    Entry& add(const std::string& name);
    [[noreturn]] void fail(const std::string& reason);
    // The settings every part is deflated with; small parts share the compressors, made once, and
    // large parts the worker threads.
    DeflateSettings deflateSettings();

    std::string target_;
    std::unique_ptr<base::AtomicFile> file_;
    // Part names hash and compare ignoring ASCII case, as a reader finds them (it keeps only the
    // first of two such parts).
    struct NameHash {
        size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };

    // A deque: names_ views the entries' names, which must stay where they are.
    std::deque<Entry> entries_;
    // A set refuses a repeated name without a walk over every entry, which made adding a
    // workbook's parts quadratic in their number.
    std::unordered_set<std::string_view, NameHash, NameEqual> names_;
    // Used only by commit(), on the thread that calls it; the entries point at them. The workers'
    // threads, started by the first part of several pieces, serve every later part and end with
    // the save.
    DeflaterPool* pool_ = nullptr;
    std::unique_ptr<LocalDeflaters> deflaters_;
    std::unique_ptr<DeflateWorkers> workers_;
};

}  // namespace tavlora::host::xlsx
