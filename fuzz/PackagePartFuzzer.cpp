// Puts arbitrary bytes into one part of an otherwise valid workbook package (the first byte picks
// the part) and reads it. Mutated zip archives mostly fail their checksums before any XML is read;
// this target reaches the part readers (worksheet rows and cells, shared formulas, shared strings,
// workbook, relationships, content types, styles) with every input. What reads must save and read
// again.
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "com/Error.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Sheet.h"
#include "host/Workbook.h"
#include "host/xlsx/PackageReader.h"
#include "host/xlsx/PackageWriter.h"

namespace {

using namespace tavlora;

using Part = std::pair<std::string, std::string>;

std::vector<Part> basePackage() {
    return {
        {"[Content_Types].xml",
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>)"},
        {"_rels/.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="A" sheetId="1" r:id="rId1"/><sheet name="B" sheetId="2" r:id="rId2"/></sheets><definedNames><definedName name="x" localSheetId="1">A!$A$1</definedName></definedNames></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><f t="shared" ref="B1:B2" si="0">A1&amp;"x"</f></c></row><row r="2"><c r="B2"><f t="shared" si="0"/></c></row></sheetData><mergeCells><mergeCell ref="C1:D2"/></mergeCells></worksheet>)"},
        {"xl/worksheets/sheet2.xml",
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>)"},
        {"xl/sharedStrings.xml",
         R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>a</t></si><si><r><t>b</t></r></si></sst>)"},
        {"xl/styles.xml",
         R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts><cellXfs count="1"><xf numFmtId="0" fontId="0"/></cellXfs></styleSheet>)"},
    };
}

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A zip archive of stored (uncompressed) entries.
std::string storedZip(const std::vector<Part>& parts) {
    std::string archive;
    std::string directory;
    for (const auto& [name, bytes] : parts) {
        uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
        uint32_t offset = static_cast<uint32_t>(archive.size());
        put32(archive, 0x04034b50);
        put16(archive, 20), put16(archive, 0), put16(archive, 0), put16(archive, 0), put16(archive, 0);
        put32(archive, crc), put32(archive, static_cast<uint32_t>(bytes.size())), put32(archive, static_cast<uint32_t>(bytes.size()));
        put16(archive, static_cast<uint32_t>(name.size())), put16(archive, 0);
        archive += name;
        archive += bytes;
        put32(directory, 0x02014b50);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, 0), put16(directory, 0), put16(directory, 0);
        put32(directory, crc), put32(directory, static_cast<uint32_t>(bytes.size())), put32(directory, static_cast<uint32_t>(bytes.size()));
        put16(directory, static_cast<uint32_t>(name.size())), put16(directory, 0), put16(directory, 0), put16(directory, 0), put16(directory, 0);
        put32(directory, 0), put32(directory, offset);
        directory += name;
    }
    uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0), put16(archive, 0);
    put16(archive, static_cast<uint32_t>(parts.size())), put16(archive, static_cast<uint32_t>(parts.size()));
    put32(archive, static_cast<uint32_t>(directory.size())), put32(archive, directoryOffset);
    put16(archive, 0);
    return archive;
}

std::string scratchFile() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("tavlora-part-fuzz-" + std::to_string(::getpid()) + ".xlsx")).string();
    return path;
}

[[noreturn]] void failure(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<Part> parts = basePackage();
    parts[data[0] % parts.size()].second.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string archive = storedZip(parts);

    auto application = host::files::newApplication();
    auto workbook = std::make_shared<host::Workbook>(application, "Fuzz");
    try {
        host::xlsx::readWorkbookFromBuffer(archive.data(), archive.size(), "fuzz input", *workbook);
    } catch (const com::Error&) {
        return 0;
    }
    try {
        host::xlsx::writeWorkbook(*workbook, scratchFile());
    } catch (const com::Error& error) {
        failure("a workbook that was read could not be saved", error.what());
    }
    auto reread = std::make_shared<host::Workbook>(application, "Fuzz2");
    try {
        host::xlsx::readWorkbook(scratchFile(), *reread);
    } catch (const com::Error& error) {
        failure("a saved workbook could not be read again", error.what());
    }
    if (reread->sheets().size() != workbook->sheets().size()) failure("the saved workbook lost sheets", "");
    for (size_t i = 0; i < workbook->sheets().size(); ++i)
        if (reread->sheets()[i]->name() != workbook->sheets()[i]->name())
            failure("a sheet name changed", workbook->sheets()[i]->name() + " -> " + reread->sheets()[i]->name());
    return 0;
}
