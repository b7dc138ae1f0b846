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

namespace tavlora::host::xlsx {

namespace {

struct DeflatedPiece {
    std::string data;
    uint32_t crc = 0;
    size_t size = 0;
};

[[noreturn]] void joinFailure(int code) {
    if (code == Z_MEM_ERROR) throw std::bad_alloc();
    com::throwHostError("Cannot compress a workbook part: a deflated piece does not read back (zlib error " +
                        std::to_string(code) + ")");
}

struct InflateStream {
    z_stream z{};
    InflateStream() {
        int code = inflateInit2(&z, -15);
        if (code != Z_OK) joinFailure(code);
    }
    ~InflateStream() { inflateEnd(&z); }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

// libdeflate only makes complete streams: the last block of every piece carries the final-block
// flag and ends wherever its bits end. A piece that others follow has that flag cleared and an
// empty stored block appended, which pads it to a byte boundary with the stream still open, so the
// next piece's blocks follow directly. Where the last block starts is only known by walking the
// blocks, which zlib's inflate does block by block (Z_BLOCK); the inflated bytes are thrown away.
void leaveStreamOpen(std::string& piece) {
    InflateStream stream;
    z_stream& z = stream.z;
    auto* begin = reinterpret_cast<unsigned char*>(piece.data());
    z.next_in = begin;
    z.avail_in = static_cast<uInt>(piece.size());
    unsigned char discard[1 << 15];
    size_t headerByte = 0;  // where the final-block flag of the block being read sits
    unsigned headerMask = 1;
    unsigned spareBits = 0;
    for (;;) {
        z.next_out = discard;
        z.avail_out = sizeof discard;
        int code = inflate(&z, Z_BLOCK);
        if (code != Z_OK && code != Z_BUF_ERROR) joinFailure(code);
        if (code == Z_BUF_ERROR && z.avail_in == 0) joinFailure(Z_DATA_ERROR);
        if (!(z.data_type & 128)) continue;  // stopped inside a block: the output was full
        spareBits = static_cast<unsigned>(z.data_type & 7);
        if (z.data_type & 64) break;  // the block that just ended was the final one
        // The next block's header starts at the first bit not used: inside the last byte read,
        // or at the next byte when that one was used up.
        size_t used = static_cast<size_t>(z.next_in - begin);
        headerByte = spareBits ? used - 1 : used;
        headerMask = spareBits ? 0x100u >> spareBits : 1u;
    }
    if (static_cast<size_t>(z.next_in - begin) != piece.size()) joinFailure(Z_DATA_ERROR);
    piece[headerByte] = static_cast<char>(static_cast<unsigned char>(piece[headerByte]) & ~headerMask);
    // The stored block's three header bits (all zero: not final, type stored) go into the spare
    // bits of the last byte when they fit, else into a new byte; then its zero length and the
    // length's complement.
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
        try {
            pending_.push_back(std::async(std::launch::async, [piece, level = settings_.level] {
                PartDeflater deflater(level);
                return deflatePiece(deflater, piece->bytes, piece->last);
            }));
            return;
        } catch (const std::system_error&) {
            // No thread to be had (a process limit): this piece is deflated here instead.
        }
        std::promise<DeflatedPiece> done;
        done.set_value(deflatePiece(localDeflater(settings_.level), piece->bytes, piece->last));
        pending_.push_back(done.get_future());
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

    void collectOldest() {
        DeflatedPiece piece = pending_.front().get();
        pending_.pop_front();
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
    // Futures of std::async wait for their task when destroyed, so no worker outlives a failure.
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
