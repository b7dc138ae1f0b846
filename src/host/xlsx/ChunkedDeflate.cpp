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

namespace tavlora::host::xlsx {

namespace {

struct DeflatedPiece {
    std::string data;
    uint32_t crc = 0;
    size_t size = 0;
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
    piece.data = deflater.deflate(input);
    if (!last) leaveStreamOpen(piece.data);
    return piece;
}

struct PieceInput {
    std::string bytes;
    bool last = false;
};

class PieceJoiner {
public:
    explicit PieceJoiner(const DeflateSettings& settings) : settings_(settings) {}

    // Hands one piece to a worker; waits for the oldest piece first when every worker is busy. A
    // part of one piece is deflated here: a thread would cost more than it saves.
    void add(std::string input, bool last) {
        if (!pending_.empty() && pending_.size() >= workers()) collectOldest();
        bool onePiece = first_ && last;
        first_ = false;
        if (onePiece) {
            // Nothing else is pending: the piece goes straight into the part. (A promise made for
            // it cost a system call per part, to wake waiters that cannot be there.)
            const int level = input.size() < settings_.smallPart ? settings_.smallPartLevel : settings_.level;
            append(deflatePiece(localDeflater(level), input, true));
            return;
        }
        auto piece = std::make_shared<const PieceInput>(PieceInput{std::move(input), last});
        std::unique_ptr<PartDeflater> deflater = idleDeflater();
        PartDeflater* worker = deflater.get();
        try {
            pending_.push_back(std::async(std::launch::async, [piece, worker] {
                return deflatePiece(*worker, piece->bytes, piece->last);
            }));
            busy_.push_back(std::move(deflater));
            return;
        } catch (const std::system_error&) {
            // No thread to be had (a process limit): this piece is deflated here instead.
            idle_.push_back(std::move(deflater));
        }
        std::promise<DeflatedPiece> done;
        done.set_value(deflatePiece(localDeflater(settings_.level), piece->bytes, piece->last));
        pending_.push_back(done.get_future());
        busy_.push_back(nullptr);
    }

    DeflatedPart finish() {
        while (!pending_.empty()) collectOldest();
        return std::move(result_);
    }

private:
    // Asked only once a part has a second piece: the core count costs a file read each time.
    unsigned workers() {
        if (workers_ == 0)
            workers_ = settings_.threads ? settings_.threads : std::max(1u, std::thread::hardware_concurrency());
        return workers_;
    }

    PartDeflater& localDeflater(int level) { return settings_.local ? settings_.local->at(level) : ownDeflaters_.at(level); }

    // A compressor takes 656 KiB at level 6, mapped fresh from the system (and faulted in page by
    // page) each time one is made: the workers take turns with one each, not one per piece.
    std::unique_ptr<PartDeflater> idleDeflater() {
        if (idle_.empty()) return std::make_unique<PartDeflater>(settings_.level);
        std::unique_ptr<PartDeflater> deflater = std::move(idle_.back());
        idle_.pop_back();
        return deflater;
    }

    void collectOldest() {
        DeflatedPiece piece = pending_.front().get();
        pending_.pop_front();
        if (busy_.front()) idle_.push_back(std::move(busy_.front()));
        busy_.pop_front();
        append(std::move(piece));
    }

    void append(DeflatedPiece piece) {
        result_.pieces.push_back(std::move(piece.data));
        result_.crc = static_cast<uint32_t>(crc32_combine(result_.crc, piece.crc, static_cast<z_off_t>(piece.size)));
        result_.size += piece.size;
    }

    DeflateSettings settings_;
    unsigned workers_ = 0;
    LocalDeflaters ownDeflaters_;
    std::vector<std::unique_ptr<PartDeflater>> idle_;
    std::deque<std::unique_ptr<PartDeflater>> busy_;  // those of the pending pieces; null for one deflated here
    // Futures of std::async wait for their task when destroyed, so no worker outlives a failure,
    // nor the compressor it uses (destroyed after them, as declared before).
    std::deque<std::future<DeflatedPiece>> pending_;
    bool first_ = true;
    DeflatedPart result_;
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

std::string PartDeflater::deflate(std::string_view input) {
    std::string out(libdeflate_deflate_compress_bound(compressor_, input.size()), '\0');
    size_t n = libdeflate_deflate_compress(compressor_, input.data(), input.size(), out.data(), out.size());
    // The bound is libdeflate's own worst case, so a shortfall is a fault, not a full buffer.
    if (n == 0) com::throwHostError("Cannot compress a workbook part: the deflated data exceeds its bound");
    out.resize(n);
    out.shrink_to_fit();  // it is kept until the part is written: give back the margin
    return out;
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

DeflatedPart deflateInPieces(PartProducer& producer, const DeflateSettings& settings) {
    PieceJoiner joiner(settings);
    bool more = true;
    while (more) {
        std::string piece;
        piece.reserve(settings.pieceSize + settings.pieceSize / 8);
        while (more && piece.size() < settings.pieceSize) more = producer.next(piece);
        joiner.add(std::move(piece), !more);
    }
    return joiner.finish();
}

DeflatedPart deflateInPieces(std::string_view bytes, const DeflateSettings& settings) {
    PieceJoiner joiner(settings);
    size_t at = 0;
    do {
        size_t n = std::min(settings.pieceSize, bytes.size() - at);
        joiner.add(std::string(bytes.substr(at, n)), at + n == bytes.size());
        at += n;
    } while (at < bytes.size());
    return joiner.finish();
}

}  // namespace tavlora::host::xlsx
