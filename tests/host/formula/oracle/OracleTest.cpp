#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "com/Error.h"
#include "host/Application.h"
#include "host/cells/CellError.h"
#include "host/cells/DateSerial.h"
#include "host/formula/CalcEngine.h"
#include "com/Conversions.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

// Every case of the *.cases files, computed by our engine and by LibreOffice recalculating the
// same saved workbook, compared value by value (README.md beside the cases).
namespace tavlora::host::test {
namespace {

namespace fs = std::filesystem;
using tavlora::test::TempDir;

const fs::path kOracleDir = fs::path(TAVLORA_SOURCE_DIR) / "tests/host/formula/oracle";

// The table over N12:Q17 of the Data sheet; Data.tsv fills its cells.
constexpr const char* kStockTable =
    R"(<table xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" id="1" name="Stock" displayName="Stock" )"
    R"(ref="N12:Q17" totalsRowCount="1"><autoFilter ref="N12:Q16"/><tableColumns count="4"><tableColumn id="1" name="Item"/>)"
    R"(<tableColumn id="2" name="Qty" totalsRowFunction="sum"/><tableColumn id="3" name="Unit Price"/>)"
    R"(<tableColumn id="4" name="Note's #"/></tableColumns></table>)";

struct Case {
    std::string file;
    int line = 0;
    std::string formula;
    std::optional<std::string> expected;  // the application's value where LibreOffice differs
};

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) out.push_back(field);
    if (!line.empty() && line.back() == separator) out.emplace_back();
    return out;
}

std::vector<Case> readCases() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kOracleDir))
        if (entry.path().extension() == ".cases") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Case> cases;
    for (const auto& path : files) {
        std::ifstream in(path);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            auto fields = split(line, '\t');
            Case c{path.filename().string(), number, fields[0], std::nullopt};
            if (!c.formula.empty() && c.formula[0] == '=') c.formula.erase(0, 1);
            if (fields.size() >= 2) c.expected = fields[1];
            cases.push_back(std::move(c));
        }
    }
    return cases;
}

// A value written as the case files and Data.tsv write it.
com::Variant parseValue(const std::string& text) {
    if (text.empty()) return {};
    if (text.front() == '"') {
        std::string out;
        for (size_t i = 1; i + 1 < text.size(); ++i) {
            out += text[i];
            if (text[i] == '"') ++i;
        }
        return out;
    }
    if (text == "TRUE" || text == "FALSE") return text == "TRUE";
    if (text.front() == '#') {
        const CellError* e = findCellError(text);
        return com::Variant::error(com::hr::runtime(e ? e->number : 2015));
    }
    return std::stod(text);
}

void fillData(Worksheet& data) {
    std::ifstream in(kOracleDir / "Data.tsv");
    std::string line;
    int row = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        ++row;
        auto fields = split(line, '\t');
        for (size_t i = 0; i < fields.size(); ++i) {
            const std::string& field = fields[i];
            Range cell = data.cell(row, int32_t(i) + 1);
            if (field.rfind("d:", 0) == 0) {
                int y = std::stoi(field.substr(2, 4)), m = std::stoi(field.substr(7, 2)), d = std::stoi(field.substr(10, 2));
                cell.setValue(serialOfCivilDate(y, unsigned(m), unsigned(d), false));
                cell.setNumberFormatLocal("yyyy-mm-dd");
            } else if (!field.empty() && field[0] == '=') {
                cell.setFormula(field);
            } else if (!field.empty() && field[0] == '"') {
                // A text stays a text even when it reads as a number ("7").
                cell.setNumberFormatLocal("@");
                cell.setValue(parseValue(field));
            } else if (!field.empty()) {
                cell.setValue(parseValue(field));
            }
        }
    }
}

// A formula's cached value as comparable text: numbers kept as numbers.
struct Cached {
    CellKind kind = CellKind::Empty;
    double number = 0;
    std::string text;
};

Cached cachedAt(const Worksheet& sheet, int32_t row) {
    const Cell* cell = sheet.store().find(row, 1);
    if (!cell || cell->kind != CellKind::Formula) return {};
    const Formula& f = sheet.store().formulas()[cell->payload.formulaId];
    return {f.cachedKind, f.cachedNumber, f.cachedText()};
}

Cached expectedValue(const std::string& text) {
    com::Variant v = parseValue(text);
    switch (v.type()) {
        case com::VarType::String: return {CellKind::String, 0, v.asString()};
        case com::VarType::Boolean: return {CellKind::Boolean, v.asBool() ? 1.0 : 0.0, ""};
        case com::VarType::Error: return {CellKind::Error, 0, text};
        case com::VarType::Empty: return {};
        default: return {CellKind::Number, com::toDouble(v), ""};
    }
}

std::string describe(const Cached& c) {
    switch (c.kind) {
        case CellKind::Number: {
            std::ostringstream out;
            out.precision(15);
            out << c.number;
            return out.str();
        }
        case CellKind::String: return "\"" + c.text + "\"";
        case CellKind::Boolean: return c.number != 0 ? "TRUE" : "FALSE";
        case CellKind::Error: return c.text;
        default: return "(none)";
    }
}

bool same(const Cached& a, const Cached& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case CellKind::Number:
            return a.number == b.number ||
                   std::fabs(a.number - b.number) <= 1e-9 * std::max(std::fabs(a.number), std::fabs(b.number));
        case CellKind::Boolean: return (a.number != 0) == (b.number != 0);
        case CellKind::String:
        case CellKind::Error: return a.text == b.text;
        default: return true;
    }
}

// A profile that makes LibreOffice recalculate every formula of an xlsx file on load instead
// of trusting the cached values.
void writeRecalculatingProfile(const fs::path& profile) {
    fs::create_directories(profile / "user");
    std::ofstream(profile / "user/registrymodifications.xcu")
        << R"(<?xml version="1.0" encoding="UTF-8"?>)" "\n"
        << R"(<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)" "\n"
        << R"(<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>)" "\n"
        << R"(<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="ODFRecalcMode" oor:op="fuse"><value>0</value></prop></item>)" "\n"
        << "</oor:items>\n";
}

TEST(FormulaOracle, EveryCaseAgreesWithLibreOfficeOrTheStatedValue) {
    if (tavlora::test::runCommand("command -v soffice >/dev/null") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    auto cases = readCases();
    ASSERT_FALSE(cases.empty());

    // The Data sheet comes from a file: only a file brings a table (Stock, for tables.cases).
    TempDir dir;
    tavlora::test::writeZip(dir.file("data.xlsx"), tavlora::test::packageWithTable("", kStockTable));
    auto app = files::newApplication();
    auto book = app->open(dir.file("data.xlsx").string());
    auto data = book->worksheets().front();
    data->setName("Data");
    fillData(*data);
    auto sheet = book->addWorksheet(nullptr, data.get());
    sheet->setName("Cases");
    for (size_t i = 0; i < cases.size(); ++i) sheet->cell(int32_t(i) + 1, 1).setFormula("=" + cases[i].formula);
    // The last row holds a wrong cached value: LibreOffice must show 2 there, or it did not
    // recalculate and the comparison would be of our own values with themselves.
    const int32_t canaryRow = int32_t(cases.size()) + 1;
    sheet->cell(canaryRow, 1).setFormula("=1+1");
    book->calculate();
    {
        const Cell* canary = sheet->store().find(canaryRow, 1);
        sheet->store().formulas()[canary->payload.formulaId].cachedNumber = 99;
    }
    const fs::path ours = dir.file("cases.xlsx");
    book->saveAs(ours.string());

    writeRecalculatingProfile(dir.path() / "lo-profile");
    fs::create_directories(dir.path() / "lo");
    std::string log;
    int status = tavlora::test::convertWithLibreOffice(dir.path(), ours, "xlsx", dir.path() / "lo", &log);
    ASSERT_EQ(status, 0) << log;
    auto readerApp = files::newApplication();
    auto theirsBook = readerApp->open((dir.path() / "lo/cases.xlsx").string());
    std::shared_ptr<Worksheet> theirs;
    for (const auto& ws : theirsBook->worksheets())
        if (ws->name() == "Cases") theirs = ws;
    ASSERT_TRUE(theirs);
    Cached canary = cachedAt(*theirs, canaryRow);
    ASSERT_EQ(describe(canary), "2") << "LibreOffice did not recalculate the workbook on load";

    int mismatches = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        Cached mine = cachedAt(*sheet, int32_t(i) + 1);
        Cached reference = c.expected ? expectedValue(*c.expected) : cachedAt(*theirs, int32_t(i) + 1);
        if (same(mine, reference)) continue;
        ++mismatches;
        ADD_FAILURE() << c.file << ":" << c.line << ": =" << c.formula << "\n  ours:  " << describe(mine)
                      << "\n  " << (c.expected ? "stated: " : "LibreOffice: ") << describe(reference)
                      << (c.expected ? "" : "") << "\n  problem: " << book->calculation().problemAt(book->indexOf(*sheet), int32_t(i) + 1, 1);
    }
    std::cout << cases.size() << " cases, " << mismatches << " mismatches\n";
}

}  // namespace
}  // namespace tavlora::host::test
