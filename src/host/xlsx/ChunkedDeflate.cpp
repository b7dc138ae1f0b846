#include "host/xlsx/ChunkedDeflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <deque>
#include <future>
#include <memory>
#include <system_error>
#include <thread>

#include "com/Error.h"
#include "host/xlsx/DeflateBlockWalker.h"
#include "host/xlsx/DeflateWorkers.h"
#include "host/xlsx/PartHead.h"

namespace tavlora::host::xlsx {

namespace {

struct DeflatedPiece {
    std::string data;
    uint32_t crc = 0;
    size_t size = 0;
    std::string spent;  // the input buffer, handed back for the next piece
};

// libdeflate only makes complete streams: the last block of every piece carries the final-block
// flag and ends wherever its bits end. A piece that others follow has that flag cleared and an
// empty stored block appended, which pads it to a byte boundary with the stream still open, so the
// next piece's blocks follow directly. Where the last block starts is only known by walking the
// blocks (walkDeflateBlocks reads their codes without unpacking them).
void leaveStreamOpen(std::string& piece) {
    const DeflateBlockEnds ends = walkDeflateBlocks(piece);
    if ((ends.endBit + 7) / 8 != piece.size())
        com::throwHostError("Cannot compress a workbook part: a deflated piece has bytes after its end");
    auto* bytes = reinterpret_cast<unsigned char*>(piece.data());
    bytes[ends.finalBlockBit / 8] &= static_cast<unsigned char>(~(1u << (ends.finalBlockBit % 8)));
    // The stored block's three header bits (all zero: not final, type stored) go into the spare
    // bits of the last byte when they fit, else into a new byte; then its zero length and the
    // length's complement.
    const unsigned spareBits = static_cast<unsigned>((8 - ends.endBit % 8) % 8);
    piece.back() = static_cast<char>(static_cast<unsigned char>(piece.back()) & (0xFFu >> spareBits));
    if (spareBits < 3) piece.push_back('\0');
    piece.append("\x00\x00\xff\xff", 4);
}

DeflatedPiece deflatePiece(PartDeflater& deflater, std::string_view input, bool last) {
    DeflatedPiece piece;
    piece.size = input.size();
    piece.crc = libdeflate_crc32(0, input.data(), input.size());
    piece.data = deflateStreamPiece(deflater, input, last);
    return piece;
}

// A piece handed to a worker. Its input is `buffer`, or bytes the caller keeps until the part is
// done; the buffer comes back with the deflated piece, to be laid out again.
struct PieceWork {
    std::string buffer;
    std::string_view input;
    bool last = false;
    std::promise<DeflatedPiece> done;
};

class PieceJoiner : public DeflatingPart {
public:
    explicit PieceJoiner(const DeflateSettings& settings) : settings_(settings) {}
    // A part with pieces still out moves to the heap to be finished later; the workers' jobs hold
    // their pieces, not the joiner.
    PieceJoiner(PieceJoiner&&) = default;

    // A worker may still be deflating a piece of a part that failed: the part is done only once
    // none is (the input it reads may be the caller's).
    ~PieceJoiner() override {
        for (std::future<DeflatedPiece>& result : pending_)
            if (result.valid()) result.wait();
    }

    // While this part's pieces are laid out, `before`'s last ones may still be deflated: they share
    // the limit of pieces in hand. Only a part on the same workers; null once the last piece is
    // handed over.
    void layOutAfter(DeflatingPart* before) {
        auto* joiner = static_cast<PieceJoiner*>(before);
        before_ = joiner && settings_.workers && joiner->settings_.workers == settings_.workers ? joiner : nullptr;
    }

    // The buffer to lay out the next piece in.
    std::string takeBuffer() { return workers().takeBuffer(settings_.pieceSize + settings_.pieceSize / 8); }

    void add(std::string buffer, bool last) {
        if (isWholePart(last)) {
            deflateWhole(buffer);
            workers().giveBack(std::move(buffer));
            return;
        }
        auto work = std::make_shared<PieceWork>();
        work->buffer = std::move(buffer);
        work->input = work->buffer;
        work->last = last;
        hand(std::move(work));
    }

    void add(std::string_view bytes, bool last) {
        if (isWholePart(last)) return deflateWhole(bytes);
        auto work = std::make_shared<PieceWork>();
        work->input = bytes;
        work->last = last;
        hand(std::move(work));
    }

    bool piecesOut() const override { return !pending_.empty(); }

    DeflatedPart finish() override {
        while (!pending_.empty()) collectOldest();
        return std::move(result_);
    }

private:
    bool isWholePart(bool last) {
        const bool whole = first_ && last;
        first_ = false;
        return whole;
    }

    // A part of one piece is deflated here, straight into the part: a worker would cost more than
    // it saves. (A promise made for it cost a system call per part, to wake waiters that cannot be
    // there.)
    void deflateWhole(std::string_view input) {
        const bool small = input.size() < settings_.smallPart;
        const int level = small ? settings_.smallPartLevel : settings_.level;
        if (small && settings_.head) {
            // The head is deflated once for all the reports of a template: at the texts' level,
            // whatever the part's own.
            result_ = settings_.head->deflate(input, localDeflaters(), level, DeflateSettings{}.level);
            return;
        }
        append(deflatePiece(localDeflater(level), input, true));
    }

    // Hands one piece to a worker; waits for the oldest piece first when every worker is busy.
    void hand(std::shared_ptr<PieceWork> work) {
        const size_t limit = workers().limit();
        while (before_ && before_->piecesOut() && before_->pending_.size() + pending_.size() >= limit)
            before_->collectOldest();
        if (!pending_.empty() && pending_.size() >= limit) collectOldest();
        pending_.push_back(work->done.get_future());
        const int level = settings_.level;
        const bool posted = workers().post([work, level](LocalDeflaters& deflaters) {
            try {
                work->done.set_value(deflateWork(deflaters.at(level), *work));
            } catch (...) {
                work->done.set_exception(std::current_exception());
            }
        });
        // No thread to be had (a process limit): this piece is deflated here instead.
        if (!posted) work->done.set_value(deflateWork(localDeflater(level), *work));
    }

    static DeflatedPiece deflateWork(PartDeflater& deflater, PieceWork& work) {
        DeflatedPiece piece = deflatePiece(deflater, work.input, work.last);
        piece.spent = std::move(work.buffer);
        return piece;
    }

    DeflateWorkers& workers() {
        if (settings_.workers) return *settings_.workers;
        if (!ownWorkers_) ownWorkers_ = std::make_unique<DeflateWorkers>(settings_.threads);
        return *ownWorkers_;
    }

    LocalDeflaters& localDeflaters() { return settings_.local ? *settings_.local : ownDeflaters_; }
    PartDeflater& localDeflater(int level) { return localDeflaters().at(level); }

    void collectOldest() {
        DeflatedPiece piece = pending_.front().get();
        pending_.pop_front();
        workers().giveBack(std::move(piece.spent));
        append(std::move(piece));
    }

    void append(DeflatedPiece piece) {
        result_.pieces.push_back(std::move(piece.data));
        result_.crc = static_cast<uint32_t>(crc32_combine(result_.crc, piece.crc, static_cast<z_off_t>(piece.size)));
        result_.size += piece.size;
    }

    DeflateSettings settings_;
    LocalDeflaters ownDeflaters_;
    std::unique_ptr<DeflateWorkers> ownWorkers_;  // without the save's: threads and buffers for this part alone
    std::deque<std::future<DeflatedPiece>> pending_;
    bool first_ = true;
    DeflatedPart result_;
    PieceJoiner* before_ = nullptr;
};

}  // namespace

PartDeflater::PartDeflater(int level) : level_(level), compressor_(libdeflate_alloc_compressor(level)) {
    if (!compressor_) {
        if (level < 0 || level > 12)
            com::throwHostError("Cannot compress a workbook part: deflate level " + std::to_string(level) +
                                " is not between 0 and 12");
        throw std::bad_alloc();
    }
}

PartDeflater::~PartDeflater() { libdeflate_free_compressor(compressor_); }

std::string_view PartDeflater::compress(std::string_view input) {
    const size_t bound = libdeflate_deflate_compress_bound(compressor_, input.size());
    if (bound > outSize_) {
        out_.reset();  // the old buffer goes first: the two are never held at once
        out_.reset(new char[bound]);
        outSize_ = bound;
    }
    size_t n = libdeflate_deflate_compress(compressor_, input.data(), input.size(), out_.get(), outSize_);
    // The bound is libdeflate's own worst case, so a shortfall is a fault, not a full buffer.
    if (n == 0) com::throwHostError("Cannot compress a workbook part: the deflated data exceeds its bound");
    return std::string_view(out_.get(), n);
}

std::string deflateStreamPiece(PartDeflater& deflater, std::string_view input, bool last) {
    std::string_view packed = deflater.compress(input);
    std::string piece;
    // Room for what leaveStreamOpen appends (a byte of block header, four of length), so that the
    // piece is copied once, at its packed size.
    piece.reserve(packed.size() + (last ? 0 : 5));
    piece.assign(packed);
    if (!last) leaveStreamOpen(piece);
    return piece;
}

PartDeflater& LocalDeflaters::at(int level) {
    for (const auto& deflater : deflaters_)
        if (deflater->level() == level) return *deflater;
    return *deflaters_.emplace_back(std::make_unique<PartDeflater>(level));
}

size_t DeflatedPart::packedSize() const {
    size_t total = 0;
    for (const std::string& piece : pieces) total += piece.size();
    return total;
}

std::string DeflatedPart::joined() const {
    std::string stream;
    stream.reserve(packedSize());
    for (const std::string& piece : pieces) stream += piece;
    return stream;
}

namespace {

StartedPart started(PieceJoiner& joiner) {
    joiner.layOutAfter(nullptr);
    if (!joiner.piecesOut()) return {joiner.finish(), nullptr};
    return {{}, std::make_unique<PieceJoiner>(std::move(joiner))};
}

DeflatedPart finished(StartedPart part) { return part.deflating ? part.deflating->finish() : std::move(part.part); }

}  // namespace

DeflatedPart deflateInPieces(PartProducer& producer, const DeflateSettings& settings) {
    return finished(startDeflateInPieces(producer, settings));
}

DeflatedPart deflateInPieces(std::string_view bytes, const DeflateSettings& settings) {
    return finished(startDeflateInPieces(bytes, settings));
}

StartedPart startDeflateInPieces(PartProducer& producer, const DeflateSettings& settings, DeflatingPart* before) {
    PieceJoiner joiner(settings);
    joiner.layOutAfter(before);
    bool more = true;
    while (more) {
        std::string piece = joiner.takeBuffer();
        while (more && piece.size() < settings.pieceSize) more = producer.next(piece);
        joiner.add(std::move(piece), !more);
    }
    return started(joiner);
}

StartedPart startDeflateInPieces(std::string_view bytes, const DeflateSettings& settings, DeflatingPart* before) {
    PieceJoiner joiner(settings);
    joiner.layOutAfter(before);
    size_t at = 0;
    do {
        size_t n = std::min(settings.pieceSize, bytes.size() - at);
        joiner.add(bytes.substr(at, n), at + n == bytes.size());
        at += n;
    } while (at < bytes.size());
    return started(joiner);
}

}  // namespace tavlora::host::xlsx
