#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <fstream>

#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/ZipInput.h"
#include "host/xlsx/ZipOutput.h"
#include "host/xlsx/ZipWriter.h"
#include "support/ComErrorMatchers.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;
using host::xlsx::ZipWriteError;
using host::xlsx::ZipWriter;

uint32_t crcOf(std::string_view bytes) { return static_cast<uint32_t>(libdeflate_crc32(0, bytes.data(), bytes.size())); }

// A file the writer can write into, closed when the test ends.
class ArchiveFile {
public:
    explicit ArchiveFile(fs::path path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
        if (fd_ < 0) throw std::runtime_error("cannot create " + path_.string());
    }
    ~ArchiveFile() { ::close(fd_); }
    int fd() const { return fd_; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    int fd_;
};

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// Deflated entries (in several chunks, as large parts arrive), a stored one and a name outside
// ASCII: our reader and an independent one must agree on every name, byte, CRC and time.
TEST(ZipWriter, EveryEntryReadsBackWithItsBytesCrcNameAndTime) {
    TempDir dir;
    ArchiveFile file(dir.file("parts.zip"));
    std::string large;
    for (int i = 0; large.size() < (size_t(3) << 20); ++i) large += "<row r=\"" + std::to_string(i) + "\"/>";
    host::xlsx::DeflateSettings inPieces;
    inPieces.pieceSize = size_t(1) << 20;
    host::xlsx::DeflatedPart deflatedLarge = host::xlsx::deflateInPieces(large, inPieces);
    ASSERT_GT(deflatedLarge.pieces.size(), 2u);
    host::xlsx::DeflatedPart small = host::xlsx::deflateInPieces(std::string_view("<small/>"));
    const std::string image = "\x89PNG not really, stored as it is";
    {
        ZipWriter writer(file.fd(), localTime(2024, 3, 5, 14, 7, 36));
        std::vector<std::string_view> pieces(deflatedLarge.pieces.begin(), deflatedLarge.pieces.end());
        writer.add("xl/worksheets/sheet1.xml", pieces, deflatedLarge.crc, deflatedLarge.size, true);
        writer.add("xl/media/image1.png", {image}, crcOf(image), image.size(), false);
        std::string joined = small.joined();
        writer.add("xl/Übersicht.xml", {joined}, small.crc, small.size, true);
        writer.finish();
    }
    host::xlsx::ZipInput zip(file.path().string(), {});
    EXPECT_EQ(zip.readString(*zip.find("xl/worksheets/sheet1.xml")), large);
    EXPECT_EQ(zip.readString(*zip.find("xl/media/image1.png")), image);
    EXPECT_EQ(zip.readString(*zip.find("xl/Übersicht.xml")), "<small/>");
    EXPECT_EQ(runPython("import zipfile\n"
                        "z = zipfile.ZipFile(r'" + file.path().string() + "')\n"
                        "print(z.testzip())\n"
                        "for i in z.infolist(): print(i.filename, i.compress_type, i.flag_bits & 0x800, i.date_time)\n"),
              "None\n"
              "xl/worksheets/sheet1.xml 8 0 (2024, 3, 5, 14, 7, 36)\n"
              "xl/media/image1.png 0 0 (2024, 3, 5, 14, 7, 36)\n"
              "xl/Übersicht.xml 8 2048 (2024, 3, 5, 14, 7, 36)\n");
}

// The writer holds a small report whole and goes out in blocks of about a MiB: parts that end
// just short of, exactly at and past the first buffer and the block, and one larger than a block,
// must all land at their offsets with their bytes.
TEST(ZipWriter, PartsAcrossTheFirstBufferAndTheBlockReadBackWhole) {
    TempDir dir;
    ArchiveFile file(dir.file("sizes.zip"));
    const size_t sizes[] = {10, (size_t(64) << 10) - 120, 200, 5000, (size_t(1) << 20) - 70000, 1, (size_t(2) << 20) + 3,
                            (size_t(700) << 10), 0, 333};
    std::vector<std::string> parts;
    uint32_t state = 2463534242u;
    for (size_t size : sizes) {
        std::string& bytes = parts.emplace_back(size, '\0');
        for (char& byte : bytes) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            byte = static_cast<char>(state);
        }
    }
    {
        ZipWriter writer(file.fd(), localTime(2024, 3, 5, 14, 7, 36));
        for (size_t i = 0; i < parts.size(); ++i)
            writer.add("part" + std::to_string(i) + ".bin", {parts[i]}, crcOf(parts[i]), parts[i].size(), false);
        writer.finish();
        EXPECT_EQ(static_cast<uint64_t>(fs::file_size(file.path())), writer.written());
    }
    host::xlsx::ZipInput zip(file.path().string(), {});
    for (size_t i = 0; i < parts.size(); ++i)
        EXPECT_EQ(zip.readString(*zip.find("part" + std::to_string(i) + ".bin")), parts[i]) << "part " << i;
    EXPECT_EQ(runPython("import zipfile\nprint(zipfile.ZipFile(r'" + file.path().string() + "').testzip())\n"), "None\n");
}

TEST(ZipWriter, RefusesWhatWouldNeedTheLargeArchiveExtensionsOrIsInconsistent) {
    TempDir dir;
    ArchiveFile file(dir.file("refused.zip"));
    ZipWriter writer(file.fd(), 0);
    const std::string data = "x";
    // Sizes of 4 GiB and more have no place in the plain fields: refused before anything is written.
    EXPECT_THROW(writer.add("huge.xml", {data}, 0, uint64_t(5) << 30, true), ZipWriteError);
    EXPECT_THROW(writer.add("edge.xml", {data}, 0, 0xFFFFFFFFu, true), ZipWriteError);
    EXPECT_EQ(writer.written(), 0u);
    EXPECT_THROW(writer.add("", {data}, crcOf(data), 1, false), ZipWriteError);
    EXPECT_THROW(writer.add("short.bin", {data}, crcOf(data), 2, false), ZipWriteError);
    for (int i = 0; i < 0xFFFE; ++i) writer.add("e" + std::to_string(i), {data}, crcOf(data), 1, false);
    EXPECT_THROW(writer.add("one-too-many", {data}, crcOf(data), 1, false), ZipWriteError);
    writer.finish();
    EXPECT_EQ(runPython("import zipfile\nz = zipfile.ZipFile(r'" + file.path().string() +
                        "')\nprint(len(z.namelist()), z.testzip(), z.read('e65533'))\n"),
              "65534 None b'x'\n");
}

TEST(ZipWriter, AFileThatTakesNoMoreBytesIsAnError) {
    int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) GTEST_SKIP() << "no /dev/full here";
    {
        ZipWriter writer(fd, 0);
        const std::string data = "<a/>";
        writer.add("a.xml", {data}, crcOf(data), data.size(), false);
        EXPECT_THROW(writer.finish(), ZipWriteError);
    }
    ::close(fd);
}

// Before 1980 a zip has no date: the earliest one is written, not a wrapped-around one.
TEST(ZipWriter, ATimeBeforeZipDatesBecomesTheEarliestDate) {
    TempDir dir;
    ArchiveFile file(dir.file("old.zip"));
    ZipWriter writer(file.fd(), localTime(1975, 6, 1, 12, 0, 0));
    const std::string data = "old";
    writer.add("old.txt", {data}, crcOf(data), data.size(), false);
    writer.finish();
    EXPECT_EQ(runPython("import zipfile\nprint(zipfile.ZipFile(r'" + file.path().string() +
                        "').infolist()[0].date_time)\n"),
              "(1980, 1, 1, 0, 0, 0)\n");
}

TEST(ZipOutputNames, ASecondPartOfTheSameNameIsRefusedAndNothingIsSaved) {
    TempDir dir;
    fs::path target = dir.file("twice.zip");
    {
        host::xlsx::ZipOutput zip(target.string(), base::FileSync::none());
        zip.addText("a.xml", "<a/>");
        EXPECT_THROW(zip.addText("a.xml", "<b/>"), com::Error);
    }
    EXPECT_FALSE(fs::exists(target));
}

// Among many parts, every way of adding one refuses a name already taken, also when it differs
// only in ASCII case (a reader keeps one of two such parts); the refused part leaves the archive
// as it was, and the parts added before it are saved.
TEST(ZipOutputNames, EveryKindOfAddRefusesATakenNameAmongManyParts) {
    TempDir dir;
    fs::path target = dir.file("many.zip");
    const std::string first = "<first/>";
    const host::xlsx::DeflatedPart deflated = host::xlsx::deflateInPieces(std::string_view(first));
    const std::string packed = deflated.joined();
    {
        host::xlsx::ZipOutput zip(target.string(), base::FileSync::none());
        zip.addText("xl/Part0.xml", first);
        for (int i = 1; i < 3000; ++i) zip.addText("xl/part" + std::to_string(i) + ".xml", "<p/>");
        expectComError([&] { zip.addText("xl/part0.xml", "<x/>"); }, com::hr::kHostError,
                       "cannot add part 'xl/part0.xml': the archive already has a part of that name",
                       MessageIs::Containing);
        EXPECT_THROW(zip.addBytes("XL/PART2999.XML", "<x/>"), com::Error);
        EXPECT_THROW(zip.addDeflated("xl/part17.xml", packed, deflated.crc, deflated.size), com::Error);
        EXPECT_THROW(zip.addStream("xl/Part1.xml", [] { return host::xlsx::textProducer("<x/>"); }), com::Error);
        zip.addText("xl/part3000.xml", "<last/>");
        zip.commit();
    }
    host::xlsx::ZipInput zip(target.string(), {});
    EXPECT_EQ(zip.entries().size(), 3001u);
    EXPECT_EQ(zip.readString(*zip.find("xl/Part0.xml")), first);
    EXPECT_EQ(zip.readString(*zip.find("xl/part2999.xml")), "<p/>");
    EXPECT_EQ(zip.readString(*zip.find("xl/part3000.xml")), "<last/>");
}

// A part added with a level of its own is deflated at that level (a worksheet's rows go at a
// cheaper one than the texts), and reads back whole whatever the level.
TEST(ZipOutputLevels, AStreamedPartIsDeflatedAtTheLevelItWasAddedWith) {
    TempDir dir;
    std::string rows;
    for (int row = 1; rows.size() < (size_t(3) << 20); ++row)
        rows += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\"><v>" +
                std::to_string(row * 7 % 1013) + "</v></c></row>";
    auto packedAt = [&](int level) {
        fs::path target = dir.file("level" + std::to_string(level) + ".zip");
        {
            host::xlsx::ZipOutput zip(target.string(), base::FileSync::none());
            zip.addStream("xl/worksheets/sheet1.xml", [&] { return host::xlsx::textProducer(rows); }, nullptr, level);
            zip.commit();
        }
        host::xlsx::ZipInput zip(target.string(), {});
        const host::xlsx::ZipEntry* entry = zip.find("xl/worksheets/sheet1.xml");
        EXPECT_NE(entry, nullptr);
        if (!entry) return uint64_t(0);
        EXPECT_EQ(zip.read(*entry).view(), rows);
        return entry->packedSize;
    };
    const uint64_t fastest = packedAt(1), worksheet = packedAt(host::xlsx::kWorksheetLevel);
    EXPECT_GT(fastest, worksheet);
}

std::string rowsOfSize(size_t size, int seed) {
    std::string rows;
    for (int row = 1; rows.size() < size; ++row)
        rows += "<row r=\"" + std::to_string(row) + "\"><c><v>" + std::to_string(row * seed % 1013) + "</v></c></row>";
    return rows;
}

// Large parts are laid out while the pieces of the one before are still deflated; the archive
// still holds every part in the order added, whatever lies between them (parts made at once,
// stored, already deflated).
TEST(ZipOutputOrder, PartsKeepTheirOrderAndBytesWhenLargeOnesOverlap) {
    TempDir dir;
    fs::path target = dir.file("order.zip");
    const std::string sheet1 = rowsOfSize(size_t(3) << 20, 7), sheet2 = rowsOfSize((size_t(5) << 19) + 3, 11);
    const std::string strings = rowsOfSize((size_t(1) << 20) + 1, 13);
    const std::string picture = "\x89PNG not deflated again", kept = "<kept/>";
    const host::xlsx::DeflatedPart keptDeflated = host::xlsx::deflateInPieces(std::string_view(kept));
    const std::string keptPacked = keptDeflated.joined();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.xml", "<a/>"},           {"xl/worksheets/sheet1.xml", sheet1}, {"xl/styles.xml", "<styles/>"},
        {"xl/media/image1.png", picture}, {"xl/kept.xml", kept},          {"xl/sharedStrings.xml", strings},
        {"xl/worksheets/sheet2.xml", sheet2}, {"z.xml", "<z/>"}};
    {
        host::xlsx::ZipOutput zip(target.string(), base::FileSync::none());
        zip.addText("a.xml", "<a/>");
        zip.addStream("xl/worksheets/sheet1.xml", [&] { return host::xlsx::textProducer(sheet1); });
        zip.addText("xl/styles.xml", "<styles/>");
        zip.addBytes("xl/media/image1.png", picture);
        zip.addDeflated("xl/kept.xml", keptPacked, keptDeflated.crc, keptDeflated.size);
        zip.addText("xl/sharedStrings.xml", strings);
        zip.addStream("xl/worksheets/sheet2.xml", [&] { return host::xlsx::textProducer(sheet2); });
        zip.addText("z.xml", "<z/>");
        zip.commit();
    }
    host::xlsx::ZipInput zip(target.string(), {});
    ASSERT_EQ(zip.entries().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(zip.entries()[i].name, expected[i].first);
        EXPECT_EQ(zip.readString(zip.entries()[i]), expected[i].second);
    }
}

// A part that fails while the one before it is still being deflated fails the save, and no file
// takes the target's place.
TEST(ZipOutputOrder, AFailureWhileTheLastPartIsDeflatedLeavesNoFile) {
    TempDir dir;
    fs::path target = dir.file("failed.zip");
    const std::string sheet = rowsOfSize(size_t(3) << 20, 7);
    struct Failing : host::xlsx::PartProducer {
        int calls = 0;
        bool next(std::string& out) override {
            if (++calls > 40) throw std::runtime_error("the strings went away");
            out.append(50'000, 's');
            return true;
        }
    };
    {
        host::xlsx::ZipOutput zip(target.string(), base::FileSync::none());
        zip.addStream("xl/worksheets/sheet1.xml", [&] { return host::xlsx::textProducer(sheet); });
        zip.addStream("xl/sharedStrings.xml", [] { return std::make_unique<Failing>(); });
        EXPECT_THROW(zip.commit(), std::runtime_error);
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace tavlora::test
