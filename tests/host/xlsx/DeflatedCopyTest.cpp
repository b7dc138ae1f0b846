#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "support/XlsxTestSupport.h"
#include "com/Error.h"
#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/PackageWriter.h"
#include "host/xlsx/ZipInput.h"
#include "host/xlsx/ZipOutput.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;
using host::xlsx::ZipInput;

constexpr const char* kCustomPart = "customXml/item1.xml";

std::string customXml() {
    std::string text = "<?xml version=\"1.0\"?><items>";
    for (int i = 0; i < 5000; ++i) text += "<item id=\"" + std::to_string(i) + "\">note " + std::to_string(i * 7) + "</item>";
    return text + "</items>";
}

// The entry's data as the archive holds it, still packed, and unpacked (which checks the CRC).
struct Entry {
    std::string packed;
    std::string bytes;
};

Entry entryOf(const fs::path& archive, const std::string& name) {
    ZipInput zip(archive.string(), {});
    const host::xlsx::ZipEntry* entry = zip.find(name);
    if (!entry) throw std::runtime_error(name + " is not in " + archive.string());
    return {entry->deflated ? zip.readDeflated(*entry) : std::string(), zip.readString(*entry)};
}

class KeptPartCopy : public ::testing::Test {
protected:
    void SetUp() override {
        PartList parts = minimalPackage();
        parts.emplace_back(kCustomPart, customXml());
        writeZip(source_, parts);
    }

    TempDir dir_;
    fs::path source_ = dir_.file("source.xlsx");
    fs::path saved_ = dir_.file("saved.xlsx");
};

TEST_F(KeptPartCopy, AnUnchangedPartIsCopiedPackedAsItWas) {
    auto book = readXlsx(source_);
    host::xlsx::writeWorkbook(*book, saved_.string());
    Entry before = entryOf(source_, kCustomPart);
    Entry after = entryOf(saved_, kCustomPart);
    ASSERT_FALSE(before.packed.empty());
    EXPECT_EQ(after.packed, before.packed) << "the part was deflated again instead of copied";
    EXPECT_EQ(after.bytes, customXml());
    EXPECT_EQ(describeWorkbook(*readXlsx(saved_)), describeWorkbook(*book));
}

TEST_F(KeptPartCopy, APartWhoseBytesChangedIsDeflatedFromTheNewBytes) {
    auto book = readXlsx(source_);
    auto* kept = dynamic_cast<host::xlsx::PackageContents*>(book->keptPackage().get());
    ASSERT_NE(kept, nullptr);
    auto& part = const_cast<host::xlsx::PackagePart&>(*kept->findPart(kCustomPart));
    part.replaceBytes("<?xml version=\"1.0\"?><items><item id=\"1\">changed</item></items>");
    host::xlsx::writeWorkbook(*book, saved_.string());
    EXPECT_EQ(entryOf(saved_, kCustomPart).bytes, part.bytes);
}

// An open workbook holds a part it does not model once, packed, and unpacks it only on demand.
TEST_F(KeptPartCopy, APartTheEngineDoesNotModelIsHeldPackedOnly) {
    auto book = readXlsx(source_);
    auto* kept = dynamic_cast<host::xlsx::PackageContents*>(book->keptPackage().get());
    ASSERT_NE(kept, nullptr);
    const host::xlsx::PackagePart& part = *kept->findPart(kCustomPart);
    EXPECT_TRUE(part.packedOnly());
    EXPECT_TRUE(part.bytes.empty());
    EXPECT_EQ(part.size, customXml().size());
    EXPECT_LT(part.deflated.size(), part.size / 4);
    EXPECT_EQ(part.unpacked(), customXml());

    host::xlsx::PackagePart broken = part;
    broken.deflated[broken.deflated.size() / 2] ^= 0x55;
    broken.deflated.resize(broken.deflated.size() - 8);
    EXPECT_THROW(broken.unpacked(), com::Error);
}

TEST(ZipOutputDeflated, GivenDeflatedDataIsStoredAsItIsWithItsCrc) {
    TempDir dir;
    const std::string text = customXml();
    host::xlsx::DeflatedPart part = host::xlsx::deflateInPieces(text);
    const std::string joined = part.joined();
    {
        host::xlsx::ZipOutput zip(dir.file("given.zip").string());
        zip.addDeflated("a.xml", joined, part.crc, part.size);
        zip.addText("b.xml", "<b/>");
        zip.commit();
    }
    Entry a = entryOf(dir.file("given.zip"), "a.xml");
    EXPECT_EQ(a.packed, joined);
    EXPECT_EQ(a.bytes, text);
    EXPECT_EQ(entryOf(dir.file("given.zip"), "b.xml").bytes, "<b/>");
    // An independent reader agrees, CRCs included.
    EXPECT_EQ(runPython("import zipfile\nprint(zipfile.ZipFile(r'" + dir.file("given.zip").string() +
                        "').testzip())"),
              "None\n");
}

TEST(ZipOutputDeflated, ALargePartIsWrittenFromAllItsPiecesInOrder) {
    // Over three pieces of deflated data, read by libzip in its own buffer sizes.
    TempDir dir;
    std::string text;
    for (int i = 0; text.size() < (size_t(7) << 19); ++i) text += "<row r=\"" + std::to_string(i) + "\"/>";
    {
        host::xlsx::ZipOutput zip(dir.file("large.zip").string());
        zip.addText("large.xml", text);
        zip.commit();
    }
    EXPECT_EQ(entryOf(dir.file("large.zip"), "large.xml").bytes, text);
}

// Hands out a text 40,000 bytes at a time, as the sheet writer hands out rows.
class SlicedText : public host::xlsx::PartProducer {
public:
    explicit SlicedText(const std::string& text) : text_(text) {}
    bool next(std::string& out) override {
        out.append(text_, at_, 40'000);
        at_ = std::min(at_ + 40'000, text_.size());
        return at_ < text_.size();
    }

private:
    const std::string& text_;
    size_t at_ = 0;
};

TEST(ZipOutputDeflated, LargePartsOfOneSaveEachReadBackWhole) {
    // The save's workers and piece buffers serve one part after another: a streamed part laid out
    // in the buffers of the one before must hold nothing of it.
    TempDir dir;
    auto rows = [](const std::string& tag, size_t size) {
        std::string text;
        for (int i = 0; text.size() < size; ++i) text += "<" + tag + " r=\"" + std::to_string(i) + "\"/>";
        return text;
    };
    const std::string first = rows("a", size_t(5) << 19);
    const std::string second = rows("bb", size_t(3) << 19);
    const std::string third = rows("c", size_t(9) << 18);
    {
        host::xlsx::ZipOutput zip(dir.file("parts.zip").string());
        zip.addStream("first.xml", [&first] { return std::make_unique<SlicedText>(first); });
        zip.addText("second.xml", second);
        zip.addStream("third.xml", [&third] { return std::make_unique<SlicedText>(third); });
        zip.addText("small.xml", "<small/>");
        zip.commit();
    }
    EXPECT_EQ(entryOf(dir.file("parts.zip"), "first.xml").bytes, first);
    EXPECT_EQ(entryOf(dir.file("parts.zip"), "second.xml").bytes, second);
    EXPECT_EQ(entryOf(dir.file("parts.zip"), "third.xml").bytes, third);
    EXPECT_EQ(entryOf(dir.file("parts.zip"), "small.xml").bytes, "<small/>");
}

TEST(ZipOutputDeflated, PartsOnEitherSideOfAWrittenBlockKeepTheirHeaders) {
    // The file is written in blocks, and a part of a block or more straight after the bytes still
    // held: a part that fills more than a block has its header in bytes already written, the parts
    // around it in bytes still held.
    TempDir dir;
    std::string noise(size_t(5) << 19, '\0');
    uint32_t state = 12345;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    const std::string tail = noise.substr(0, 70000);  // addBytes reads it at commit
    {
        host::xlsx::ZipOutput zip(dir.file("blocks.zip").string());
        zip.addText("first.xml", "<first/>");
        zip.addBytes("noise.bin", noise);
        zip.addText("after.xml", customXml());
        zip.addBytes("last.bin", tail);
        zip.commit();
    }
    EXPECT_EQ(entryOf(dir.file("blocks.zip"), "first.xml").bytes, "<first/>");
    EXPECT_EQ(entryOf(dir.file("blocks.zip"), "noise.bin").bytes, noise);
    EXPECT_EQ(entryOf(dir.file("blocks.zip"), "after.xml").bytes, customXml());
    EXPECT_EQ(entryOf(dir.file("blocks.zip"), "last.bin").bytes, tail);
    EXPECT_EQ(runPython("import zipfile\nprint(zipfile.ZipFile(r'" + dir.file("blocks.zip").string() +
                        "').testzip())"),
              "None\n");
}

TEST(ZipOutputDeflated, AWrongCrcIsWrittenAsGivenAndCaughtByReaders) {
    // The CRC is the caller's word: a wrong one must make the entry fail to read, never be fixed
    // up by deflating the data again.
    TempDir dir;
    host::xlsx::DeflatedPart part = host::xlsx::deflateInPieces(std::string("<a>data</a>"));
    const std::string joined = part.joined();
    {
        host::xlsx::ZipOutput zip(dir.file("wrong.zip").string());
        zip.addDeflated("a.xml", joined, part.crc ^ 1u, part.size);
        zip.commit();
    }
    try {
        entryOf(dir.file("wrong.zip"), "a.xml");
        FAIL() << "a wrong CRC went unnoticed";
    } catch (const com::Error& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr("part 'a.xml' is damaged"));
    }
}

TEST(ZipOutputDeflated, EntriesWithKnownSizesCarryNoZip64Fields) {
    // Sizes are known before each entry is written, so the local headers need no Zip64 extra
    // field (some readers mind one where the central directory has none).
    TempDir dir;
    {
        host::xlsx::ZipOutput zip(dir.file("plain.zip").string());
        zip.addText("a.xml", customXml());
        zip.addBytes("b.xml", "<b/>");
        zip.commit();
    }
    EXPECT_EQ(runPython("import zipfile\nz = zipfile.ZipFile(r'" + dir.file("plain.zip").string() +
                        "')\nf = open(z.filename, 'rb')\n"
                        "for i in z.infolist():\n"
                        "    f.seek(i.header_offset + 28)\n"
                        "    print(i.filename, int.from_bytes(f.read(2), 'little'))\n"),
              "a.xml 0\nb.xml 0\n");
}

}  // namespace
}  // namespace tavlora::test
