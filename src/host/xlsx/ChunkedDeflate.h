#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <memory>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

#include "host/xlsx/ZipOutput.h"

namespace tavlora::host::xlsx {

class DeflateWorkers;
class PartHead;

// A part in the form a zip entry stores it: a raw deflate stream (no zlib or gzip wrapper), kept
// as the pieces it was made in (joined, they are the stream; kept apart, a large part is never
// copied into one growing buffer), with the CRC-32 and the length of the bytes it unpacks to.
struct DeflatedPart {
    std::vector<std::string> pieces;
    uint32_t crc = 0;
    uint64_t size = 0;

    size_t packedSize() const;
    std::string joined() const;
};

// A libdeflate compressor at one level. Made once and kept for the parts of a save, it spares each
// small part the allocation and clearing of its tables, and each piece a fresh output buffer of
// the worst-case size. One thread at a time.
class PartDeflater {
public:
    explicit PartDeflater(int level);
    ~PartDeflater();
    PartDeflater(const PartDeflater&) = delete;
    PartDeflater& operator=(const PartDeflater&) = delete;

    int level() const { return level_; }
    // One complete raw deflate stream of `input`, in the compressor's own buffer: valid until the
    // next call.
    std::string_view compress(std::string_view input);
    // The same, copied out.
    std::string deflate(std::string_view input) { return std::string(compress(input)); }

private:
    int level_;
    struct libdeflate_compressor* compressor_;
    // Grown to the largest bound asked and kept: neither cleared nor given back between pieces.
    std::unique_ptr<char[]> out_;
    size_t outSize_ = 0;
};

// The compressors of one save, made on first use, one per level: the parts deflated on the saving
// thread share them instead of each allocating and clearing tables of its own. One thread.
class LocalDeflaters {
public:
    PartDeflater& at(int level);

private:
    std::vector<std::unique_ptr<PartDeflater>> deflaters_;
};

struct DeflateSettings {
    // libdeflate's level 6. On the benchmark's sheet XML it packs to 11.8-13.6% of the input
    // where zlib's level 1 packed to 17.8-19.1%, for 2.3 times zlib 1's processor time (about
    // 100 MB/s a core); level 4 would cost what zlib 1 did but leaves the 100,000-row list 12%
    // larger than libxlsxwriter's. docs/performance.md has every level measured.
    int level = 6;
    // A part that arrives whole, in one piece of fewer bytes than smallPart, is deflated at
    // smallPartLevel instead. Such parts are what a small report changes (its sheet, its texts)
    // and deflates again in every report: measured on the invoice benchmark's parts, level 1 takes
    // half of level 6's instructions for a file 2.6% larger, which is still within 3% of what
    // zlib's level 6 makes of the same parts. Below 16 KiB a part at level 1 is at most a few
    // hundred bytes larger, while the parts every file has (theme, styles) weigh as much.
    size_t smallPart = size_t(16) << 10;
    int smallPartLevel = 1;
    // Input bytes per piece; pieces are deflated independently, so this is the grain of the
    // parallel work and of the memory held per piece. Each piece in hand is a buffer whose pages
    // are fresh the first time round: at 1 MiB the three a save holds cost some 860 page faults,
    // at 256 KiB a quarter of that, for 0.2-0.5% more packed bytes (docs/performance.md).
    size_t pieceSize = size_t(256) << 10;
    // Pieces deflated at the same time; 0 = one per core. Used only without `workers`.
    unsigned threads = 0;
    // The save's threads; null: the part starts its own, for its pieces alone.
    DeflateWorkers* workers = nullptr;
    // Deflate the pieces done on the calling thread (a part of one piece); null: the part makes its
    // own. Workers always make their own.
    LocalDeflaters* local = nullptr;
    // The head this part has alike in the reports of its template: a part of one piece below
    // smallPart is deflated through it (see PartHead.h). Null: deflated whole.
    PartHead* head = nullptr;
};

// One piece of a raw deflate stream: the stream's end when `last`, else left open and
// byte-aligned, so that the next piece's blocks may follow it directly.
std::string deflateStreamPiece(PartDeflater& deflater, std::string_view input, bool last);

// libdeflate's level for a worksheet's rows, the bulk of every large report. Deflating them is most
// of what a large save costs and, on two cores, what the save waits for: level 5 takes 0.55-0.65 of
// level 6's processor time on the benchmark's sheets for 0.7-7% more packed bytes, and keeps every
// benchmark file within 4% of libxlsxwriter's for the same cells (docs/performance.md). Texts,
// styles and the other parts stay at `DeflateSettings::level`.
inline constexpr int kWorksheetLevel = 5;

// Deflates everything `producer` makes into one stream. The input is cut into pieces that are
// deflated independently at the same time on worker threads while the producer makes the next
// ones; every piece but the last is left open and byte-aligned, so the joined pieces are one valid
// stream (each piece starts without the input before it, which costs a few hundred bytes per
// MiB). At most threads + 1 pieces are in hand at once, in buffers that go round: a piece's input
// buffer is laid out again once its piece is deflated. An exception from the producer or from the
// compressor reaches the caller after the workers have finished every piece of the part.
DeflatedPart deflateInPieces(PartProducer& producer, const DeflateSettings& settings = {});

// The same for bytes at hand.
DeflatedPart deflateInPieces(std::string_view bytes, const DeflateSettings& settings = {});

// A part whose pieces have all been laid out and handed over, the last of them perhaps still being
// deflated. A save lays out its next part meanwhile instead of waiting with a core idle; the
// bytes a started part reads (the text given to startDeflateInPieces) must live until it is
// finished or dropped. Dropping it waits for its pieces still out. One thread.
class DeflatingPart {
public:
    virtual ~DeflatingPart() = default;
    // Whether a piece is still with the workers.
    virtual bool piecesOut() const = 0;
    // Waits for the pieces still out and joins them; once.
    virtual DeflatedPart finish() = 0;
};

// A part started: `deflating` while pieces of it are still out, else null and `part` is the whole
// part (one of a single piece is deflated at once, on the calling thread).
struct StartedPart {
    DeflatedPart part;
    std::unique_ptr<DeflatingPart> deflating;
};

// Lays out and hands over every piece of the part, as deflateInPieces does, without waiting for
// the last ones. `before`, when given, is a part started earlier on the same workers and not yet
// finished: its pieces count against the same limit of pieces in hand and are collected first, so
// that the two parts together hold no more buffers than one.
StartedPart startDeflateInPieces(PartProducer& producer, const DeflateSettings& settings,
                                 DeflatingPart* before = nullptr);
StartedPart startDeflateInPieces(std::string_view bytes, const DeflateSettings& settings,
                                 DeflatingPart* before = nullptr);

}  // namespace tavlora::host::xlsx
