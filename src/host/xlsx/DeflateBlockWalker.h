#pragma once
#include <cstdint>
#include <string_view>

namespace tavlora::host::xlsx {

// Where a raw deflate stream's last block starts and where the stream ends, in bits from the
// start (bit 0 is the lowest bit of the first byte, as deflate counts them).
struct DeflateBlockEnds {
    uint64_t finalBlockBit = 0;  // the final-block flag of the last block
    uint64_t endBit = 0;         // the first bit after its end-of-block code
};

// Walks the blocks of a complete raw deflate stream: block headers, Huffman tables and codes are
// read, nothing is unpacked, so it costs a fraction of inflating the stream. Made for the pieces
// libdeflate writes, which carry no boundary marks of their own. Throws a host error when the
// stream is not complete and valid as far as the walk can tell (a distance is not checked
// against the bytes before it).
DeflateBlockEnds walkDeflateBlocks(std::string_view stream);

}  // namespace tavlora::host::xlsx
