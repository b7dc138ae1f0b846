#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/Application.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"
#include "support/ToolRun.h"
#include "support/XlsxTestSupport.h"

namespace tavlora {
namespace {

namespace fs = std::filesystem;
using test::ToolRun;

ToolRun runTool(const std::vector<std::string>& args) { return test::runProgram(TAVLORA_XLSX_TOOL, args); }

std::string firstLines(const std::string& text, int count) {
    size_t end = 0;
    for (int k = 0; k < count && end != std::string::npos; ++k) end = text.find('\n', end + (k ? 1 : 0));
    return end == std::string::npos ? text : text.substr(0, end + 1);
}

const std::string kDates = test::fixture("excelmac_dates_1904_formats.xlsx").string();

TEST(XlsxTool, CatPrintsTheDisplayedTextOfASheet) {
    ToolRun first = runTool({"cat", kDates});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(firstLines(first.out, 2), "Flag Name\tValue\tDescription\nTitle\tDate Format Tests\t\n");
    ToolRun named = runTool({"cat", kDates, "tests"});  // letter case ignored
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(firstLines(named.out, 3),
              "Result (expected)\tFormat\tValue\tCategories\n"
              "11-10-52\td-m-y\t11-Oct-1952 14:35:27.000\tDate\n"
              "11-10-52\tdd-mm-yy\t11-Oct-1952 14:35:27.000\tDate\n");
    EXPECT_EQ(named.err, "");
}

TEST(XlsxTool, CatEscapesTabsAndLineBreaksAndKeepsTheColumns) {
    test::TempDir dir;
    auto app = host::files::newApplication();
    auto book = app->add();
    auto sheet = book->worksheets().front();
    sheet->range("B2").setValue("a\tb");
    sheet->range("D2").setValue("line\nbreak \\ slash");
    sheet->range("C4").setValue(0.5);
    sheet->range("C4").setNumberFormatLocal("0%");
    fs::path file = dir.file("made.xlsx");
    book->saveAs(file.string());
    ToolRun run = runTool({"cat", file.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "a\\tb\t\tline\\nbreak \\\\ slash\n\t\t\n\t50%\t\n");
}

TEST(XlsxTool, CatShowsErrorValuesAsTheFileHasThem) {
    test::TempDir dir;
    fs::path file = dir.file("errors.xlsx");
    test::writeZip(file, test::packageWithRows(R"(<row r="1"><c r="A1" t="e"><v>#SPILL!</v></c>)"
                                               R"(<c r="B1" t="e"><v>#GETTING_DATA</v></c><c r="C1" t="e"><v>#FOO!</v></c>)"
                                               R"(<c r="D1" t="e"><f>1/0</f><v>#DIV/0!</v></c></row>)"));
    ToolRun run = runTool({"cat", file.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "#SPILL!\t#GETTING_DATA\t#FOO!\t#DIV/0!\n");
}

TEST(XlsxTool, RoundtripAndHtmlWriteFiles) {
    test::TempDir dir;
    fs::path copy = dir.file("copy.xlsx");
    ToolRun saved = runTool({"roundtrip", kDates, copy.string()});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(runTool({"cat", copy.string(), "Tests"}).out, runTool({"cat", kDates, "Tests"}).out);

    fs::path page = dir.file("page.html");
    ToolRun html = runTool({"html", kDates, page.string()});
    EXPECT_EQ(html.status, 0) << html.err;
    std::string text = test::contentOf(page);
    EXPECT_NE(text.find("<td class=\"f"), std::string::npos);
    EXPECT_NE(text.find(">Saturday-October-1952<"), std::string::npos);
}

TEST(XlsxTool, FailuresGiveOneLineAndANonZeroStatus) {
    test::TempDir dir;
    ToolRun missing = runTool({"cat", dir.file("nothing.xlsx").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err.rfind("tavlora-xlsx: ", 0), 0u) << missing.err;
    EXPECT_EQ(missing.err.find('\n'), missing.err.size() - 1) << missing.err;

    ToolRun noSheet = runTool({"cat", kDates, "Nope"});
    EXPECT_EQ(noSheet.status, 1);
    EXPECT_EQ(noSheet.err, "tavlora-xlsx: the workbook has no sheet named 'Nope'\n");

    ToolRun notWorkbook = runTool({"html", kDates, dir.file("no folder/page.html").string()});
    EXPECT_EQ(notWorkbook.status, 1);
    EXPECT_EQ(notWorkbook.err.rfind("tavlora-xlsx: Cannot save '", 0), 0u) << notWorkbook.err;

    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"cat"}, {"html", kDates}, {"frobnicate", kDates}}) {
        ToolRun usage = runTool(args);
        EXPECT_EQ(usage.status, 2);
        EXPECT_EQ(usage.err.rfind("tavlora-xlsx: usage: ", 0), 0u) << usage.err;
    }
}

}  // namespace
}  // namespace tavlora
