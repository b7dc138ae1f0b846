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
    std::function<std::unique_ptr<DeflatingPart>(DeflatingPart* before)> start;
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

// An entry on its way into the archive: started, not yet written.
struct StartedEntry {
    ZipOutput::Entry* entry = nullptr;
    std::unique_ptr<DeflatingPart> part;  // null for an entry whose data is at hand
};

// Writes the entries in the order they were added, each part started before the one ahead of it is
// written: the next part is laid out while the last pieces of the one before are still being
// deflated, instead of the workers waiting between two large parts for its first piece. At most one
// part has pieces out when the next starts, so the two share the pieces in hand of one.
class EntryPipeline {
public:
    explicit EntryPipeline(ZipWriter& writer) : writer_(writer) {}

    void add(ZipOutput::Entry& entry) {
        StartedEntry started{&entry, nullptr};
        if (entry.start) started.part = entry.start(partOut());
        const bool out = started.part && started.part->piecesOut();
        unwritten_.push_back(std::move(started));
        if (out) writeAllBut(1);
        else if (!partOut()) writeAllBut(0);
    }

    void finish() { writeAllBut(0); }

private:
    // The unwritten part still deflating, if any: only the newest started can be.
    DeflatingPart* partOut() const {
        for (const StartedEntry& started : unwritten_)
            if (started.part && started.part->piecesOut()) return started.part.get();
        return nullptr;
    }

    void writeAllBut(size_t kept) {
        while (unwritten_.size() > kept) {
            write(unwritten_.front());
            unwritten_.pop_front();
        }
    }

    // A part made here is dropped as soon as it is written.
    void write(StartedEntry& started) {
        ZipOutput::Entry& entry = *started.entry;
        if (!started.part) {
            writer_.add(entry.name, std::span<const std::string_view>(&entry.data, 1), entry.crc, entry.size,
                        !entry.stored);
            return;
        }
        DeflatedPart part = started.part->finish();
        started.part.reset();
        entry.start = nullptr;  // what it holds (a text, a producer's inputs) goes with it
        std::vector<std::string_view> chunks(part.pieces.begin(), part.pieces.end());
        writer_.add(entry.name, chunks, part.crc, part.size, true);
    }

    ZipWriter& writer_;
    std::deque<StartedEntry> unwritten_;
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
