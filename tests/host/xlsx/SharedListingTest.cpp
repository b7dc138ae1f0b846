#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "com/Variant.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/TemplateCache.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;
using host::xlsx::PackageContents;
using host::xlsx::PackagePart;
using host::xlsx::Relationship;

constexpr const char* kSheet = "xl/worksheets/sheet1.xml";

PackageContents& packageOf(host::Workbook& workbook) {
    auto* package = dynamic_cast<PackageContents*>(workbook.keptPackage().get());
    if (!package) throw std::runtime_error("the workbook holds no package");
    return *package;
}

std::shared_ptr<PackageContents> readPackage() {
    auto package = std::make_shared<PackageContents>();
    PackagePart part;
    part.name = "docProps/app.xml";
    part.bytes = "<Properties/>";
    package->addPart(std::move(part));
    package->setRelationships("", {Relationship{"rId1", "app", "docProps/app.xml", false}});
    package->editContentTypes().setDefault("xml", "application/xml");
    return package;
}

// Copies share what the package lists until one of them changes it; the change reaches neither the
// package copied nor another copy, whichever side makes it.
TEST(SharedListing, ACopyChangesOnlyItself) {
    std::shared_ptr<PackageContents> original = readPackage();
    std::shared_ptr<PackageContents> first = original->copy();
    std::shared_ptr<PackageContents> second = original->copy();
    EXPECT_TRUE(first->sharesListingWith(*original));
    EXPECT_EQ(first->listingIdentity(), original->listingIdentity());
    // Looking for a part to change that is not there changes nothing.
    EXPECT_EQ(second->findPart("xl/missing.xml"), nullptr);
    EXPECT_TRUE(second->sharesListingWith(*original));

    first->findPart("docProps/app.xml")->replaceBytes("<Properties>changed</Properties>");
    first->setRelationships("", {});
    first->editContentTypes().setOverride("docProps/app.xml", "application/x-changed+xml");
    EXPECT_FALSE(first->sharesListingWith(*original));
    EXPECT_NE(first->listingIdentity(), original->listingIdentity());
    // A listing changed in place, held by no other package, is known by a new identity all the same.
    std::shared_ptr<const void> before = first->listingIdentity();
    first->markReachable("docProps/app.xml");
    EXPECT_NE(first->listingIdentity(), before);
    EXPECT_EQ(first->findPart("docProps/app.xml")->unpacked(), "<Properties>changed</Properties>");
    EXPECT_TRUE(first->relationshipsOf("")->empty());
    EXPECT_EQ(first->contentTypes().typeOf("docProps/app.xml"), "application/x-changed+xml");
    for (const auto& untouched : {original, second}) {
        EXPECT_EQ(untouched->findPart("docProps/app.xml")->unpacked(), "<Properties/>");
        EXPECT_EQ(untouched->relationshipsOf("")->size(), 1u);
        EXPECT_EQ(untouched->contentTypes().typeOf("docProps/app.xml"), "application/xml");
    }

    // The package copied from (a first report, whose read the cache keeps) changes after the copy.
    original->markReachable("docProps/app.xml");
    PackagePart core;
    core.name = "docProps/core.xml";
    core.bytes = "<core/>";
    original->addPart(std::move(core));
    EXPECT_FALSE(second->wasReachable("docProps/app.xml"));
    EXPECT_EQ(second->findPart("docProps/core.xml"), nullptr);
    EXPECT_TRUE(original->wasReachable("docProps/app.xml"));
    EXPECT_EQ(second->parts().size(), 1u);
    EXPECT_EQ(original->parts().size(), 2u);
}

class SharedListingReports : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(template_, packageWithRows("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
        host::files::FileOptions options;
        options.templates = std::make_shared<host::xlsx::TemplateCache>();
        cached_ = host::files::newApplication(options);
    }

    std::shared_ptr<host::Workbook> open() { return cached_->open(template_.string()); }

    std::string saved(host::Workbook& workbook, const std::string& part) {
        fs::path out = dir_.file("report" + std::to_string(++saves_) + ".xlsx");
        workbook.saveAs(out.string());
        return zipPartText(out, part);
    }

    TempDir dir_;
    fs::path template_ = dir_.file("template.xlsx");
    std::shared_ptr<host::Application> cached_;
    int saves_ = 0;
};

// What a save makes from the package's listing is kept by the template for the next report with
// the same listing. A report that changes its listing, saves, and changes it again gets each
// change in its file: the part kept from its first save holds that listing, so the second change
// cannot be made in place under the kept part's eyes.
TEST_F(SharedListingReports, AReportThatChangesItsListingTwiceSavesEachChange) {
    auto plain = open();
    std::string plainTypes = saved(*plain, "[Content_Types].xml");
    plain->close();

    auto changed = open();
    PackageContents& package = packageOf(*changed);
    package.editContentTypes().setOverride(kSheet, "application/x-first+xml");
    package.setRelationships(kSheet, {Relationship{"rId9", "http://example.com/hyperlink", "https://example.com/first", true}});
    std::string firstTypes = saved(*changed, "[Content_Types].xml");
    EXPECT_NE(firstTypes.find("application/x-first+xml"), std::string::npos);
    EXPECT_NE(zipPartText(dir_.file("report2.xlsx"), "xl/worksheets/_rels/sheet1.xml.rels").find("example.com/first"),
              std::string::npos);

    package.editContentTypes().setOverride(kSheet, "application/x-second+xml");
    package.setRelationships(kSheet, {Relationship{"rId9", "http://example.com/hyperlink", "https://example.com/second", true}});
    std::string secondTypes = saved(*changed, "[Content_Types].xml");
    EXPECT_NE(secondTypes.find("application/x-second+xml"), std::string::npos);
    EXPECT_EQ(secondTypes.find("application/x-first+xml"), std::string::npos);
    std::string secondRels = zipPartText(dir_.file("report3.xlsx"), "xl/worksheets/_rels/sheet1.xml.rels");
    EXPECT_NE(secondRels.find("example.com/second"), std::string::npos);
    EXPECT_EQ(secondRels.find("example.com/first"), std::string::npos);
    changed->close();

    // The next report, as read, writes the template's own again.
    auto next = open();
    EXPECT_EQ(saved(*next, "[Content_Types].xml"), plainTypes);
    EXPECT_EQ(zipListing(dir_.file("report4.xlsx")).find("sheet1.xml.rels"), std::string::npos);
    next->close();
}

// Content types and the workbook's relationships a save changes (a sheet added, one dropped) are
// known by what changed: reports that differ so are never given each other's parts.
TEST_F(SharedListingReports, ReportsWithOtherSheetsGetTheirOwnContentTypesAndRelationships) {
    auto two = open();
    two->addWorksheet();
    std::string twoTypes = saved(*two, "[Content_Types].xml");
    std::string twoRels = zipPartText(dir_.file("report1.xlsx"), "xl/_rels/workbook.xml.rels");
    EXPECT_NE(twoTypes.find("/xl/worksheets/sheet2.xml"), std::string::npos);
    EXPECT_NE(twoRels.find("worksheets/sheet2.xml"), std::string::npos);
    two->close();

    auto one = open();
    one->worksheets().front()->cell(2, 1).setValue(com::Variant("plain"));
    std::string oneTypes = saved(*one, "[Content_Types].xml");
    EXPECT_EQ(oneTypes.find("sheet2.xml"), std::string::npos);
    EXPECT_EQ(zipPartText(dir_.file("report2.xlsx"), "xl/_rels/workbook.xml.rels").find("sheet2.xml"), std::string::npos);
    one->close();

    auto three = open();
    three->addWorksheet();
    three->addWorksheet();
    std::string threeTypes = saved(*three, "[Content_Types].xml");
    EXPECT_NE(threeTypes.find("/xl/worksheets/sheet3.xml"), std::string::npos);
    EXPECT_NE(zipPartText(dir_.file("report3.xlsx"), "xl/_rels/workbook.xml.rels").find("worksheets/sheet3.xml"),
              std::string::npos);
    three->close();

    auto again = open();
    again->addWorksheet();
    EXPECT_EQ(saved(*again, "[Content_Types].xml"), twoTypes);
    EXPECT_EQ(zipPartText(dir_.file("report4.xlsx"), "xl/_rels/workbook.xml.rels"), twoRels);
    again->close();
}

// The parts a save reaches are kept for the next save of the same listing that changes the
// workbook's relationships alike: a report that drops a sheet, then one that keeps it, then one that
// drops it again each write their own sheets.
TEST_F(SharedListingReports, ASheetDroppedByOneReportIsWrittenByTheNext) {
    fs::path two = dir_.file("two.xlsx");
    {
        auto plain = host::files::newApplication();
        auto book = plain->open(template_.string());
        book->addWorksheet();
        book->saveAs(two.string());
        book->close();
    }
    template_ = two;
    for (bool drop : {false, true, false, true}) {
        auto report = open();
        ASSERT_EQ(report->sheets().size(), 2u);
        // The sheet added before the template's own, written as sheet2.xml.
        ASSERT_EQ(report->sheets().front()->partName(), "xl/worksheets/sheet2.xml");
        if (drop) report->deleteSheet(*report->sheets().front());
        std::string types = saved(*report, "[Content_Types].xml");
        fs::path out = dir_.file("report" + std::to_string(saves_) + ".xlsx");
        EXPECT_EQ(zipListing(out).find("xl/worksheets/sheet2.xml") != std::string::npos, !drop) << out;
        EXPECT_EQ(types.find("sheet2.xml") != std::string::npos, !drop) << out;
        EXPECT_EQ(readXlsx(out)->sheets().size(), drop ? 1u : 2u);
        report->close();
    }
}

}  // namespace
}  // namespace tavlora::test
