#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <random>
#include <set>
#include <stdexcept>
#include <system_error>

#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/DeflateWorkers.h"

namespace tavlora::test {
namespace {

using host::xlsx::DeflatedPart;
using host::xlsx::DeflateSettings;
using host::xlsx::DeflateWorkers;
using host::xlsx::deflateInPieces;
using host::xlsx::PartProducer;

// Unpacks a raw deflate stream with zlib, as any zip reader would; fails the test on a bad stream.
std::string inflateRaw(const std::string& packed, size_t expectedSize) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    std::string out(expectedSize + 1, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int code = inflate(&z, Z_FINISH);
    EXPECT_EQ(code, Z_STREAM_END) << "the joined pieces are not one complete deflate stream";
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

uint32_t crcOf(const std::string& bytes) {
    return static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

std::string sheetLikeText(size_t size) {
    std::string text;
    for (int row = 1; text.size() < size; ++row)
        text += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\" t=\"s\"><v>" +
                std::to_string(row % 977) + "</v></c></row>";
    text.resize(size);
    return text;
}

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

void expectRoundTrip(const std::string& input, const DeflateSettings& settings) {
    DeflatedPart part = deflateInPieces(input, settings);
    EXPECT_EQ(part.size, input.size());
    EXPECT_EQ(part.crc, crcOf(input));
    EXPECT_EQ(inflateRaw(part.joined(), input.size()), input);
}

// Hands out its text in pieces of the given sizes, in turn, as a part writer does.
class SlicedProducer : public PartProducer {
public:
    SlicedProducer(std::string text, std::vector<size_t> sizes) : text_(std::move(text)), sizes_(std::move(sizes)) {}
    bool next(std::string& out) override {
        size_t n = std::min(sizes_[turn_++ % sizes_.size()], text_.size() - at_);
        out.append(text_, at_, n);
        at_ += n;
        return at_ < text_.size();
    }

private:
    std::string text_;
    std::vector<size_t> sizes_;
    size_t at_ = 0;
    size_t turn_ = 0;
};

class ThrowingProducer : public PartProducer {
public:
    bool next(std::string& out) override {
        if (++calls_ > 20) throw std::runtime_error("the cell store went away");
        out.append(1000, 'x');
        return true;
    }

private:
    int calls_ = 0;
};

TEST(ChunkedDeflate, PiecesJoinIntoOneStreamAtEverySizeAroundThePieceSize) {
    DeflateSettings settings;
    settings.pieceSize = 4096;
    for (unsigned threads : {1u, 2u, 3u}) {
        settings.threads = threads;
        for (size_t size : {size_t(0), size_t(1), size_t(4095), size_t(4096), size_t(4097), size_t(8192),
                            size_t(4096 * 5 + 123)}) {
            SCOPED_TRACE("threads " + std::to_string(threads) + ", size " + std::to_string(size));
            expectRoundTrip(sheetLikeText(size), settings);
        }
    }
}

TEST(ChunkedDeflate, IncompressibleAndEmptyPiecesRoundTrip) {
    DeflateSettings settings;
    settings.pieceSize = 1000;
    expectRoundTrip(randomBytes(10'500, 1), settings);
    expectRoundTrip(std::string(), settings);
}

TEST(ChunkedDeflate, PiecesOfEveryBlockKindJoinAtEveryLevel) {
    // Text, noise and runs in turn, so that pieces end in dynamic, fixed and stored blocks, at
    // every bit offset; level 0 makes stored blocks only, which end byte-aligned.
    std::string input;
    for (int i = 0; i < 12; ++i) {
        input += sheetLikeText(3000 + 97 * i);
        input += randomBytes(500 + 31 * i, static_cast<unsigned>(i));
        input += std::string(static_cast<size_t>(i), 'a');
    }
    DeflateSettings settings;
    settings.threads = 2;
    for (int level = 0; level <= 12; ++level) {
        settings.level = level;
        for (size_t pieceSize : {size_t(1), size_t(7), size_t(1000), size_t(4099)}) {
            if (pieceSize == 1 && level != 6) continue;  // a thread per byte: one level is enough
            settings.pieceSize = pieceSize;
            SCOPED_TRACE("level " + std::to_string(level) + ", piece size " + std::to_string(pieceSize));
            expectRoundTrip(pieceSize == 1 ? input.substr(0, 300) : input, settings);
        }
    }
}

TEST(ChunkedDeflate, OnlyASmallWholePartIsDeflatedAtTheSmallPartLevel) {
    host::xlsx::LocalDeflaters local;
    DeflateSettings settings;
    settings.local = &local;
    settings.pieceSize = 16 * 1024;
    settings.smallPart = 12 * 1024;
    auto atLevel = [](int level, const std::string& text) { return host::xlsx::PartDeflater(level).deflate(text); };
    // Just below the limit: level 1. At the limit: the part's level, even though the level-1
    // compressor of the same save was made first.
    std::string small = sheetLikeText(12 * 1024 - 1);
    std::string notSmall = sheetLikeText(12 * 1024);
    EXPECT_EQ(deflateInPieces(small, settings).joined(), atLevel(1, small));
    EXPECT_EQ(deflateInPieces(notSmall, settings).joined(), atLevel(6, notSmall));
    EXPECT_LT(atLevel(6, small).size(), atLevel(1, small).size()) << "the two levels cannot be told apart";
    // A part of several pieces keeps the part's level, its last piece too, however small.
    std::string twoPieces = sheetLikeText(16 * 1024 + 100);
    DeflatedPart part = deflateInPieces(twoPieces, settings);
    ASSERT_EQ(part.pieces.size(), 2u);
    EXPECT_EQ(part.pieces[1], atLevel(6, twoPieces.substr(16 * 1024)));
    EXPECT_EQ(inflateRaw(part.joined(), twoPieces.size()), twoPieces);
}

TEST(ChunkedDeflate, ALevelOutsideTheRangeIsAClearError) {
    EXPECT_THROW(
        {
            try {
                host::xlsx::PartDeflater deflater(13);
            } catch (const std::exception& error) {
                EXPECT_THAT(error.what(), testing::HasSubstr("deflate level 13 is not between 0 and 12"));
                throw;
            }
        },
        std::exception);
}

TEST(ChunkedDeflate, ProducerPiecesOfAnySizeMakeTheSameBytes) {
    std::string text = sheetLikeText(300'000);
    DeflateSettings settings;
    settings.pieceSize = 16 * 1024;
    settings.threads = 2;
    SlicedProducer producer(text, {1, 7000, 65536, 333});
    DeflatedPart part = deflateInPieces(producer, settings);
    EXPECT_EQ(part.size, text.size());
    EXPECT_EQ(part.crc, crcOf(text));
    EXPECT_EQ(inflateRaw(part.joined(), text.size()), text);
}

TEST(ChunkedDeflate, AProducerFailureReachesTheCallerAfterTheWorkersStop) {
    DeflateSettings settings;
    settings.pieceSize = 2048;
    settings.threads = 2;
    ThrowingProducer producer;
    EXPECT_THROW(
        {
            try {
                deflateInPieces(producer, settings);
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "the cell store went away");
                throw;
            }
        },
        std::runtime_error);
}


// Starts the workers' threads as the library does, counting them, or refuses once `allowed`
// threads run, as a process at its thread limit does.
struct CountedThreads {
    std::atomic<int> started{0};
    std::atomic<int> ended{0};
    int allowed = 1000;

    DeflateWorkers::ThreadStarter starter() {
        return [this](std::function<void()> body) {
            if (started >= allowed) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            ++started;
            return std::thread([this, body = std::move(body)] {
                body();
                ++ended;
            });
        };
    }
};

// Notes the buffer each piece is laid out in (the producer is asked for a new piece with an empty
// buffer in hand).
class BufferNotingProducer : public PartProducer {
public:
    BufferNotingProducer(std::string text, std::set<const void*>& buffers) : text_(std::move(text)), buffers_(buffers) {}
    bool next(std::string& out) override {
        if (out.empty()) buffers_.insert(out.data());
        size_t n = std::min<size_t>(3000, text_.size() - at_);
        out.append(text_, at_, n);
        at_ += n;
        return at_ < text_.size();
    }

private:
    std::string text_;
    std::set<const void*>& buffers_;
    size_t at_ = 0;
};

TEST(DeflateWorkers, TheThreadsOfASaveServeAllItsPartsAndEndWithIt) {
    CountedThreads threads;
    DeflateSettings settings;
    settings.pieceSize = 4096;
    {
        DeflateWorkers workers(2, threads.starter());
        settings.workers = &workers;
        for (size_t size : {size_t(4096 * 9 + 5), size_t(4096 * 3), size_t(100), size_t(4096 * 7 + 1)}) {
            SCOPED_TRACE("size " + std::to_string(size));
            expectRoundTrip(sheetLikeText(size), settings);
        }
        EXPECT_GE(threads.started, 1);
        EXPECT_LE(threads.started, 2) << "a thread per piece or per part instead of per save";
    }
    EXPECT_EQ(threads.ended.load(), threads.started.load()) << "a worker outlived the save";
}

TEST(DeflateWorkers, PiecesGoRoundAFewBuffersAcrossTheParts) {
    std::set<const void*> buffers;
    DeflateSettings settings;
    settings.pieceSize = 16 * 1024;
    DeflateWorkers workers(2);
    settings.workers = &workers;
    for (size_t size : {size_t(400'000), size_t(300'000)}) {
        std::string text = sheetLikeText(size);
        BufferNotingProducer producer(text, buffers);
        DeflatedPart part = deflateInPieces(producer, settings);
        EXPECT_EQ(inflateRaw(part.joined(), text.size()), text);
    }
    // 44 pieces; two on the workers and one being laid out are all a save holds at once.
    EXPECT_LE(buffers.size(), 3u);
}

// A save lays out its next part while the last pieces of the one before are deflated: the two
// must stay two whole streams, whichever is finished first, and hold no more buffers than one part.
TEST(DeflateWorkers, APartStartedBeforeTheLastOneIsFinishedSharesItsBuffers) {
    for (bool laterFirst : {false, true}) {
        SCOPED_TRACE(laterFirst ? "the later part finished first" : "in order");
        std::set<const void*> buffers;
        DeflateSettings settings;
        settings.pieceSize = 16 * 1024;
        DeflateWorkers workers(2);
        settings.workers = &workers;
        const std::string first = sheetLikeText(400'000), second = sheetLikeText(300'000) + "<end/>";
        BufferNotingProducer firstProducer(first, buffers), secondProducer(second, buffers);
        host::xlsx::StartedPart a = host::xlsx::startDeflateInPieces(firstProducer, settings);
        ASSERT_NE(a.deflating, nullptr) << "the last pieces were waited for";
        host::xlsx::StartedPart b = host::xlsx::startDeflateInPieces(secondProducer, settings, a.deflating.get());
        ASSERT_NE(b.deflating, nullptr);
        DeflatedPart later = laterFirst ? b.deflating->finish() : DeflatedPart{};
        DeflatedPart earlier = a.deflating->finish();
        if (!laterFirst) later = b.deflating->finish();
        EXPECT_EQ(inflateRaw(earlier.joined(), first.size()), first);
        EXPECT_EQ(earlier.crc, crcOf(first));
        EXPECT_EQ(inflateRaw(later.joined(), second.size()), second);
        EXPECT_EQ(later.crc, crcOf(second));
        EXPECT_LE(buffers.size(), 3u) << "the two parts held more pieces at once than one";
    }
}

// What follows a part still being deflated may be small (done at once, on the saving thread) or
// may fail midway; neither touches the part before it.
TEST(DeflateWorkers, APartAfterOneStillBeingDeflatedMayBeSmallOrFail) {
    DeflateSettings settings;
    settings.pieceSize = 2048;
    DeflateWorkers workers(2);
    settings.workers = &workers;
    const std::string text = sheetLikeText(2048 * 7 + 5);
    host::xlsx::StartedPart a = host::xlsx::startDeflateInPieces(text, settings);
    ASSERT_NE(a.deflating, nullptr);
    host::xlsx::StartedPart small = host::xlsx::startDeflateInPieces(std::string_view("<a/>"), settings, a.deflating.get());
    EXPECT_EQ(small.deflating, nullptr) << "a part of one piece went to the workers";
    EXPECT_EQ(inflateRaw(small.part.joined(), 4), "<a/>");
    ThrowingProducer failing;
    EXPECT_THROW(host::xlsx::startDeflateInPieces(failing, settings, a.deflating.get()), std::runtime_error);
    DeflatedPart part = a.deflating->finish();
    EXPECT_EQ(inflateRaw(part.joined(), text.size()), text);
    EXPECT_EQ(part.crc, crcOf(text));
}

TEST(DeflateWorkers, WithoutAThreadThePiecesAreDeflatedOnTheSavingThread) {
    std::string text = sheetLikeText(4096 * 6 + 77);
    DeflateSettings settings;
    settings.pieceSize = 4096;
    const std::string threaded = deflateInPieces(text, settings).joined();
    for (int allowed : {0, 1}) {
        SCOPED_TRACE(std::to_string(allowed) + " threads to be had");
        CountedThreads threads;
        threads.allowed = allowed;
        DeflateWorkers workers(3, threads.starter());
        settings.workers = &workers;
        DeflatedPart part = deflateInPieces(text, settings);
        EXPECT_EQ(part.joined(), threaded);
        EXPECT_EQ(part.crc, crcOf(text));
        EXPECT_EQ(threads.started.load(), allowed);
    }
}

TEST(DeflateWorkers, AFailureOnAWorkerReachesTheCallerAndLeavesTheWorkersUsable) {
    CountedThreads threads;
    DeflateWorkers workers(2, threads.starter());
    DeflateSettings settings;
    settings.pieceSize = 2048;
    settings.workers = &workers;
    settings.level = 13;  // the worker's compressor cannot be made
    std::string text = sheetLikeText(2048 * 5);
    EXPECT_THROW(
        {
            try {
                deflateInPieces(text, settings);
            } catch (const std::exception& error) {
                EXPECT_THAT(error.what(), testing::HasSubstr("deflate level 13 is not between 0 and 12"));
                throw;
            }
        },
        std::exception);
    EXPECT_GE(threads.started, 1) << "the failure did not happen on a worker";
    settings.level = 6;
    expectRoundTrip(text, settings);
}

}  // namespace
}  // namespace tavlora::test
