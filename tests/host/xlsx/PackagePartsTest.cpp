#include <gtest/gtest.h>

#include <utility>

#include "host/xlsx/ContentTypes.h"
#include "host/xlsx/ElementOrder.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/Relationships.h"

namespace tavlora::host::xlsx {
namespace {

TEST(Relationships, ResolveTargets) {
    EXPECT_EQ(resolveTarget("", "xl/workbook.xml"), "xl/workbook.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(resolveTarget("xl/worksheets/sheet1.xml", "../drawings/drawing1.xml"), "xl/drawings/drawing1.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "/xl/styles.xml"), "xl/styles.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "./a/../b.xml"), "xl/b.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "../../../escape.xml"), "escape.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "sheet.xml#frag"), "xl/sheet.xml");
    // Empty, "." and ".." segments anywhere, and the paths that look plain but are not.
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "worksheets//sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "worksheets/./sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "worksheets/.."), "xl");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "worksheets/."), "xl/worksheets");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "worksheets/"), "xl/worksheets");
    EXPECT_EQ(resolveTarget("", "/"), "");
    EXPECT_EQ(resolveTarget("", ".."), "");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "..sheet.xml"), "xl/..sheet.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "sheet..xml"), "xl/sheet..xml");
}

TEST(Relationships, RelativeTargetsResolveBack) {
    for (auto [source, target] : {std::pair{"xl/workbook.xml", "xl/worksheets/sheet9.xml"},
                                  std::pair{"xl/worksheets/sheet1.xml", "xl/drawings/drawing1.xml"},
                                  std::pair{"", "docProps/app.xml"},
                                  std::pair{"xl/a/b/c.xml", "xl/d.xml"}}) {
        std::string relative = relativeTarget(source, target);
        EXPECT_EQ(resolveTarget(source, relative), target) << source << " -> " << relative;
    }
    EXPECT_EQ(relativeTarget("xl/workbook.xml", "xl/worksheets/sheet9.xml"), "worksheets/sheet9.xml");
}

TEST(Relationships, PartNamesOfRelationships) {
    EXPECT_EQ(relationshipsPartOf("xl/workbook.xml"), "xl/_rels/workbook.xml.rels");
    EXPECT_EQ(relationshipsPartOf(""), "_rels/.rels");
    std::string source;
    ASSERT_TRUE(isRelationshipsPart("xl/worksheets/_rels/sheet1.xml.rels", source));
    EXPECT_EQ(source, "xl/worksheets/sheet1.xml");
    ASSERT_TRUE(isRelationshipsPart("_rels/.rels", source));
    EXPECT_EQ(source, "");
    EXPECT_FALSE(isRelationshipsPart("xl/workbook.xml", source));
    EXPECT_FALSE(isRelationshipsPart("xl/odd.rels", source));
}

TEST(Relationships, KindsAndIds) {
    EXPECT_EQ(relationshipKind("http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet"), "worksheet");
    EXPECT_EQ(relationshipKind("http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet"), "worksheet");
    RelationshipList list{{"rId1", "t", "a", false}, {"rId3", "t", "b", false}};
    EXPECT_EQ(freeRelationshipId(list), "rId4");
    list.push_back({"rId4", "t", "c", false});
    EXPECT_EQ(freeRelationshipId(list), "rId5");
}

TEST(Relationships, WrittenXml) {
    RelationshipList list{{"rId1", "T&1", "a.xml", false}, {"rId2", "T2", "http://x/?a=1&b=2", true}};
    EXPECT_EQ(relationshipsXml(list),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"T&amp;1\" Target=\"a.xml\"/>"
              "<Relationship Id=\"rId2\" Type=\"T2\" Target=\"http://x/?a=1&amp;b=2\" TargetMode=\"External\"/>"
              "</Relationships>");
}

TEST(ContentTypes, OverridesBeforeDefaultsIgnoringCase) {
    ContentTypes types;
    types.setDefault("XML", "application/xml");
    types.setDefault("png", "image/png");
    types.setOverride("/xl/Workbook.xml", "main");
    EXPECT_EQ(types.typeOf("xl/workbook.xml"), "main");
    EXPECT_EQ(types.typeOf("/xl/other.xml"), "application/xml");
    EXPECT_EQ(types.typeOf("xl/media/IMAGE1.PNG"), "image/png");
    EXPECT_EQ(types.typeOf("xl/media/noextension"), "");
    types.removeOverride("XL/WORKBOOK.XML");
    EXPECT_EQ(types.typeOf("xl/workbook.xml"), "application/xml");
}

TEST(ContentTypes, PruneKeepsWhatIsWritten) {
    ContentTypes types;
    types.setDefault("rels", "r");
    types.setDefault("xml", "x");
    types.setDefault("bin", "vba");
    types.setDefault("png", "image/png");
    types.setOverride("xl/a.xml", "a");
    types.setOverride("xl/gone.xml", "g");
    types.prune([](std::string_view part) { return part == "xl/a.xml"; },
                [](std::string_view extension) { return extension == "png"; });
    EXPECT_EQ(types.toXml(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" ContentType=\"r\"/><Default Extension=\"xml\" ContentType=\"x\"/>"
              "<Default Extension=\"png\" ContentType=\"image/png\"/>"
              "<Override PartName=\"/xl/a.xml\" ContentType=\"a\"/></Types>");
}

TEST(ContentTypes, APrunedTableAnswersForWhatItStillHolds) {
    ContentTypes types;
    for (const char* extension : {"rels", "xml", "bin", "png"}) types.setDefault(extension, std::string("type of ") + extension);
    types.setOverride("xl/a.xml", "a");
    types.setOverride("xl/gone.xml", "g");
    types.setOverride("xl/b.xml", "b");
    types.prune([](std::string_view part) { return part != "xl/gone.xml"; },
                [](std::string_view extension) { return extension == "png"; });
    EXPECT_EQ(types.typeOf("xl/media/image1.png"), "type of png");
    EXPECT_EQ(types.typeOf("xl/vbaProject.bin"), "");
    EXPECT_FALSE(types.hasDefault("bin"));
    EXPECT_EQ(types.typeOf("xl/b.xml"), "b");
    EXPECT_EQ(types.typeOf("xl/gone.xml"), "type of xml");
}

// A save copies the kept table and changes its copy; the workbook's table and every other copy
// stay as they were, whichever of them changes.
TEST(ContentTypes, ACopyAndItsOriginalChangeApart) {
    ContentTypes original;
    original.setDefault("xml", "x");
    original.setOverride("xl/a.xml", "a");
    ContentTypes copy = original;
    copy.setOverride("xl/a.xml", "changed");
    copy.setOverride("xl/new.xml", "new");
    copy.setDefault("png", "image/png");
    EXPECT_EQ(original.typeOf("xl/a.xml"), "a");
    EXPECT_FALSE(original.hasOverride("xl/new.xml"));
    EXPECT_FALSE(original.hasDefault("png"));
    EXPECT_EQ(copy.typeOf("xl/a.xml"), "changed");

    ContentTypes pruned = original;
    pruned.prune([](std::string_view) { return false; }, [](std::string_view) { return false; });
    original.removeOverride("xl/a.xml");
    EXPECT_FALSE(pruned.hasOverride("xl/a.xml"));
    EXPECT_EQ(copy.typeOf("xl/a.xml"), "changed");
    EXPECT_EQ(ContentTypes(copy).spelling(), copy.spelling());
    EXPECT_NE(copy.spelling(), original.spelling());
}

PackagePart storedPart(std::string name, std::string bytes) {
    PackagePart part;
    part.name = std::move(name);
    part.bytes = std::move(bytes);
    return part;
}

// A report's package starts as a copy of its template's: whatever the report changes (a part, the
// relationships, what counts as reachable, its sheets, its content types) stays its own, and
// what it changes after a copy was taken of it reaches neither that copy nor the template.
TEST(PackageContents, ACopyAndItsOriginalChangeApart) {
    PackageContents original;
    original.addPart(storedPart("xl/theme/theme1.xml", "<theme/>"));
    original.setRelationships("xl/workbook.xml", {Relationship{"rId1", "theme", "theme/theme1.xml", false}});
    original.markReachable("xl/theme/theme1.xml");
    original.addSheetRecord(SheetRecord{"xl/worksheets/sheet1.xml", "rId2", "worksheet", "1"});
    original.editContentTypes().setDefault("xml", "x");

    std::shared_ptr<PackageContents> report = original.copy();
    report->findPart("XL/THEME/THEME1.XML")->replaceBytes("<changed/>");
    report->addPart(storedPart("xl/media/image1.png", "png"));
    report->setRelationships("xl/workbook.xml", {});
    report->markReachable("xl/media/image1.png");
    report->addSheetRecord(SheetRecord{"xl/worksheets/sheet2.xml", "rId3", "worksheet", "2"});
    report->editContentTypes().setDefault("png", "image/png");

    const PackageContents& unchanged = original;
    EXPECT_EQ(unchanged.findPart("xl/theme/theme1.xml")->bytes, "<theme/>");
    EXPECT_EQ(unchanged.parts().size(), 1u);
    EXPECT_EQ(unchanged.findPart("xl/media/image1.png"), nullptr);
    ASSERT_NE(unchanged.relationshipsOf("xl/workbook.xml"), nullptr);
    EXPECT_EQ(unchanged.relationshipsOf("xl/workbook.xml")->size(), 1u);
    EXPECT_FALSE(unchanged.wasReachable("xl/media/image1.png"));
    EXPECT_EQ(unchanged.sheetRecords().size(), 1u);
    EXPECT_EQ(unchanged.sheetRecord("xl/worksheets/sheet2.xml"), nullptr);
    EXPECT_FALSE(unchanged.contentTypes().hasDefault("png"));

    const PackageContents& changed = *report;
    EXPECT_EQ(changed.findPart("xl/theme/theme1.xml")->bytes, "<changed/>");
    EXPECT_EQ(changed.parts().size(), 2u);
    EXPECT_EQ(changed.parts()[1].name, "xl/media/image1.png");
    EXPECT_TRUE(changed.relationshipsOf("xl/workbook.xml")->empty());
    EXPECT_TRUE(changed.wasReachable("xl/media/image1.png") && changed.wasReachable("xl/theme/theme1.xml"));
    EXPECT_EQ(changed.sheetRecords().size(), 2u);
    EXPECT_EQ(changed.sheetRecord("XL/WORKSHEETS/SHEET2.XML")->sheetId, "2");
    EXPECT_TRUE(changed.contentTypes().hasDefault("png"));

    // The template's package changing after reports were copied from it changes none of them.
    std::shared_ptr<PackageContents> later = original.copy();
    original.findPart("xl/theme/theme1.xml")->replaceBytes("<edited/>");
    original.setRelationships("xl/workbook.xml", {});
    EXPECT_EQ(std::as_const(*later).findPart("xl/theme/theme1.xml")->bytes, "<theme/>");
    EXPECT_EQ(later->relationshipsOf("xl/workbook.xml")->size(), 1u);
}

TEST(ElementOrder, GeneratedElementsGoToTheirSchemaPlace) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string("<worksheet><sheetPr/><sheetViews/><sheetFormatPr/><x:ext/><pageMargins/>"
                                     "<drawing/></worksheet>"));
    std::vector<std::string_view> generated{"mergeCells", "sheetData", "dimension", "cols"};
    std::string out;
    visitChildrenInOrder(
        document.document_element(), worksheetOrder(), generated,
        [&](pugi::xml_node child) { out += std::string(child.name()) + " "; },
        [&](size_t i) { out += "[" + std::string(generated[i]) + "] "; });
    EXPECT_EQ(out, "sheetPr [dimension] sheetViews sheetFormatPr x:ext [cols] [sheetData] [mergeCells] pageMargins drawing ");
}

TEST(ElementOrder, AppendsAtTheEndWhenNothingFollows) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string("<worksheet><sheetPr/></worksheet>"));
    std::vector<std::string_view> generated{"sheetData"};
    std::string out;
    visitChildrenInOrder(
        document.document_element(), worksheetOrder(), generated,
        [&](pugi::xml_node child) { out += std::string(child.name()) + " "; },
        [&](size_t i) { out += "[" + std::string(generated[i]) + "] "; });
    EXPECT_EQ(out, "sheetPr [sheetData] ");
}

}  // namespace
}  // namespace tavlora::host::xlsx
