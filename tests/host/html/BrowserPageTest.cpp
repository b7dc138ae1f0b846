// The web page as a browser shows it: a workbook with a record table, a list with totals and a
// chart of every family, loaded in headless Chromium.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/Application.h"
#include "host/chart/Chart.h"
#include "host/files/NewApplication.h"
#include "host/format/Styles.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/HeadlessBrowser.h"
#include "support/TestPaths.h"

namespace tavlora::host::html {
namespace {

namespace fs = std::filesystem;

// Format 1 fills the heading row blue and rules it off with a medium line.
constexpr const char* kRecordStyles =
    R"(<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>)"
    R"(<fills count="3"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>)"
    R"(<fill><patternFill patternType="solid"><fgColor rgb="FF4472C4"/></patternFill></fill></fills>)"
    R"(<borders count="2"><border/><border><bottom style="medium"><color rgb="FF203864"/></bottom></border></borders>)"
    R"(<cellXfs count="2"><xf fontId="0" fillId="0" borderId="0"/><xf fontId="0" fillId="2" borderId="1"/></cellXfs></styleSheet>)";
constexpr uint32_t kHeadingFormat = 1;

struct Family {
    const char* name;
    int32_t type;
    size_t rings;   // series drawn
    size_t labels;  // value labels shown
    int marks;      // shapes per series: a column or slice per point; 1 for a line or area (and its markers)
};

// Every chart family the host draws; pies show their first series, a doughnut all of them.
constexpr Family kFamilies[] = {
    {"Columns", 51, 2, 6, 3},      {"Bars", 57, 2, 6, 3},         {"Stacked bars", 58, 2, 6, 3},
    {"3-D columns", 54, 2, 6, 3},  {"Lines", 65, 2, 6, 1 + 3},    {"3-D lines", -4101, 2, 6, 1 + 3},
    {"Areas", 1, 2, 6, 1},         {"3-D areas", -4098, 2, 6, 1}, {"Pie", 5, 1, 3, 3},
    {"3-D pie", -4102, 1, 3, 3},   {"Bar of pie", 71, 1, 3, 3},   {"Doughnut", -4120, 2, 6, 3},
    {"Scatter", -4169, 2, 6, 3},   {"Radar", -4151, 2, 6, 1},     {"Filled radar", 82, 2, 6, 1},
};

// Appended to a copy of the page without its policy: reports what the browser laid out, as
// URI-encoded JSON (nothing in it needs escaping in the dumped DOM).
constexpr const char* kProbe = R"JS(<script>
(function () {
  const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; };
  const out = {cells: [], charts: []};
  for (const td of document.querySelectorAll('table.sheet td'))
    if (td.textContent) {
      const style = getComputedStyle(td);
      out.cells.push({text: td.textContent, align: style.textAlign, box: box(td), fill: style.backgroundColor,
        bottom: [style.borderBottomStyle, style.borderBottomWidth, style.borderBottomColor].join(' ')});
    }
  for (const div of document.querySelectorAll('div.chart')) {
    const svg = div.querySelector('svg');
    out.charts.push({title: svg.getAttribute('aria-label'), box: box(div),
      series: Array.from(svg.querySelectorAll('g.series'), (g) => g.querySelectorAll('rect,path,circle,polyline,polygon').length),
      labels: svg.querySelectorAll('g.labels text').length});
  }
  const pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = encodeURIComponent(JSON.stringify(out));
  document.body.appendChild(pre);
})();
</script>)JS";

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

class BrowserPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(fs::exists(test::kBrowser)) << "Chromium is missing: run scripts/install-deps";
    }

    void SetUp() override {
        app = files::newApplication();
        book = app->add();
        book->sharedStore()->styles.loadXml(kRecordStyles);
        fillRecords(*book->worksheets().front());
        fillCharts(*book->addWorksheet(nullptr, book->worksheets().front().get()));
        page = dir.file("report.html");
        book->saveAs(page.string(), fileformat::kHtml);
    }
    void TearDown() override { app->quit(); }

    // A record table whose Units the format aligns left, and a list whose totals are formulas.
    static void fillRecords(Worksheet& sheet) {
        sheet.setName("Records");
        const char* regions[] = {"North", "East", "South", "West"};
        sheet.range("A1").setValue(std::string("Region"));
        sheet.range("B1").setValue(std::string("Units"));
        sheet.range("C1").setValue(std::string("Revenue"));
        for (int32_t column = 1; column <= 3; ++column) sheet.store().cellAt(1, column).style = kHeadingFormat;
        for (int i = 0; i < 4; ++i) {
            std::string row = std::to_string(i + 2);
            sheet.range("A" + row).setValue(std::string(regions[i]));
            sheet.range("B" + row).setValue(static_cast<double>(100 + i));
            sheet.range("C" + row).setValue(1000.5 * (i + 1));
        }
        sheet.range("B2:B5").setHorizontalAlignment(align::kLeft);
        sheet.range("A7").setValue(std::string("Total"));
        sheet.range("B7").setFormula("=SUM(B2:B5)");
        sheet.range("C7").setFormula("=SUM(C2:C5)");
    }

    // Sales and cost of three months, and each family's chart in a grid beside them; a marker
    // text in the cell each chart's corner is anchored to.
    static void fillCharts(Worksheet& sheet) {
        sheet.setName("Charts");
        const char* months[] = {"Jan", "Feb", "Mar"};
        sheet.range("A1").setValue(std::string("Month"));
        sheet.range("B1").setValue(std::string("Sales"));
        sheet.range("C1").setValue(std::string("Cost"));
        for (int i = 0; i < 3; ++i) {
            std::string row = std::to_string(i + 2);
            sheet.range("A" + row).setValue(std::string(months[i]));
            sheet.range("B" + row).setValue(10.0 * (i + 1));
            sheet.range("C" + row).setValue(4.0 + i);
        }
        for (size_t i = 0; i < std::size(kFamilies); ++i) {
            int32_t column = 4 + static_cast<int32_t>(i % 3) * 5, row = static_cast<int32_t>(i / 3) * 12;
            std::string corner = std::string(1, static_cast<char>('A' + column)) + std::to_string(row + 1);
            sheet.range(corner).setValue(std::string("@") + kFamilies[i].name);
            // Default columns are 48 points wide, default rows 15 points high.
            auto object = sheet.addChartObject(column * 48.0, row * 15.0, 240, 180);
            auto chart = object->chart();
            chart->setChartType(kFamilies[i].type);
            chart->setSourceData(sheet.range("A1:C4"), plotby::kColumns);
            chart->setHasTitle(true);
            chart->setTitleText(kFamilies[i].name);
            chart->applyDataLabels(2, false);
        }
    }

    // What the browser laid out, by the probe.
    nlohmann::json probe() {
        std::string html = test::contentOf(page);
        size_t policy = html.find("<meta http-equiv=\"Content-Security-Policy\"");
        html.erase(policy, html.find('>', policy) + 1 - policy);
        html.insert(html.rfind("</body>"), kProbe);
        fs::path probed = dir.file("probed.html");
        std::ofstream(probed) << html;
        auto run = test::runBrowser(probed, {"--window-size=1400,1000", "--dump-dom"});
        size_t start = run.out.find("<pre id=\"probe\">");
        if (start == std::string::npos) {
            ADD_FAILURE() << "the probe did not run: " << run.err.substr(0, 2000);
            return {};
        }
        start += 16;
        return nlohmann::json::parse(percentDecoded(run.out.substr(start, run.out.find("</pre>", start) - start)));
    }

    static const nlohmann::json* cell(const nlohmann::json& laid, const std::string& text) {
        for (const auto& c : laid["cells"])
            if (c["text"] == text) return &c;
        return nullptr;
    }

    test::TempDir dir;
    std::shared_ptr<Application> app;
    std::shared_ptr<Workbook> book;
    fs::path page;
};

TEST_F(BrowserPage, LoadsNothingThePolicyRefuses) {
    auto run = test::runBrowser(page, {"--dump-dom"});
    EXPECT_NE(run.out.find("<svg"), std::string::npos) << run.err.substr(0, 2000);
    EXPECT_EQ(test::policyViolations(run), "");

    // The check sees a violation when there is one: the same page with a script and a picture
    // from the network.
    std::string html = test::contentOf(page);
    html.insert(html.rfind("</body>"), "<script>document.title = 'ran'</script><img src=\"http://127.0.0.1:9/x.png\">");
    fs::path bad = dir.file("violating.html");
    std::ofstream(bad) << html;
    std::string violations = test::policyViolations(test::runBrowser(bad, {"--dump-dom"}));
    EXPECT_NE(violations.find("inline script"), std::string::npos) << violations;
    EXPECT_NE(violations.find("127.0.0.1:9/x.png"), std::string::npos) << violations;
}

TEST_F(BrowserPage, EveryChartAllItsSeriesAndLabelsOverItsCells) {
    nlohmann::json laid = probe();
    ASSERT_EQ(laid["charts"].size(), std::size(kFamilies));
    for (size_t i = 0; i < std::size(kFamilies); ++i) {
        const Family& family = kFamilies[i];
        const auto& chart = laid["charts"][i];
        SCOPED_TRACE(family.name);
        EXPECT_EQ(chart["title"], family.name);
        ASSERT_EQ(chart["series"].size(), family.rings);
        for (const auto& marks : chart["series"]) EXPECT_EQ(marks.get<int>(), family.marks);
        EXPECT_EQ(chart["labels"].get<size_t>(), family.labels);
        // The chart's corner lies on the corner of the cell it is anchored to.
        const nlohmann::json* anchor = cell(laid, std::string("@") + family.name);
        ASSERT_NE(anchor, nullptr);
        EXPECT_NEAR(chart["box"][0].get<double>(), (*anchor)["box"][0].get<double>(), 2.0);
        EXPECT_NEAR(chart["box"][1].get<double>(), (*anchor)["box"][1].get<double>(), 2.0);
        EXPECT_NEAR(chart["box"][2].get<double>(), 320, 1.0);
    }
}

TEST_F(BrowserPage, TotalsShowAndCellsAlignAsTheirFormatSays) {
    nlohmann::json laid = probe();
    const nlohmann::json* units = cell(laid, "101");
    const nlohmann::json* revenue = cell(laid, "2001");
    const nlohmann::json* totalUnits = cell(laid, "406");       // =SUM(B2:B5)
    const nlohmann::json* totalRevenue = cell(laid, "10005");   // =SUM(C2:C5)
    ASSERT_TRUE(units && revenue && totalUnits && totalRevenue) << laid.dump();
    EXPECT_EQ((*units)["align"], "left");
    EXPECT_EQ((*revenue)["align"], "right");
    EXPECT_EQ((*totalRevenue)["align"], "right");
}

TEST_F(BrowserPage, TheHeadingRowIsFilledAndRuled) {
    nlohmann::json laid = probe();
    const nlohmann::json* heading = cell(laid, "Revenue");
    const nlohmann::json* record = cell(laid, "North");
    ASSERT_TRUE(heading && record) << laid.dump();
    EXPECT_EQ((*heading)["fill"], "rgb(68, 114, 196)");
    EXPECT_EQ((*heading)["bottom"], "solid 2px rgb(32, 56, 100)");
    EXPECT_EQ((*record)["fill"], "rgba(0, 0, 0, 0)");
    EXPECT_NE((*record)["bottom"], (*heading)["bottom"]);
}

TEST_F(BrowserPage, PrintsEachSheetOnPagesOfItsOwn) {
    fs::path pdf = dir.file("report.pdf");
    test::runBrowser(page, {"--print-to-pdf=" + pdf.string(), "--no-pdf-header-footer"});
    ASSERT_TRUE(fs::exists(pdf));
    auto text = test::runProgram("/usr/bin/pdftotext", {"-layout", pdf.string(), "-"});
    std::vector<std::string> pages;
    std::stringstream all(text.out);
    for (std::string one; std::getline(all, one, '\f');) pages.push_back(one);
    auto pageOf = [&](const std::string& heading) {
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i].find(heading) != std::string::npos) return static_cast<int>(i);
        return -1;
    };
    int records = pageOf("Records"), charts = pageOf("@Columns");
    ASSERT_GE(records, 0) << text.out;
    ASSERT_GE(charts, 0) << text.out;
    EXPECT_GT(charts, records);  // the second sheet starts a page of its own
    EXPECT_EQ(pages[static_cast<size_t>(charts)].find("Records"), std::string::npos);
}

TEST_F(BrowserPage, TakesAScreenshotOfTheSizeAsked) {
    fs::path shot = dir.file("report.png");
    test::runBrowser(page, {"--window-size=1200,900", "--screenshot=" + shot.string()});
    std::string png = test::contentOf(shot);
    ASSERT_GT(png.size(), 24u);
    auto big = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<uint32_t>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(big(16), 1200u);
    EXPECT_EQ(big(20), 900u);
}

}  // namespace
}  // namespace tavlora::host::html
