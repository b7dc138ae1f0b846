#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "support/XlsxTestSupport.h"
#include "com/Error.h"
#include "host/xlsx/PackageReader.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The message of the host error that reading `path` raises ("" when it reads).
std::string readFailure(const std::filesystem::path& path, const host::xlsx::ReadLimits& limits = {}) {
    auto workbook = emptyWorkbook();
    try {
        host::xlsx::readWorkbook(path.string(), *workbook, limits);
    } catch (const com::Error& error) {
        EXPECT_EQ(error.code(), com::hr::kHostError);
        return error.what();
    }
    return "";
}

class PackageErrors : public ::testing::Test {
protected:
    std::filesystem::path write(const PartList& parts, const std::string& name = "book.xlsx") {
        auto path = dir_.file(name);
        writeZip(path, parts);
        return path;
    }
    std::string withPart(const std::string& part, const std::string& bytes) {
        PartList parts = minimalPackage();
        replacePart(parts, part, bytes);
        return readFailure(write(parts));
    }
    std::string withoutPart(const std::string& part) {
        PartList parts = minimalPackage();
        removePart(parts, part);
        return readFailure(write(parts));
    }
    std::string path() const { return dir_.file("book.xlsx").string(); }

    TempDir dir_;
};

TEST_F(PackageErrors, TheMinimalPackageReads) {
    auto path = write(minimalPackage());
    EXPECT_EQ(readFailure(path), "");
    EXPECT_EQ(describeWorkbook(*readXlsx(path)),
              "sheet 'Data' worksheet visible\n  default row height 15, column width 8.4299999999999997\n"
              "  A1 n:1 style 0\n  B1 s:x style 0\n");
}

TEST_F(PackageErrors, MissingFileOrFolder) {
    EXPECT_EQ(readFailure(dir_.file("nothing.xlsx")), "Cannot open '" + dir_.file("nothing.xlsx").string() + "': the file does not exist");
    EXPECT_EQ(readFailure(dir_.path()), "Cannot open '" + dir_.path().string() + "': it is a folder, not a workbook file");
}

TEST_F(PackageErrors, NotAZipArchive) {
    std::ofstream(path()) << "name,value\nA,1\n";
    EXPECT_EQ(readFailure(path()), "'" + path() + "' is not an Office Open XML workbook: it is not a zip archive");
    std::ofstream(path(), std::ios::trunc).close();  // empty file
    EXPECT_EQ(readFailure(path()), "'" + path() + "' is not an Office Open XML workbook: it is not a zip archive");
}

TEST_F(PackageErrors, NoWorkbookPart) {
    EXPECT_EQ(withoutPart("[Content_Types].xml"), "'" + path() + "' is not an Office Open XML package: it has no [Content_Types].xml");
    EXPECT_EQ(withoutPart("_rels/.rels"), "'" + path() + "' has no workbook part: _rels/.rels names no office document");
    EXPECT_EQ(withoutPart("xl/workbook.xml"), "'" + path() + "' is damaged: the workbook part 'xl/workbook.xml' is missing");
    EXPECT_EQ(withPart("xl/workbook.xml", "<document/>"), "'" + path() + "' has no workbook part: 'xl/workbook.xml' holds <document>");
    EXPECT_EQ(withoutPart("xl/worksheets/sheet1.xml"),
              "'" + path() + "' is damaged: the part of sheet 'Data' 'xl/worksheets/sheet1.xml' is missing");
}

TEST_F(PackageErrors, IllFormedXmlNamesThePart) {
    EXPECT_THAT(withPart("xl/workbook.xml", "<workbook><sheets></workbook>"),
                StartsWith("'" + path() + "': part 'xl/workbook.xml' is not well-formed XML ("));
    EXPECT_THAT(withPart("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row></sheetData>"),
                StartsWith("'" + path() + "': part 'xl/worksheets/sheet1.xml' is not well-formed XML ("));
    EXPECT_THAT(withPart("xl/sharedStrings.xml", "<sst><si><t>x</si></sst>"),
                StartsWith("'" + path() + "': part 'xl/sharedStrings.xml' is not well-formed XML ("));
    EXPECT_THAT(withPart("xl/_rels/workbook.xml.rels", "<Relationships"),
                StartsWith("'" + path() + "': part 'xl/_rels/workbook.xml.rels' is not well-formed XML ("));
    EXPECT_THAT(withPart("[Content_Types].xml", ""), StartsWith("'" + path() + "': part '[Content_Types].xml' is not well-formed XML ("));
}

TEST_F(PackageErrors, ContentBeyondTheGrid) {
    auto sheet = [](const std::string& data) {
        return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + data +
               "</sheetData></worksheet>";
    };
    EXPECT_EQ(withPart("xl/worksheets/sheet1.xml", sheet("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>")),
              "'" + path() + "': part 'xl/worksheets/sheet1.xml' has a cell reference 'XFE1' outside the sheet");
    EXPECT_EQ(withPart("xl/worksheets/sheet1.xml", sheet("<row r=\"1048577\"/>")),
              "'" + path() + "': part 'xl/worksheets/sheet1.xml' has a row number '1048577' outside the sheet");
    EXPECT_EQ(withPart("xl/worksheets/sheet1.xml", sheet("<row r=\"2\"><c r=\"A1\"><v>1</v></c></row>")),
              "'" + path() + "': part 'xl/worksheets/sheet1.xml' has cell A1 inside row 2");
    EXPECT_EQ(withPart("xl/worksheets/sheet1.xml", sheet("<row r=\"1\"><c r=\"C1\" t=\"s\"><v>7</v></c></row>")),
              "'" + path() + "': part 'xl/worksheets/sheet1.xml' refers to shared string '7' in cell C1, which the workbook does not have");
    // The last row and column of the grid are fine.
    EXPECT_EQ(withPart("xl/worksheets/sheet1.xml", sheet("<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>")), "");
}

TEST_F(PackageErrors, SheetListProblems) {
    std::string workbook =
        R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)";
    EXPECT_EQ(withPart("xl/workbook.xml", workbook + R"(<sheet name="Data" sheetId="1" r:id="rId1"/><sheet name="DATA" sheetId="2" r:id="rId1"/></sheets></workbook>)"),
              "'" + path() + "' lists the sheet name 'DATA' twice");
    EXPECT_EQ(withPart("xl/workbook.xml", workbook + R"(<sheet name="Data" sheetId="1" r:id="rId9"/></sheets></workbook>)"),
              "'" + path() + "' is damaged: sheet 'Data' has no part");
    EXPECT_EQ(withPart("xl/workbook.xml", workbook + "</sheets></workbook>"), "'" + path() + "' has no sheets");
}

TEST_F(PackageErrors, PartBeyondTheSizeLimit) {
    PartList parts = minimalPackage();
    replacePart(parts, "xl/media/big.bin", std::string(2 << 20, 'x'));
    host::xlsx::ReadLimits limits;
    limits.maxPartSize = 1 << 20;
    EXPECT_EQ(readFailure(write(parts), limits),
              "'" + path() + "': part 'xl/media/big.bin' unpacks to 2097152 bytes, more than the limit of 1048576");
}

TEST_F(PackageErrors, ZipBombsAreRefused) {
    // 64 MiB of zeros pack into about 64 KiB.
    PartList parts = minimalPackage();
    replacePart(parts, "xl/worksheets/sheet1.xml", std::string(64 << 20, '\0'));
    auto bomb = write(parts);
    host::xlsx::ReadLimits ratio;
    ratio.maxCompressionRatio = 100;
    EXPECT_EQ(readFailure(bomb, ratio),
              "'" + path() + "': part 'xl/worksheets/sheet1.xml' is packed more than 100 to 1, beyond the limit (a zip bomb?)");
    host::xlsx::ReadLimits total;
    total.maxTotalSize = 32 << 20;
    EXPECT_EQ(readFailure(bomb, total),
              "'" + path() + "': the package unpacks to more than 33554432 bytes, beyond the limit (a zip bomb?)");
    host::xlsx::ReadLimits entries;
    entries.maxEntries = 3;
    EXPECT_EQ(readFailure(bomb, entries), "'" + path() + "': the package has 6 entries, more than the limit of 3");
}

// Overwrites the declared unpacked size of an entry in the local header and the directory.
void falsifyDeclaredSize(const std::filesystem::path& path, const std::string& entry, uint32_t size) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto patch = [&](const std::string& signature, size_t nameOffset, size_t sizeOffset) {
        for (size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 1)) {
            if (bytes.compare(at + nameOffset, entry.size(), entry) != 0) continue;
            for (int i = 0; i < 4; ++i) bytes[at + sizeOffset + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
        }
    };
    patch(std::string("PK\x03\x04", 4), 30, 22);
    patch(std::string("PK\x01\x02", 4), 46, 24);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST_F(PackageErrors, DataBeyondTheDeclaredSizeIsRefused) {
    PartList parts = minimalPackage();
    std::string sheet = parts[4].second;
    sheet.insert(sheet.find("</worksheet>"), std::string(1 << 20, ' '));
    replacePart(parts, "xl/worksheets/sheet1.xml", sheet);
    auto path = write(parts);
    falsifyDeclaredSize(path, "xl/worksheets/sheet1.xml", 100);
    std::string message = readFailure(path);
    EXPECT_THAT(message, StartsWith("'" + path.string() + "': "));
    EXPECT_THAT(message, HasSubstr("part 'xl/worksheets/sheet1.xml'"));
}

TEST_F(PackageErrors, BufferReading) {
    auto workbook = emptyWorkbook();
    std::string garbage = "PK\x03\x04 not really a zip";
    try {
        host::xlsx::readWorkbookFromBuffer(garbage.data(), garbage.size(), "upload", *workbook);
        FAIL() << "garbage was read";
    } catch (const com::Error& error) {
        EXPECT_EQ(std::string(error.what()), "'upload' is not an Office Open XML workbook: it is not a zip archive");
    }
    auto path = write(minimalPackage());
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    host::xlsx::readWorkbookFromBuffer(bytes.data(), bytes.size(), "upload", *workbook);
    EXPECT_EQ(describeWorkbook(*workbook), describeWorkbook(*readXlsx(path)));
}

}  // namespace
}  // namespace tavlora::test
