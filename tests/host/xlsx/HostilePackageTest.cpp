#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include <pugixml.hpp>

#include "com/Error.h"
#include "host/xlsx/PackageReader.h"
#include "host/xlsx/PackageWriter.h"
#include "host/xlsx/ZipInput.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

using ::testing::HasSubstr;

// `count` elements <x> nested inside one another, as a hostile producer writes them.
std::string nested(size_t count) {
    std::string out;
    out.reserve(count * 7);
    for (size_t i = 0; i < count; ++i) out += "<x>";
    for (size_t i = 0; i < count; ++i) out += "</x>";
    return out;
}

std::string worksheetWith(const std::string& content) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
           content + "</worksheet>";
}

std::string workbookWith(const std::string& content) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
           R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)" +
           content + "</workbook>";
}

const std::string kDataSheet = R"(<sheet name="Data" sheetId="1" r:id="rId1"/>)";

PartList packageWith(const std::string& part, std::string bytes) {
    PartList parts = minimalPackage();
    replacePart(parts, part, std::move(bytes));
    return parts;
}

// The parts of a package on disk, in archive order.
PartList partsOf(const std::filesystem::path& path) {
    host::xlsx::ZipInput zip(path.string(), {});
    PartList parts;
    for (const host::xlsx::ZipEntry& entry : zip.entries()) parts.emplace_back(entry.name, zip.readString(entry));
    return parts;
}

// The part with the root's element child number `index` given a second time right after it; ""
// when the root has no such child.
std::string withElementRepeated(const std::string& xml, size_t index) {
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size())) return "";
    size_t seen = 0;
    for (pugi::xml_node child = document.document_element().first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || seen++ != index) continue;
        document.document_element().insert_copy_after(child, child);
        std::ostringstream out;
        document.save(out, "", pugi::format_raw);
        return out.str();
    }
    return "";
}

class HostilePackage : public ::testing::Test {
protected:
    // The host error reading the package raises, "" when it reads.
    std::string openFailure(const PartList& parts) {
        auto path = dir_.file("in.xlsx");
        writeZip(path, parts);
        auto workbook = emptyWorkbook();
        try {
            host::xlsx::readWorkbook(path.string(), *workbook);
        } catch (const com::Error& error) {
            return error.what();
        }
        return "";
    }

    // Whatever opens must save, and what was saved must open again with the same content.
    void expectSavedFileReopens(const PartList& parts, const std::string& what) {
        SCOPED_TRACE(what);
        auto path = dir_.file("in.xlsx");
        writeZip(path, parts);
        std::shared_ptr<host::Workbook> workbook;
        try {
            workbook = readXlsx(path);
        } catch (const com::Error&) {
            return;  // refused on opening: nothing to save
        }
        auto saved = dir_.file("saved.xlsx");
        ASSERT_NO_THROW(host::xlsx::writeWorkbook(*workbook, saved.string()));
        std::shared_ptr<host::Workbook> reopened;
        try {
            reopened = readXlsx(saved);
        } catch (const com::Error& error) {
            FAIL() << "the saved file is refused: " << error.what();
        }
        EXPECT_EQ(describeWorkbook(*workbook), describeWorkbook(*reopened));
    }

    TempDir dir_;
};

// ---- element depth ----

TEST_F(HostilePackage, DeeplyNestedWorksheetElementsAreRefusedWithoutCrashing) {
    for (std::string element : {"sheetData", "cols", "mergeCells", "dimension"}) {
        SCOPED_TRACE(element);
        std::string sheet = worksheetWith("<" + element + ">" + nested(200000) + "</" + element + ">");
        EXPECT_THAT(openFailure(packageWith("xl/worksheets/sheet1.xml", sheet)),
                    HasSubstr("part 'xl/worksheets/sheet1.xml' nests elements more than 1000 levels deep"));
    }
}

TEST_F(HostilePackage, DeeplyNestedWorkbookListsAreRefusedBeforeAnySave) {
    EXPECT_THAT(openFailure(packageWith("xl/workbook.xml", workbookWith("<sheets>" + kDataSheet + nested(200000) + "</sheets>"))),
                HasSubstr("part 'xl/workbook.xml' nests elements more than 1000 levels deep"));
    EXPECT_THAT(openFailure(packageWith("xl/workbook.xml", workbookWith("<sheets>" + kDataSheet + "</sheets><definedNames>" +
                                                                        nested(200000) + "</definedNames>"))),
                HasSubstr("nests elements more than 1000 levels deep"));
}

TEST_F(HostilePackage, DeeplyNestedStylesAndUnmodelledPartsAreRefused) {
    PartList parts = minimalPackage();
    replacePart(parts, "xl/styles.xml",
                R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><fonts count="1"><font>)" +
                    nested(200000) + "</font></fonts></styleSheet>");
    replacePart(parts, "xl/_rels/workbook.xml.rels",
                R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
                R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
                R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
                R"(</Relationships>)");
    EXPECT_THAT(openFailure(parts), HasSubstr("The styles part nests elements too deep"));
}

TEST_F(HostilePackage, NestingWithinTheLimitOpensAndSaves) {
    std::string sheet = worksheetWith(R"(<sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData><extLst>)" +
                                      nested(900) + "</extLst>");
    PartList parts = packageWith("xl/worksheets/sheet1.xml", sheet);
    EXPECT_EQ(openFailure(parts), "");
    expectSavedFileReopens(parts, "900 levels in extLst");
}

// ---- saves that must reopen ----

TEST_F(HostilePackage, MissingSharedStringsPartIsWrittenOnSave) {
    PartList parts = packageWith("xl/worksheets/sheet1.xml",
                                 worksheetWith(R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>kept</t></is></c></row></sheetData>)"));
    removePart(parts, "xl/sharedStrings.xml");
    ASSERT_EQ(openFailure(parts), "");
    expectSavedFileReopens(parts, "shared strings named but absent");
    EXPECT_THAT(describeWorkbook(*readXlsx(dir_.file("saved.xlsx"))), HasSubstr("A1 s:kept"));
}

TEST_F(HostilePackage, ListsGivenTwiceAreWrittenOnce) {
    std::string twice = workbookWith("<sheets>" + kDataSheet + "</sheets><definedNames><definedName name=\"a\">Data!$A$1</definedName>"
                                     "</definedNames><sheets><sheet name=\"Stale\" sheetId=\"9\" r:id=\"rId1\"/></sheets>"
                                     "<definedNames><definedName name=\"b\">Data!$B$1</definedName></definedNames>");
    PartList parts = packageWith("xl/workbook.xml", twice);
    expectSavedFileReopens(parts, "sheets and definedNames twice");
    auto saved = partsOf(dir_.file("saved.xlsx"));
    for (const auto& [name, bytes] : saved) {
        if (name != "xl/workbook.xml") continue;
        EXPECT_EQ(bytes.find("<sheets>"), bytes.rfind("<sheets>")) << bytes;
        EXPECT_EQ(bytes.find("<definedNames>"), bytes.rfind("<definedNames>")) << bytes;
        EXPECT_EQ(bytes.find("Stale"), std::string::npos) << bytes;
    }
}

TEST_F(HostilePackage, NameOfAMissingSheetDoesNotBecomeWorkbookWide) {
    PartList parts = packageWith(
        "xl/workbook.xml",
        workbookWith("<sheets>" + kDataSheet + "</sheets><definedNames>"
                     R"(<definedName name="_xlnm.Print_Area" localSheetId="-1">Data!$A$1:$B$2</definedName>)"
                     R"(<definedName name="_xlnm.Print_Area" localSheetId="x">Data!$A$1</definedName>)"
                     R"(<definedName name="_xlnm.Print_Area" localSheetId="0">Data!$A$1:$C$3</definedName>)"
                     "</definedNames>"));
    expectSavedFileReopens(parts, "localSheetId -1");
    std::string description = describeWorkbook(*readXlsx(dir_.file("saved.xlsx")));
    EXPECT_THAT(description, HasSubstr("$A$1:$C$3"));
    EXPECT_THAT(description, ::testing::Not(HasSubstr("$A$1:$B$2")));
}

TEST_F(HostilePackage, UnsafeEntryNamesAreNotCarriedIntoTheSave) {
    PartList parts = minimalPackage();
    parts.emplace_back("../escape.txt", "out");
    parts.emplace_back("xl/media/../../escape2.txt", "out");
    parts.emplace_back("xl\\media\\image.png", "png");
    parts.emplace_back("xl/media/kept.bin", "kept");
    expectSavedFileReopens(parts, "unsafe names");
    std::vector<std::string> names;
    for (const auto& part : partsOf(dir_.file("saved.xlsx"))) names.push_back(part.first);
    for (const std::string& name : names) {
        EXPECT_EQ(name.find(".."), std::string::npos) << name;
        EXPECT_EQ(name.find('\\'), std::string::npos) << name;
        EXPECT_NE(name.front(), '/') << name;
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "xl/media/kept.bin"), names.end());
}

TEST_F(HostilePackage, AReferenceToCharacterZeroDoesNotCutTheText) {
    PartList parts = packageWith("xl/sharedStrings.xml",
                                 R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>before&#0;mid&#x000;after &amp;#0;</t></si></sst>)");
    expectSavedFileReopens(parts, "NUL reference");
    EXPECT_THAT(describeWorkbook(*readXlsx(dir_.file("saved.xlsx"))), HasSubstr("B1 s:beforemidafter &#0;"));
}

TEST_F(HostilePackage, SheetNamesTheApplicationRefusesMakeTheFileUnreadable) {
    std::string longName(32, 'n');
    EXPECT_THAT(openFailure(packageWith("xl/workbook.xml", workbookWith("<sheets><sheet name=\"" + longName +
                                                                        "\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"))),
                HasSubstr("a sheet name must be 1 to 31 characters long"));
    EXPECT_THAT(openFailure(packageWith("xl/workbook.xml",
                                        workbookWith("<sheets><sheet name=\"a[1]\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"))),
                HasSubstr("must not contain any of"));
    std::string longest(31, 'n');
    PartList parts = packageWith("xl/workbook.xml",
                                 workbookWith("<sheets><sheet name=\"" + longest + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"));
    EXPECT_EQ(openFailure(parts), "");
    expectSavedFileReopens(parts, "31 characters");
}

// Packages made from the minimal one and from every fixture by dropping one part or repeating one
// element of the workbook part: each that opens must save into a file that opens again.
TEST_F(HostilePackage, EveryMutatedPackageThatOpensSavesIntoOneThatReopens) {
    std::vector<std::pair<std::string, PartList>> sources{{"minimal", minimalPackage()}};
    // The small fixtures: each mutation is a whole open, save and reopen under the sanitizers.
    for (const std::string& name : fixtureNames())
        if (std::filesystem::file_size(fixture(name)) < 10 * 1024) sources.emplace_back(name, partsOf(fixture(name)));
    for (const auto& [source, parts] : sources) {
        for (size_t i = 0; i < parts.size(); ++i) {
            if (source != "minimal" && !parts[i].first.starts_with("xl/")) continue;
            if (parts[i].first.find("worksheets/sheet") != std::string::npos && source != "minimal") continue;
            PartList without = parts;
            without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
            expectSavedFileReopens(without, source + " without " + parts[i].first);
        }
        for (const auto& [name, bytes] : parts) {
            if (name != "xl/workbook.xml") continue;
            for (size_t element = 0;; ++element) {
                std::string repeated = withElementRepeated(bytes, element);
                if (repeated.empty()) break;
                PartList mutated = parts;
                replacePart(mutated, name, repeated);
                expectSavedFileReopens(mutated, source + " with workbook element " + std::to_string(element) + " twice");
            }
        }
    }
}

}  // namespace
}  // namespace tavlora::test
