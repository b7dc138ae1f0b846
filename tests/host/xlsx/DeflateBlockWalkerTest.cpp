#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <random>
#include <string>

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
