#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "host/Application.h"
#include "host/Range.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

using namespace tavlora::host;

// Formulas filled down columns are saved as shared formulas; every reader must get each cell's own
// formula and value back.
class SharedFormulas : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = files::newApplication();
        book_ = app_->add();
        sheet_ = book_->worksheets().front();
        for (int r = 2; r <= 7; ++r) {
            const std::string n = std::to_string(r);
            sheet_->range("A" + n).setValue(double(r));
            sheet_->range("B" + n).setValue(r * 0.5);
            formula("C" + n, "=A" + n + "*B" + n);                   // one group
            formula("D" + n, "=$A$2+A" + n);                         // absolute parts stay
            // A growing range; its first cell reads one cell, which is another shape.
            formula("E" + n, "=SUM(A$2:A" + n + ")");
            formula("F" + n, r == 4 ? "=A4*3" : "=A" + n + "*2");   // broken by another shape
            if (r != 5) formula("G" + n, "=IF(A" + n + ">3,\"big\",\"small\")");  // broken by a gap
        }
        formula("H2", "=COUNT(A2:A7)");  // alone
        formula("I3", "=B3*2");          // one cell of a shape used elsewhere in another column
        formula("I4", "=B4*2");
        formula("J3", "=B3*2");
    }

    void formula(const std::string& address, const std::string& text) {
        sheet_->range(address).setFormula(text);
        expected_.push_back(address + " " + text);
    }

    std::filesystem::path save(const TempDir& dir) {
        auto path = dir.file("shared.xlsx");
        book_->saveAs(path.string());
        return path;
    }

    std::shared_ptr<Application> app_;
    std::shared_ptr<Workbook> book_;
    std::shared_ptr<Worksheet> sheet_;
    std::vector<std::string> expected_;  // "C2 =A2*B2", in row order once sorted by the readers
};

std::string sorted(std::vector<std::string> lines) {
    auto key = [](const std::string& line) {
        auto cell = parseA1(line.substr(0, line.find(' ')));
        return std::make_pair(cell->firstRow, cell->firstColumn);
    };
    std::sort(lines.begin(), lines.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
}

std::vector<std::string> withoutValues(const std::string& listing) {
    std::vector<std::string> lines;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find(" -> ")));
    return lines;
}

std::string readerScript() { return std::string(TAVLORA_SOURCE_DIR) + "/tests/host/xlsx/shared_formulas_read.py"; }

TEST_F(SharedFormulas, RunsOfOneShapeAreWrittenOnceWithTheirArea) {
    TempDir dir;
    std::string xml = zipPartText(save(dir), "xl/worksheets/sheet1.xml");
    std::smatch match;
    std::vector<std::string> anchors;
    std::string rest = xml;
    std::regex anchor(R"re(<c r="([A-Z]+[0-9]+)"[^>]*><f t="shared" ref="([A-Z0-9:]+)" si="[0-9]+">([^<]*)</f>)re");
    while (std::regex_search(rest, match, anchor)) {
        anchors.push_back(match[1].str() + " " + match[2].str() + " " + match[3].str());
        rest = match.suffix();
    }
    EXPECT_EQ(anchors, (std::vector<std::string>{
                           "C2 C2:C7 A2*B2", "D2 D2:D7 $A$2+A2", "F2 F2:F3 A2*2",
                           "G2 G2:G4 IF(A2&gt;3,\"big\",\"small\")", "E3 E3:E7 SUM(A$2:A3)", "I3 I3:I4 B3*2",
                           "F5 F5:F7 A5*2", "G6 G6:G7 IF(A6&gt;3,\"big\",\"small\")"}))
        << xml;
    // The others of a group carry no text; a formula of no group is written whole.
    EXPECT_NE(xml.find(R"(<c r="C7"><f t="shared" si="0"/><v>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<f>A4*3</f>"), std::string::npos);
    EXPECT_NE(xml.find("<f>SUM(A$2:A2)</f>"), std::string::npos);
    EXPECT_NE(xml.find("<f>COUNT(A2:A7)</f>"), std::string::npos);
    EXPECT_NE(xml.find(R"(<c r="J3"><f>B3*2</f>)"), std::string::npos);
}

// A later copy with a number is laid out the quick way, the others the general way: both must
// write the copy's format, its kind of value and the group's tag as the other would.
TEST_F(SharedFormulas, LaterCopiesKeepTheirFormatAndKindOfValue) {
    sheet_->range("C5").font().setBold(true);
    for (int r = 2; r <= 4; ++r) formula("K" + std::to_string(r), "=A" + std::to_string(r) + "/(A" + std::to_string(r) + "-3)");
    TempDir dir;
    std::string xml = zipPartText(save(dir), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(std::regex_search(xml, std::regex(R"re(<c r="C5" s="[1-9][0-9]*"><f t="shared" si="0"/><v>12.5</v></c>)re")))
        << xml;
    std::smatch group;
    ASSERT_TRUE(std::regex_search(xml, group, std::regex(R"re(<c r="K2"><f t="shared" ref="K2:K4" si="([0-9]+)">)re")))
        << xml;
    const std::string tag = "<f t=\"shared\" si=\"" + group[1].str() + "\"/>";
    EXPECT_NE(xml.find("<c r=\"K3\" t=\"e\">" + tag + "<v>#DIV/0!</v></c>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<c r=\"K4\">" + tag + "<v>4</v></c>"), std::string::npos) << xml;
}

TEST_F(SharedFormulas, ReadBackAsEachCellsOwnFormulaAndValue) {
    TempDir dir;
    auto path = save(dir);
    auto again = readXlsx(path);
    EXPECT_EQ(describeWorkbook(*again), describeWorkbook(*book_));
    EXPECT_EQ(again->worksheets().front()->range("E7").formula().asString(), "=SUM(A$2:A7)");
}

TEST_F(SharedFormulas, OpenpyxlReadsEachCellsFormulaAndValue) {
    if (!haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    TempDir dir;
    auto path = save(dir);
    std::string listing;
    ASSERT_EQ(runCommand("/usr/bin/python3 " + readerScript() + " '" + path.string() + "' values", &listing), 0) << listing;
    EXPECT_EQ(sorted(withoutValues(listing)), sorted(expected_));
    EXPECT_NE(listing.find("E7 =SUM(A$2:A7) -> 27\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("G7 =IF(A7>3,\"big\",\"small\") -> big\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("F7 =A7*2 -> 14\n"), std::string::npos) << listing;
}

// LibreOffice writes every formula whole: what it saves shows what it read.
TEST_F(SharedFormulas, LibreOfficeReadsEachCellsFormula) {
    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    if (!haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    TempDir dir;
    auto path = save(dir);
    std::filesystem::create_directory(dir.file("out"));
    std::string log;
    ASSERT_EQ(convertWithLibreOffice(dir.path(), path, "xlsx:\"Calc MS Excel 2007 XML\"", dir.file("out"), &log), 0) << log;
    std::string listing;
    ASSERT_EQ(runCommand("/usr/bin/python3 " + readerScript() + " '" + (dir.file("out") / "shared.xlsx").string() + "' values",
                         &listing),
              0)
        << listing;
    EXPECT_EQ(sorted(withoutValues(listing)), sorted(expected_));
    EXPECT_NE(listing.find("E7 =SUM(A$2:A7) -> 27\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("C7 =A7*B7 -> 24.5\n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace tavlora::test
