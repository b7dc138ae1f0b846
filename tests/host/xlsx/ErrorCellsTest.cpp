#include <gtest/gtest.h>

#include "host/Application.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

using com::Variant;
using com::hr::runtime;

// A1..D1: errors of the application's table (one as a formula's cached value, spelled in lower
// case), E1 an error it does not know, F1 a plain #N/A.
const std::string kErrorRows =
    R"(<row r="1"><c r="A1" t="e"><v>#SPILL!</v></c><c r="B1" t="e"><v>#GETTING_DATA</v></c>)"
    R"(<c r="C1" t="e"><f>SEQUENCE(2)</f><v>#spill!</v></c><c r="D1" t="e"><v>#CALC!</v></c>)"
    R"(<c r="E1" t="e"><v>#FOO!</v></c><c r="F1" t="e"><v>#N/A</v></c></row>)";

class ErrorCells : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(dir_.file("errors.xlsx"), packageWithRows(kErrorRows));
        app_ = host::files::newApplication();
        app_->setDisplayAlerts(false);
        book_ = app_->open(dir_.file("errors.xlsx").string());
        sheet_ = book_->worksheets().front();
    }
    void TearDown() override { app_->quit(); }

    host::Range at(const std::string& address) { return sheet_->range(address); }
    std::optional<std::string> found(const std::string& what) {
        auto hit = sheet_->usedRange().find(what);
        if (!hit) return std::nullopt;
        return hit->address();
    }

    TempDir dir_;
    std::shared_ptr<host::Application> app_;
    std::shared_ptr<host::Workbook> book_;
    std::shared_ptr<host::Worksheet> sheet_;
};

TEST_F(ErrorCells, ValueAndTextAgreeWithTheFile) {
    EXPECT_EQ(at("A1").value(), Variant::error(runtime(2045)));
    EXPECT_EQ(at("B1").value(), Variant::error(runtime(2043)));
    EXPECT_EQ(at("C1").value(), Variant::error(runtime(2045)));
    EXPECT_EQ(at("D1").value(), Variant::error(runtime(2050)));
    EXPECT_EQ(at("F1").value(), Variant::error(runtime(2042)));
    EXPECT_EQ(at("A1").text(), "#SPILL!");
    EXPECT_EQ(at("B1").text(), "#GETTING_DATA");
    EXPECT_EQ(at("C1").text(), "#SPILL!");
    EXPECT_EQ(at("D1").text(), "#CALC!");
    // An error the table does not know is still an error to a client, and shows its own text.
    EXPECT_EQ(at("E1").value(), Variant::error(runtime(2015)));
    EXPECT_EQ(at("E1").text(), "#FOO!");
}

TEST_F(ErrorCells, FindSeesTheSameTexts) {
    EXPECT_EQ(found("#SPILL!"), "$C$1");  // the top-left cell is tried last
    EXPECT_EQ(found("#GETTING_DATA"), "$B$1");
    EXPECT_EQ(found("#FOO!"), "$E$1");
    EXPECT_EQ(found("#VALUE!"), std::nullopt);
}

TEST_F(ErrorCells, TheWebPageShowsTheSameTexts) {
    auto page = dir_.file("errors.html");
    book_->saveAs(page.string(), host::fileformat::kHtml);
    std::string html = contentOf(page);
    for (const char* text : {">#SPILL!<", ">#GETTING_DATA<", ">#CALC!<", ">#FOO!<", ">#N/A<"})
        EXPECT_NE(html.find(text), std::string::npos) << text;
    EXPECT_EQ(html.find("#VALUE!"), std::string::npos);
    EXPECT_EQ(html.find("#spill!"), std::string::npos);
}

TEST_F(ErrorCells, SavingKeepsEveryErrorText) {
    auto copy = dir_.file("copy.xlsx");
    book_->saveAs(copy.string());
    std::string xml = zipPartText(copy, "xl/worksheets/sheet1.xml");
    EXPECT_NE(xml.find(R"(<c r="A1" t="e"><v>#SPILL!</v></c>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<c r="B1" t="e"><v>#GETTING_DATA</v></c>)"), std::string::npos) << xml;
    // The function the engine does not compute keeps its error; the name gets its file prefix.
    EXPECT_NE(xml.find(R"(<f>_xlfn.SEQUENCE(2)</f><v>#SPILL!</v>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<c r="E1" t="e"><v>#FOO!</v></c>)"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("#VALUE!"), std::string::npos) << xml;

    auto reopened = readXlsx(copy);
    auto sheet = reopened->worksheets().front();
    EXPECT_EQ(sheet->range("A1").text(), "#SPILL!");
    EXPECT_EQ(sheet->range("E1").text(), "#FOO!");
    EXPECT_EQ(sheet->range("B1").value(), Variant::error(runtime(2043)));
}

TEST_F(ErrorCells, WrittenErrorsTakeTheTableText) {
    at("A2").setValue(Variant::error(runtime(2045)));
    at("B2").setValue(Variant::error(runtime(2043)));
    at("C2").setValue(Variant::error(runtime(2044)));  // no error value has this number
    // A value read from a cell and written to another keeps its error.
    at("D2").setValue(at("A1").value());
    EXPECT_EQ(at("A2").text(), "#SPILL!");
    EXPECT_EQ(at("B2").text(), "#GETTING_DATA");
    EXPECT_EQ(at("C2").text(), "#VALUE!");
    EXPECT_EQ(at("D2").text(), "#SPILL!");
    EXPECT_EQ(at("A2").value(), Variant::error(runtime(2045)));
}

}  // namespace
}  // namespace tavlora::test
