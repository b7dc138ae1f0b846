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

constexpr size_t kWindow = 32 * 1024;  // what a deflate back-reference can reach

struct DeflatedPiece {
    std::string data;
    uint32_t crc = 0;
    size_t size = 0;
};

[[noreturn]] void deflateFailure(int code) {
    if (code == Z_MEM_ERROR) throw std::bad_alloc();
    com::throwHostError("Cannot compress a workbook part: zlib error " + std::to_string(code));
}

struct ZStream {
    z_stream z{};
    explicit ZStream(int level) {
        int code = deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (code != Z_OK) deflateFailure(code);
    }
    ~ZStream() { deflateEnd(&z); }
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;
};

// One piece as a run of deflate blocks: a non-last piece ends with a sync flush, which leaves the
// stream byte-aligned and open, so the next piece's blocks can follow it directly.
DeflatedPiece deflatePiece(std::string_view dictionary, std::string_view input, bool last, int level) {
    ZStream stream(level);
    z_stream& z = stream.z;
    if (!dictionary.empty()) {
        int code = deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                                        static_cast<uInt>(dictionary.size()));
        if (code != Z_OK) deflateFailure(code);
    }
    DeflatedPiece piece;
    piece.size = input.size();
    piece.crc = libdeflate_crc32(0, input.data(), input.size());
    // Room for the worst case plus the flush marker; grown in the rare case that is not enough.
    piece.data.resize(deflateBound(&z, static_cast<uLong>(input.size())) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(piece.data.data() + z.total_out);
        z.avail_out = static_cast<uInt>(piece.data.size() - z.total_out);
        int code = deflate(&z, flush);
        if (code == Z_STREAM_END || (code == Z_OK && !last && z.avail_in == 0 && z.avail_out > 0)) break;
        if (code != Z_OK && code != Z_BUF_ERROR) deflateFailure(code);
        piece.data.resize(piece.data.size() * 2);
    }
    piece.data.resize(z.total_out);
    piece.data.shrink_to_fit();  // it is kept until the part is written: give back the margin
    return piece;
}

struct PieceInput {
    std::string bytes;
    std::string dictionary;  // the input just before the piece, for back-references into it
    bool last = false;
};

class PieceJoiner {
public:
    explicit PieceJoiner(const DeflateSettings& settings)
        : settings_(settings),
          workers_(settings.threads ? settings.threads : std::max(1u, std::thread::hardware_concurrency())) {}

    // Hands one piece to a worker; waits for the oldest piece first when every worker is busy.
    void add(std::string input, bool last) {
        if (pending_.size() >= workers_) collectOldest();
        std::string dictionary = input.size() > kWindow ? input.substr(input.size() - kWindow) : input;
        auto piece = std::make_shared<const PieceInput>(PieceInput{std::move(input), std::move(dictionary_), last});
        dictionary_ = std::move(dictionary);
        const int level = settings_.level;
        bool onePiece = first_ && last;
        first_ = false;
        if (!onePiece) {
            try {
                pending_.push_back(std::async(std::launch::async, [piece, level] {
                    return deflatePiece(piece->dictionary, piece->bytes, piece->last, level);
                }));
                return;
            } catch (const std::system_error&) {
                // No thread to be had (a process limit): this piece is deflated here instead.
            }
        }
        std::promise<DeflatedPiece> done;
        done.set_value(deflatePiece(piece->dictionary, piece->bytes, piece->last, level));
        pending_.push_back(done.get_future());
    }

    DeflatedPart finish() {
        while (!pending_.empty()) collectOldest();
        return std::move(result_);
    }

private:
    void collectOldest() {
        DeflatedPiece piece = pending_.front().get();
        pending_.pop_front();
        result_.pieces.push_back(std::move(piece.data));
        result_.crc = static_cast<uint32_t>(crc32_combine(result_.crc, piece.crc, static_cast<z_off_t>(piece.size)));
        result_.size += piece.size;
    }

    DeflateSettings settings_;
    unsigned workers_;
    // Futures of std::async wait for their task when destroyed, so no worker outlives a failure.
    std::deque<std::future<DeflatedPiece>> pending_;
    std::string dictionary_;
    bool first_ = true;
    DeflatedPart result_;
};

}  // namespace

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
