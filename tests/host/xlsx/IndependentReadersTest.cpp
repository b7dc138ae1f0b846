#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/XlsxTestSupport.h"
#include "host/xlsx/PackageWriter.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;

std::string compareScript() { return std::string(TAVLORA_SOURCE_DIR) + "/tests/host/xlsx/openpyxl_compare.py"; }

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Every fixture saved unchanged by our writer, under the fixture's own name in `folder`.
void saveAllFixtures(const fs::path& folder) {
    for (const std::string& name : fixtureNames()) {
        auto workbook = readXlsx(fixture(name));
        host::xlsx::writeWorkbook(*workbook, (folder / name).string());
    }
}

// Runs the comparison script and reports each "FAIL" line as a test failure; every fixture must
// have its "OK" line.
void expectAllOk(const std::string& arguments) {
    std::string output;
    int status = runCommand("/usr/bin/python3 " + compareScript() + " " + arguments, &output);
    ASSERT_EQ(status, 0) << output;
    std::istringstream lines(output);
    std::map<std::string, bool> ok;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("OK ")) ok[line.substr(3)] = true;
        else ADD_FAILURE() << line;
    }
    for (const std::string& name : fixtureNames()) EXPECT_TRUE(ok[name]) << name << " was not confirmed";
}

// openpyxl reads each saved fixture with the content it reads from the original (sheets, values,
// formulas, merges, defined names, charts, images, heights, widths, formats, validations,
// conditional formats, hyperlinks), and with the recorded facts of the original.
TEST(IndependentReaders, OpenpyxlSeesTheSameWorkbooks) {
    if (!haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    TempDir dir;
    saveAllFixtures(dir.path());
    std::string arguments = quoted(fixtureDir() / "facts.json");
    for (const std::string& name : fixtureNames())
        arguments += " " + name + " " + quoted(fixture(name)) + " " + quoted(dir.file(name));
    expectAllOk(arguments);
}

// LibreOffice opens each saved fixture as it opens the original: both are converted by it, and
// openpyxl compares what LibreOffice wrote for the two.
TEST(IndependentReaders, LibreOfficeSeesTheSameWorkbooks) {
    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    if (!haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    TempDir dir;
    fs::create_directory(dir.file("in"));
    fs::create_directory(dir.file("out"));
    fs::create_directory(dir.file("saved"));
    saveAllFixtures(dir.file("saved"));
    for (const std::string& name : fixtureNames()) {
        fs::copy_file(fixture(name), dir.file("in") / ("original_" + name));
        fs::copy_file(dir.file("saved") / name, dir.file("in") / ("saved_" + name));
    }
    std::string log;
    int status = runCommand("cd " + quoted(dir.path()) + " && timeout 300 soffice --headless --norestore" +
                                " -env:UserInstallation=file://" + dir.file("profile").string() +
                                " --convert-to xlsx --outdir out in/*",
                            &log);
    ASSERT_EQ(status, 0) << log;
    std::string arguments = "-";
    for (const std::string& name : fixtureNames()) {
        std::string converted = fs::path(name).replace_extension(".xlsx").string();
        arguments += " " + name + " " + quoted(dir.file("out") / ("original_" + converted)) + " " +
                     quoted(dir.file("out") / ("saved_" + converted));
    }
    expectAllOk(arguments);
}

}  // namespace
}  // namespace tavlora::test
