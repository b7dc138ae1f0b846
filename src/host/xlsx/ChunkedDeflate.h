#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/xlsx/ZipOutput.h"

namespace tavlora::host::xlsx {

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

struct DeflateSettings {
    // zlib's fastest level: sheet XML packs to about a sixth, several times faster than level 6,
    // which would otherwise take most of a save.
    int level = 1;
    // Input bytes per piece; pieces are deflated independently, so this is the grain of the
    // parallel work and of the memory held per piece.
    size_t pieceSize = size_t(1) << 20;
    // Pieces deflated at the same time; 0 = one per core.
    unsigned threads = 0;
};

// Deflates everything `producer` makes into one stream. The input is cut into pieces that are
// deflated at the same time on worker threads while the producer makes the next ones; every piece
// but the last ends byte-aligned (a sync flush) and is primed with the 32 KiB of input before it,
// so the joined pieces are one valid stream, packed almost as tightly as one pass packs it. At
// most threads + 1 pieces are in hand at once. An exception from the producer or from zlib
// reaches the caller after every worker has stopped.
DeflatedPart deflateInPieces(PartProducer& producer, const DeflateSettings& settings = {});

// The same for bytes at hand.
DeflatedPart deflateInPieces(std::string_view bytes, const DeflateSettings& settings = {});

}  // namespace tavlora::host::xlsx
