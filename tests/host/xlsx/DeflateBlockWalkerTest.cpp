#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "com/Error.h"
#include "host/xlsx/DeflateBlockWalker.h"

namespace tavlora::host::xlsx {
namespace {

// The same ends found by inflating the stream with zlib block by block.
DeflateBlockEnds endsByInflating(const std::string& stream) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    z.avail_in = static_cast<uInt>(stream.size());
    unsigned char discard[1 << 15];
    DeflateBlockEnds ends;
    for (;;) {
        z.next_out = discard;
        z.avail_out = sizeof discard;
        int code = inflate(&z, Z_BLOCK);
        if (code != Z_OK && code != Z_BUF_ERROR && code != Z_STREAM_END) {
            ADD_FAILURE() << "zlib cannot read the stream: " << code;
            break;
        }
        if (!(z.data_type & 128)) continue;
        const uint64_t bit = uint64_t(z.next_in - reinterpret_cast<const Bytef*>(stream.data())) * 8 -
                             static_cast<uint64_t>(z.data_type & 7);
        if (z.data_type & 64) {
            ends.endBit = bit;
            break;
        }
        ends.finalBlockBit = bit;  // the start of the next block, until there is none
    }
    inflateEnd(&z);
    return ends;
}

std::string withLibdeflate(const std::string& input, int level) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    std::string out(libdeflate_deflate_compress_bound(compressor, input.size()), '\0');
    out.resize(libdeflate_deflate_compress(compressor, input.data(), input.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

// zlib can make what libdeflate does not: fixed-code blocks, flushes (empty stored blocks) inside.
std::string withZlib(const std::string& input, int level, int strategy, size_t flushEvery) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    std::string out(deflateBound(&z, input.size()) + 64 * (input.size() / flushEvery + 1), '\0');
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    for (size_t at = 0; at < input.size() || at == 0; at += flushEvery) {
        const size_t n = std::min(flushEvery, input.size() - at);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + at));
        z.avail_in = static_cast<uInt>(n);
        const bool last = at + n >= input.size();
        EXPECT_EQ(deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH), last ? Z_STREAM_END : Z_OK);
        if (last) break;
    }
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string sheetLike(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    for (int row = 1; text.size() < size; ++row)
        text += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\"><v>" +
                std::to_string(random() % 100000) + "." + std::to_string(random() % 100) + "</v></c><c r=\"B" +
                std::to_string(row) + "\" t=\"s\"><v>" + std::to_string(random() % 977) + "</v></c></row>";
    text.resize(size);
    return text;
}

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

void expectSameEnds(const std::string& stream, const std::string& what) {
    const DeflateBlockEnds expected = endsByInflating(stream);
    const DeflateBlockEnds found = walkDeflateBlocks(stream);
    EXPECT_EQ(found.finalBlockBit, expected.finalBlockBit) << what;
    EXPECT_EQ(found.endBit, expected.endBit) << what;
    EXPECT_EQ((found.endBit + 7) / 8, stream.size()) << what;
}

TEST(DeflateBlockWalker, FindsTheLastBlockOfLibdeflatesStreams) {
    const std::string inputs[] = {"", "x", sheetLike(300, 1), sheetLike(1 << 20, 2), randomBytes(100000, 3),
                                  sheetLike(200000, 4) + randomBytes(50000, 5) + std::string(70000, 'a')};
    for (const std::string& input : inputs)
        for (int level : {0, 1, 4, 6, 9, 12})
            expectSameEnds(withLibdeflate(input, level), "level " + std::to_string(level) + ", " +
                                                             std::to_string(input.size()) + " bytes");
}

TEST(DeflateBlockWalker, FixedCodesStoredBlocksAndFlushes) {
    const std::string text = sheetLike(400000, 6);
    expectSameEnds(withZlib(text, 6, Z_FIXED, 1 << 30), "fixed codes");
    expectSameEnds(withZlib(text, 6, Z_FIXED, 5000), "fixed codes, flushed");
    expectSameEnds(withZlib(text, 1, Z_HUFFMAN_ONLY, 70000), "literals only");
    expectSameEnds(withZlib(text, 9, Z_RLE, 1 << 30), "runs");
    expectSameEnds(withZlib(text, 0, Z_DEFAULT_STRATEGY, 1 << 30), "stored");
    expectSameEnds(withZlib(randomBytes(300000, 7), 6, Z_DEFAULT_STRATEGY, 100000), "random, flushed");
    expectSameEnds(withZlib("", 6, Z_DEFAULT_STRATEGY, 1 << 30), "empty");
}

// Writes a deflate stream bit by bit, first bit lowest, Huffman codes first bit first.
class BitWriter {
public:
    void bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) put((value >> i) & 1);
    }
    void code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) put((code >> i) & 1);
    }
    std::string done() { return bytes_; }

private:
    void put(uint32_t bit) {
        if (used_ % 8 == 0) bytes_ += '\0';
        bytes_.back() = static_cast<char>(bytes_.back() | (bit << (used_ % 8)));
        ++used_;
    }
    std::string bytes_;
    size_t used_ = 0;
};

// The canonical codes of deflate for the given code lengths.
std::vector<uint32_t> canonicalCodes(const std::vector<int>& lengths) {
    std::vector<int> counts(16, 0);
    for (int length : lengths) ++counts[length];
    counts[0] = 0;
    std::vector<uint32_t> next(16, 0), codes(lengths.size(), 0);
    for (int length = 1, code = 0; length < 16; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = static_cast<uint32_t>(code);
    }
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s]) codes[s] = next[lengths[s]]++;
    return codes;
}

// One dynamic block whose codes deflate libraries seldom make: a 15-bit end of block, a 15-bit
// literal, and length and distance codes of 11 to 15 bits, all longer than the walker's table.
void writeBlockOfLongCodes(BitWriter& out) {
    std::vector<int> literals(271, 0), distances(30, 0);
    literals['a'] = 1;
    for (int symbol = 257; symbol <= 269; ++symbol) literals[symbol] = symbol - 255;  // 2 to 14 bits
    literals['b'] = 15;
    literals[256] = 15;
    for (int symbol = 0; symbol <= 13; ++symbol) distances[symbol] = symbol + 1;  // 1 to 14 bits
    distances[14] = 15;
    distances[29] = 15;
    std::vector<int> lengthCode(19, 0);
    for (int symbol = 0; symbol <= 14; ++symbol) lengthCode[symbol] = 4;
    lengthCode[15] = 5;
    lengthCode[18] = 5;
    const std::vector<uint32_t> lit = canonicalCodes(literals), dist = canonicalCodes(distances),
                                len = canonicalCodes(lengthCode);
    out.bits(1, 1);                                      // the last block
    out.bits(2, 2);                                      // dynamic codes
    out.bits(static_cast<uint32_t>(literals.size() - 257), 5);
    out.bits(static_cast<uint32_t>(distances.size() - 1), 5);
    out.bits(19 - 4, 4);
    for (int symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
        out.bits(static_cast<uint32_t>(lengthCode[symbol]), 3);
    for (const std::vector<int>* lengths : {&literals, &distances})
        for (int length : *lengths) out.code(len[length], lengthCode[length]);
    auto literal = [&](int symbol) { out.code(lit[symbol], literals[symbol]); };
    auto match = [&](int lengthSymbol, int lengthExtra, int distanceSymbol, int distanceExtra) {
        literal(lengthSymbol);
        out.bits(0, lengthExtra);
        out.code(dist[distanceSymbol], distances[distanceSymbol]);
        out.bits(0, distanceExtra);
    };
    for (int i = 0; i < 30000; ++i) literal('a');
    literal('b');
    match(269, 2, 29, 13);  // 19 bytes from 24,577 back
    match(265, 1, 14, 6);   // 11 bytes from 129 back
    match(268, 1, 12, 5);
    match(257, 0, 0, 0);
    literal('b');
    literal(256);
}

TEST(DeflateBlockWalker, CodesLongerThanItsTableAreSkippedWhole) {
    BitWriter alone;
    writeBlockOfLongCodes(alone);
    expectSameEnds(alone.done(), "a block of long codes");
    // Behind a block of fixed codes, its final flag cleared, so that the last one starts mid-byte.
    const std::string first = withZlib(sheetLike(5000, 3), 6, Z_FIXED, 1 << 30);
    const DeflateBlockEnds firstEnds = walkDeflateBlocks(first);
    ASSERT_NE(firstEnds.endBit % 8, 0u) << "the first block ends on a byte boundary: pick another input";
    BitWriter joined;
    for (uint64_t bit = 0; bit < firstEnds.endBit; ++bit)
        joined.bits(bit == firstEnds.finalBlockBit ? 0 : (static_cast<unsigned char>(first[bit / 8]) >> (bit % 8)) & 1, 1);
    writeBlockOfLongCodes(joined);
    expectSameEnds(joined.done(), "a block of long codes after a fixed one");
}

TEST(DeflateBlockWalker, BrokenStreamsAreRefused) {
    const std::string stream = withLibdeflate(sheetLike(300000, 8), 6);
    auto refused = [](const std::string& broken) {
        try {
            walkDeflateBlocks(broken);
        } catch (const com::Error& e) {
            return std::string(e.what()).find("Cannot compress a workbook part: a deflated piece does not read back") !=
                   std::string::npos;
        }
        return false;
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused(stream.substr(0, stream.size() / 2)));
    EXPECT_TRUE(refused(stream.substr(0, stream.size() - 1)));
    EXPECT_TRUE(refused(std::string("\x07", 1)));  // a final block of the reserved type
    EXPECT_TRUE(refused(std::string("\x01\x05\x00\xfb\xff" "abcde", 10)));  // a stored block whose check is wrong
    EXPECT_TRUE(refused(std::string("\x01\x05\x00\xfa\xff" "abc", 8)));      // one that ends early
    std::string neverFinal;
    for (int i = 0; i < 10; ++i) neverFinal.append("\x00\x00\x00\xff\xff", 5);  // empty blocks, none the last
    EXPECT_TRUE(refused(neverFinal));
    EXPECT_NO_THROW(walkDeflateBlocks(neverFinal + std::string("\x01\x00\x00\xff\xff", 5)));
    // A stream of zeros past the first block keeps decoding as the shortest code: it must stop.
    std::string endless = withLibdeflate(sheetLike(300000, 9), 6);
    endless.resize(endless.size() / 3);
    EXPECT_TRUE(refused(endless));
}

}  // namespace
}  // namespace tavlora::host::xlsx
