#include "host/xlsx/ZipOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include <libdeflate.h>

#include "base/Ascii.h"
#include "base/AtomicFile.h"
#include "com/Error.h"
#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/ContentTypes.h"
#include "host/xlsx/DeflateWorkers.h"
#include "host/xlsx/DeflaterPool.h"
#include "host/xlsx/PartHead.h"
#include "host/xlsx/ZipWriter.h"

namespace tavlora::host::xlsx {

// One part of the archive as added: bytes stored as they are, deflated data at hand, or the
// recipe that deflates the part when the archive reaches it.
struct ZipOutput::Entry {
    std::string name;
    bool stored = false;
    std::string_view data;  // stored bytes, or deflated data the caller keeps alive
    uint32_t crc = 0;
    uint64_t size = 0;
    // Starts deflating the part, after the part `before` that may still be deflated; empty when
    // `data` is the part. Kept until the part is written: what it holds (a text) is what the
    // pieces read.
    std::function<StartedPart(DeflatingPart* before)> start;
};

namespace {

class TextProducer : public PartProducer {
public:
    explicit TextProducer(std::string text) : text_(std::move(text)) {}
    bool next(std::string& out) override {
        out += text_;
        return false;
    }

private:
    std::string text_;
};

bool isPacked(std::string_view name) {
    std::string ext = extensionOf(name);
    return ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "gif" || ext == "zip" || ext == "mp3" ||
           ext == "mp4" || ext == "docx" || ext == "xlsx" || ext == "pptx";
}

// Writes the entries in the order they were added, each part started before the one ahead of it is
// written: the next part is laid out while the last pieces of the one before are still being
// deflated, instead of the workers waiting between two large parts for its first piece. At most one
// part has pieces out when the next starts, so the two share the pieces in hand of one.
class EntryPipeline {
public:
    explicit EntryPipeline(ZipWriter& writer) : writer_(writer) {}

    void add(ZipOutput::Entry& entry) {
        if (!entry.start) {
            // Nothing ahead of it (every part of a small report): written at once.
            if (!out_) return writeAtHand(entry);
            unwritten_.push_back({&entry, {}});
            return;
        }
        StartedPart part = entry.start(out_);
        if (part.deflating) {
            writeUnwritten();
            out_ = part.deflating.get();
        } else if (!out_) {
            return writeMade(entry, part);
        }
        unwritten_.push_back({&entry, std::move(part)});
    }

    void finish() { writeUnwritten(); }

private:
    // An entry started and not yet written; `part` is empty when its data is at hand.
    struct Unwritten {
        ZipOutput::Entry* entry;
        StartedPart part;
    };

    void writeUnwritten() {
        for (Unwritten& unwritten : unwritten_) {
            if (unwritten.entry->start) writeMade(*unwritten.entry, unwritten.part);
            else writeAtHand(*unwritten.entry);
        }
        unwritten_.clear();
        out_ = nullptr;
    }

    void writeAtHand(const ZipOutput::Entry& entry) {
        writer_.add(entry.name, std::span<const std::string_view>(&entry.data, 1), entry.crc, entry.size, !entry.stored);
    }

    // A part made here is dropped as soon as it is written.
    void writeMade(ZipOutput::Entry& entry, StartedPart& started) {
        if (started.deflating) {
            started.part = started.deflating->finish();
            started.deflating.reset();
        }
        entry.start = nullptr;  // what it holds (a text, a producer's inputs) goes with it
        const DeflatedPart& part = started.part;
        std::vector<std::string_view> chunks(part.pieces.begin(), part.pieces.end());
        writer_.add(entry.name, chunks, part.crc, part.size, true);
        started.part.pieces.clear();
    }

    ZipWriter& writer_;
    std::vector<Unwritten> unwritten_;  // in the archive's order; the first may have pieces out
    DeflatingPart* out_ = nullptr;      // the unwritten part whose pieces were still out when it started
};

}  // namespace

std::unique_ptr<PartProducer> textProducer(std::string text) { return std::make_unique<TextProducer>(std::move(text)); }

ZipOutput::ZipOutput(std::string targetPath, const base::FileSync& sync, DeflaterPool* compressors)
    : target_(std::move(targetPath)), pool_(compressors) {
    try {
        file_ = std::make_unique<base::AtomicFile>(target_, sync);
    } catch (const base::FileError& error) {
        fail(error.what());
    }
}

DeflateSettings ZipOutput::deflateSettings() {
    DeflateSettings settings;
    if (!deflaters_) deflaters_ = pool_ ? pool_->borrow() : std::make_unique<LocalDeflaters>();
    if (!workers_) workers_ = std::make_unique<DeflateWorkers>(settings.threads);
    settings.local = deflaters_.get();
    settings.workers = workers_.get();
    return settings;
}

ZipOutput::~ZipOutput() {
    names_.clear();
    entries_.clear();  // the recipes point at the compressors and workers
    // A compressor keeps no state from one whole stream to the next, even one a failure cut short.
    if (pool_) pool_->giveBack(std::move(deflaters_));
}

void ZipOutput::fail(const std::string& reason) { com::throwHostError("Cannot save '" + target_ + "': " + reason); }

size_t ZipOutput::NameHash::operator()(std::string_view name) const {
    uint64_t hash = 14695981039346656037u;  // FNV-1a over the lower-case bytes (size_t is 32 bits on x86)
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(base::asciiLower(c))) * 1099511628211u;
    return static_cast<size_t>(hash);
}

bool ZipOutput::NameEqual::operator()(std::string_view a, std::string_view b) const {
    return base::equalsIgnoringAsciiCase(a, b);
}

ZipOutput::Entry& ZipOutput::add(const std::string& name) {
    if (names_.count(name))
        fail("cannot add part '" + name + "': the archive already has a part of that name (part names ignore ASCII case)");
    Entry& entry = entries_.emplace_back();
    entry.name = name;
    names_.insert(entry.name);
    return entry;
}

void ZipOutput::addBytes(const std::string& name, std::string_view bytes) {
    Entry& entry = add(name);
    if (isPacked(name)) {
        entry.stored = true;
        entry.data = bytes;
        entry.size = bytes.size();
        entry.crc = static_cast<uint32_t>(libdeflate_crc32(0, bytes.data(), bytes.size()));
        return;
    }
    entry.start = [bytes, settings = deflateSettings()](DeflatingPart* before) {
        return startDeflateInPieces(bytes, settings, before);
    };
}

void ZipOutput::addText(const std::string& name, std::string text) {
    add(name).start = [text = std::move(text), settings = deflateSettings()](DeflatingPart* before) {
        return startDeflateInPieces(text, settings, before);
    };
}

void ZipOutput::addStream(const std::string& name, PartFactory factory, std::shared_ptr<PartHead> head, int level) {
    DeflateSettings settings = deflateSettings();
    settings.head = head.get();
    if (level >= 0) settings.level = level;
    add(name).start = [factory = std::move(factory), settings, head = std::move(head)](DeflatingPart* before) {
        std::unique_ptr<PartProducer> producer = factory();
        return startDeflateInPieces(*producer, settings, before);
    };
}

void ZipOutput::addDeflated(const std::string& name, std::string_view deflated, uint32_t crc, uint64_t size) {
    Entry& entry = add(name);
    entry.data = deflated;
    entry.crc = crc;
    entry.size = size;
}

void ZipOutput::commit() {
    if (!file_) fail("the archive was already written, or its writing failed");
    if (entries_.empty()) fail("the archive has no parts");
    try {
        ZipWriter writer(file_->descriptor(), std::time(nullptr));
        EntryPipeline pipeline(writer);
        for (Entry& entry : entries_) pipeline.add(entry);
        pipeline.finish();
        writer.finish();
    } catch (const ZipWriteError& error) {
        file_.reset();  // removes the temporary file
        fail(error.what());
    } catch (...) {
        file_.reset();
        throw;
    }
    names_.clear();
    entries_.clear();
    try {
        file_->commit();
    } catch (const base::FileError& error) {
        file_.reset();
        fail(error.what());
    }
}

}  // namespace tavlora::host::xlsx
