#include "host/html/WebPageWriter.h"
#include "host/files/NewApplication.h"
#include "host/files/PageExtrasReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "base/Utf8.h"
#include "com/Error.h"
#include "host/Application.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Range.h"
#include "host/format/Styles.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::host::html {
namespace {

namespace fs = std::filesystem;

// Runs a Python check with the page's path bound to PAGE.
std::string runPythonWithPage(const std::string& script, const fs::path& page) {
    return tavlora::test::runPython("PAGE = r'''" + page.string() + "'''\n" + script);
}

// Parses the page with Python's HTML parser and prints its visible structure, one line per
// heading and row: "H2 <text>", "ROW <cell> | <cell>", each cell "<text>" with "[cols x rows]"
// when it spans. It also checks that every row of a table fills the same number of grid
// columns once spans are counted, and lists every element name seen.
std::string dumpPage(const fs::path& page) {
    std::string script = R"PY(
import html.parser
class Dump(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.out = []; self.tags = set(); self.cell = None; self.heading = None; self.grid = None
        self.styles = []; self.in_style = False; self.title = None; self.in_title = False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs); self.tags.add(tag)
        if tag == 'h2': self.heading = ''
        if tag == 'style': self.in_style = True; self.styles.append('')
        if tag == 'title': self.in_title = True; self.title = ''
        if tag == 'table': self.grid = {'covered': {}, 'widths': [], 'row': -1}
        if tag == 'tr':
            self.grid['row'] += 1; self.row = []; self.col = 0
        if tag == 'td':
            r = self.grid['row']
            while self.grid['covered'].get((r, self.col)): self.col += 1
            cs = int(a.get('colspan', 1)); rs = int(a.get('rowspan', 1))
            for dr in range(rs):
                for dc in range(cs): self.grid['covered'][(r + dr, self.col + dc)] = True
            self.col += cs
            self.cell = {'text': '', 'cs': cs, 'rs': rs, 'cls': a.get('class', '')}
    def handle_endtag(self, tag):
        if tag == 'h2': self.out.append('H2 ' + self.heading); self.heading = None
        if tag == 'style': self.in_style = False
        if tag == 'title': self.in_title = False
        if tag == 'td':
            c = self.cell; span = '' if (c['cs'], c['rs']) == (1, 1) else '[%dx%d]' % (c['cs'], c['rs'])
            self.row.append(c['text'] + span); self.cell = None
        if tag == 'tr':
            r = self.grid['row']
            width = len([k for k in self.grid['covered'] if k[0] == r])
            self.grid['widths'].append(width)
            self.out.append('ROW ' + ' | '.join(self.row))
        if tag == 'table':
            if len(set(self.grid['widths'])) > 1: self.out.append('GRID BROKEN %s' % self.grid['widths'])
    def handle_data(self, data):
        if self.cell is not None: self.cell['text'] += data
        if self.heading is not None: self.heading += data
        if self.in_style: self.styles[-1] += data
        if self.in_title: self.title += data
d = Dump()
d.feed(open(PAGE, encoding='utf-8').read())
d.close()
print('TITLE ' + str(d.title))
print('\n'.join(d.out))
print('TAGS ' + ' '.join(sorted(d.tags)))
)PY";
    return runPythonWithPage(script, page);
}

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = files::newApplication();
        book = app->add();
        sheet = book->worksheets().front();
    }
    fs::path save(const std::string& name = "page.html") {
        fs::path page = dir.file(name);
        writeWebPage(*book, page.string());
        return page;
    }
    void set(const std::string& address, const com::Variant& value) { sheet->range(address).setValue(value); }

    tavlora::test::TempDir dir;
    std::shared_ptr<Application> app;
    std::shared_ptr<Workbook> book;
    std::shared_ptr<Worksheet> sheet;
};

TEST_F(WebPageTest, UsedRangeWithMergesAndDisplayedText) {
    set("B2", "Sales report");
    sheet->mergedAreas().push_back(Area{2, 2, 2, 4});  // B2:D2
    set("B3", "Region");
    set("C3", 1234.5);
    sheet->range("C3").setNumberFormatLocal("#,##0.00");
    set("D3", 0.25);
    sheet->range("D3").setNumberFormatLocal("0%");
    set("B4", "North");
    sheet->mergedAreas().push_back(Area{4, 2, 6, 2});  // B4:B6
    set("C4", true);
    set("D5", 45306.0);
    sheet->range("D5").setNumberFormatLocal("yyyy-mm-dd");
    set("C6", "x");

    std::string dump = dumpPage(save());
    EXPECT_EQ(dump,
              "TITLE page\n"
              "H2 Sheet1\n"
              "ROW Sales report[3x1]\n"
              "ROW Region | 1,234.50 | 25%\n"
              "ROW North[1x3] | TRUE | \n"
              "ROW  | 2024-01-15\n"
              "ROW x | \n"
              "TAGS body col colgroup div h2 head html meta section style table td title tr\n")
        << dump;
}

TEST_F(WebPageTest, WorkbookTextNeverBecomesMarkup) {
    set("A1", "<script>alert(1)</script>");
    set("A2", "a & b \"quoted\" 'single' <i>not italic</i>");
    sheet->setName("<b>&\"x'y");
    sheet->range("A1").font().setName("x\"}</style><script>alert(2)</script>");
    fs::path page = save();

    std::string dump = dumpPage(page);
    EXPECT_NE(dump.find("H2 <b>&\"x'y\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("ROW <script>alert(1)</script>\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("ROW a & b \"quoted\" 'single' <i>not italic</i>\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("TAGS body col colgroup div h2 head html meta section style table td title tr\n"), std::string::npos) << dump;

    std::string html = tavlora::test::contentOf(page);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<i>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    // The style element ends once, where the page ends it.
    size_t first = html.find("</style>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(html.find("</style>", first + 1), std::string::npos);
}

TEST_F(WebPageTest, InvalidUtf8AndControlCharactersAreReplaced) {
    set("A1", std::string("ok\x01\xff\xc3(end"));
    std::string html = tavlora::test::contentOf(save());
    EXPECT_NE(html.find("ok\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD(end"), std::string::npos);
}

TEST_F(WebPageTest, TheWholePageIsWellFormedUtf8) {
    set("A1", std::string("name \xE6\x97"));
    sheet->range("A1").font().setName("Ari\xFF" "al \xE5\xAE\x8B");
    sheet->setName("Sales \xC3");
    std::string html = tavlora::test::contentOf(save());
    EXPECT_TRUE(base::isValidUtf8(html));
    EXPECT_NE(html.find("\"Ari\xEF\xBF\xBD" "al \xE5\xAE\x8B\""), std::string::npos);
    EXPECT_NE(html.find("name \xEF\xBF\xBD<"), std::string::npos);
}

TEST_F(WebPageTest, HiddenSheetsAreLeftOutAndChartSheetsGetACaption) {
    set("A1", "visible one");
    auto hidden = book->addWorksheet(nullptr, sheet.get());
    hidden->setName("Secret");
    hidden->range("A1").setValue("SECRET VALUE");
    hidden->setVisibility(SheetVisibility::Hidden);
    auto veryHidden = book->addWorksheet(nullptr, hidden.get());
    veryHidden->range("A1").setValue("VERY SECRET");
    veryHidden->setVisibility(SheetVisibility::VeryHidden);
    book->insertSheet(book->sheets().size(), std::make_shared<ChartSheet>(book, "Chart1"));
    auto empty = book->addWorksheet(nullptr, book->sheets().back().get());
    empty->setName("Empty");

    fs::path page = save();
    std::string dump = dumpPage(page);
    EXPECT_EQ(dump,
              "TITLE page\n"
              "H2 Sheet1\n"
              "ROW visible one\n"
              "H2 Chart1\n"
              "H2 Empty\n"
              "TAGS body col colgroup div h2 head html meta p section style table td title tr\n")
        << dump;
    std::string html = tavlora::test::contentOf(page);
    EXPECT_EQ(html.find("SECRET"), std::string::npos);
    EXPECT_NE(html.find("<p class=\"chart\">Chart sheet: Chart1</p>"), std::string::npos);
}

TEST_F(WebPageTest, FontsAlignmentHeightsAndWidths) {
    set("A1", "Bold title");
    sheet->range("A1").font().setBold(true);
    sheet->range("A1").font().setName("Arial");
    sheet->range("A1").font().setSize(14);
    sheet->range("A1").setHorizontalAlignment(align::kCenter);
    sheet->range("A1").setVerticalAlignment(align::kTop);
    sheet->range("A1").setRowHeight(30);
    sheet->range("A1").setColumnWidth(20);
    set("B1", 3.0);

    std::string html = tavlora::test::contentOf(save());
    std::string look = "{font-family:\"Arial\",\"Liberation Sans\",sans-serif;font-size:14pt;font-weight:bold;text-align:center;"
                       "vertical-align:top}";
    size_t rule = html.find(look);
    ASSERT_NE(rule, std::string::npos) << html;
    size_t name = html.rfind("td.", rule);
    ASSERT_NE(name, std::string::npos);
    std::string className = html.substr(name + 3, rule - name - 3);
    EXPECT_NE(html.find("<td class=\"" + className + "\">Bold title</td>"), std::string::npos) << html;
    EXPECT_NE(html.find("<tr style=\"height:30pt\">"), std::string::npos) << html;
    // 20 characters = 145 px, the default 8.43 = 64 px.
    EXPECT_NE(html.find("<col style=\"width:145px\"><col style=\"width:64px\">"), std::string::npos) << html;
    EXPECT_NE(html.find("style=\"width:209px\""), std::string::npos) << html;
    // A General number is right-aligned.
    EXPECT_NE(html.find(" n\">3</td>"), std::string::npos) << html;
}

TEST_F(WebPageTest, FormatsThatLookAlikeShareOneClass) {
    set("A1", "text");
    set("B1", 2.0);
    sheet->range("B1").setNumberFormatLocal("0.00");  // a format of its own, the same look
    ASSERT_NE(sheet->store().find(1, 1)->style, sheet->store().find(1, 2)->style);
    std::string html = tavlora::test::contentOf(save());
    EXPECT_NE(html.find("<td class=\"f0\">text</td><td class=\"f0 n\">2.00</td>"), std::string::npos) << html;
    EXPECT_EQ(html.find("td.f1"), std::string::npos) << html;
}

TEST_F(WebPageTest, SparseSheetsCollapseEmptyRuns) {
    set("A1", "first");
    set("Z1", "last");
    set("A400", "bottom");
    sheet->store().rowAt(200).hidden = true;
    fs::path page = save();
    std::string html = tavlora::test::contentOf(page);
    EXPECT_NE(html.find("<td class=\"f0 o\">first</td><td colspan=\"24\"></td><td class=\"f0\">last</td>"),
              std::string::npos)
        << html.substr(0, 2000);
    EXPECT_NE(html.find("<colgroup><col span=\"26\" style=\"width:64px\"></colgroup>"), std::string::npos);
    // Rows 2 to 399 show nothing: one row as tall as the 397 of them that are not hidden.
    EXPECT_NE(html.find("<tr style=\"height:5955pt\"><td colspan=\"26\"></td></tr>"), std::string::npos) << html;
    std::string dump = dumpPage(page);
    EXPECT_EQ(dump,
              "TITLE page\n"
              "H2 Sheet1\n"
              "ROW first | [24x1] | last\n"
              "ROW [26x1]\n"
              "ROW bottom | [25x1]\n"
              "TAGS body col colgroup div h2 head html meta section style table td title tr\n")
        << dump;
}

TEST_F(WebPageTest, OverlappingAndOutsideMergesKeepTheGridWhole) {
    set("B2", "a");
    set("C3", "b");
    set("E5", "c");
    auto& merges = sheet->mergedAreas();
    merges.push_back(Area{2, 2, 3, 3});  // B2:C3
    merges.push_back(Area{3, 3, 4, 4});  // C3:D4 overlaps: a damaged file
    merges.push_back(Area{5, 5, 7, 6});  // E5:F7 reaches beyond the used range
    merges.push_back(Area{20, 20, 21, 21});  // nowhere near the used cells
    std::string dump = dumpPage(save());
    EXPECT_EQ(dump,
              "TITLE page\n"
              "H2 Sheet1\n"
              "ROW a[2x2] | [3x1]\n"
              "ROW [3x1]\n"
              "ROW [5x1]\n"
              "ROW [3x1] | c[2x3]\n"
              "ROW [3x1]\n"
              "ROW [3x1]\n"
              "TAGS body col colgroup div h2 head html meta section style table td title tr\n")
        << dump;
}

TEST_F(WebPageTest, RowsUnderMergesRepeatTheGapsBetweenThem) {
    set("A1", "a");
    set("E4", "e");
    auto& merges = sheet->mergedAreas();
    merges.push_back(Area{1, 2, 5, 2});  // B1:B5
    merges.push_back(Area{2, 4, 4, 4});  // D2:D4
    std::string dump = dumpPage(save());
    EXPECT_EQ(dump,
              "TITLE page\n"
              "H2 Sheet1\n"
              "ROW a | [1x5] | [3x1]\n"
              "ROW  |  | [1x3] | \n"
              "ROW  |  | \n"
              "ROW  |  | e\n"
              "ROW  | [3x1]\n"
              "TAGS body col colgroup div h2 head html meta section style table td title tr\n")
        << dump;
}

TEST_F(WebPageTest, ColumnLongMergesAcrossTheSheetTakeLinearTime) {
    set("A1", "x");
    set("XFD1", "y");
    for (int32_t c = 1; c <= 16384; ++c) sheet->mergedAreas().push_back(Area{1, c, 1048576, c});
    auto started = std::chrono::steady_clock::now();
    std::string html = tavlora::test::contentOf(save());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 60.0);
    size_t rows = 0;
    for (size_t at = html.find("<tr"); at != std::string::npos; at = html.find("<tr", at + 3)) ++rows;
    EXPECT_EQ(rows, 1048576u);
    size_t spans = 0;
    for (size_t at = html.find("rowspan=\"1048576\""); at != std::string::npos; at = html.find("rowspan", at + 7)) ++spans;
    EXPECT_EQ(spans, 16384u) << html.substr(0, 3000);
    EXPECT_NE(html.find(">x</td>"), std::string::npos);
}

TEST_F(WebPageTest, HugeColumnWidthsAreClampedToTheWidestColumn) {
    set("A1", "x");
    set("B1", "y");
    auto& columns = sheet->store().columns();
    for (double width : {1e300, std::nan("")}) {
        host::ColumnInfo column;
        column.first = column.last = static_cast<int32_t>(columns.size()) + 1;
        column.width = width;
        column.customWidth = true;
        columns.push_back(column);
    }
    std::string html = tavlora::test::contentOf(save());
    // 255 characters = 1790 px; an unreadable width counts as the default (64 px).
    EXPECT_NE(html.find("<col style=\"width:1790px\"><col style=\"width:64px\">"), std::string::npos) << html;
    EXPECT_NE(html.find("style=\"width:1854px\""), std::string::npos) << html;
}

TEST_F(WebPageTest, ReplacesTheOldFileAndLeavesNoTemporaryFile) {
    fs::path page = dir.file("page.html");
    { std::ofstream(page) << "old content"; }
    set("A1", "new");
    save();
    EXPECT_NE(tavlora::test::contentOf(page).find(">new</td>"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(WebPageTest, SavingIntoAMissingFolderIsAHostError) {
    fs::path page = dir.path() / "no such folder" / "page.html";
    try {
        writeWebPage(*book, page.string());
        FAIL() << "no error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kHostError);
        EXPECT_EQ(std::string(e.what()),
                  "Cannot save '" + page.string() + "': the folder '" + page.parent_path().string() + "' does not exist");
    }
    EXPECT_FALSE(fs::exists(page));
}

TEST_F(WebPageTest, AFailedWriteLeavesTheOldFileIntact) {
    fs::path page = dir.file("page.html");
    { std::ofstream(page) << "old content"; }
    for (int r = 1; r <= 2000; ++r) sheet->cell(r, 1).setValue("a row with some text to make the page large");
    int status = tavlora::test::exitStatusWithFileSizeLimit(4096, [&] {
        try {
            writeWebPage(*book, page.string());
            return 2;  // must not succeed
        } catch (const com::Error& e) {
            return std::string(e.what()).find("Cannot save") == 0 ? 0 : 3;
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(tavlora::test::contentOf(page), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(WebPageTest, SaveAsFormat44WritesThePage) {
    set("A1", 1.5);
    fs::path page = dir.file("report.htm");
    book->saveAs(page.string(), fileformat::kHtml);
    EXPECT_NE(tavlora::test::contentOf(page).find(" n\">1.5</td>"), std::string::npos);
    // As in the application, the page becomes the workbook's file: a default-name save no longer follows.
    EXPECT_EQ(book->fullName(), page.string());
    EXPECT_EQ(book->fileFormat(), fileformat::kHtml);
    set("A1", 2.5);
    book->saveAs(page.string(), fileformat::kHtml);  // the page may replace itself
    EXPECT_NE(tavlora::test::contentOf(page).find(" n\">2.5</td>"), std::string::npos);
}

TEST_F(WebPageTest, APageNeverReplacesAWorkbook) {
    fs::path workbook = dir.file("book.xlsx");
    book->saveAs(workbook.string());
    std::string saved = tavlora::test::contentOf(workbook);
    fs::path alias = dir.file("alias.htm");
    fs::create_symlink(workbook, alias);
    for (const fs::path& target : {workbook, dir.file("other.XLSM"), alias}) {
        SCOPED_TRACE(target.string());
        try {
            book->saveAs(target.string(), fileformat::kHtml);
            ADD_FAILURE() << "the page was written";
        } catch (const com::Error& error) {
            EXPECT_NE(std::string(error.what()).find("SaveAs: a web page cannot"), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(tavlora::test::contentOf(workbook), saved);
    EXPECT_FALSE(fs::exists(dir.file("other.XLSM")));
    EXPECT_EQ(book->fullName(), workbook.string());
}

TEST_F(WebPageTest, TheFormatsAlignmentOutranksTheRuleForNumbers) {
    set("A1", 5.0);
    sheet->range("A1").setHorizontalAlignment(align::kLeft);
    set("B1", 6.0);  // General: right, by the kind of value
    std::string html = tavlora::test::contentOf(save());
    size_t cell = html.find(" n\">5</td>");
    ASSERT_NE(cell, std::string::npos) << html;
    std::string className = html.substr(html.rfind("class=\"", cell) + 7, cell - html.rfind("class=\"", cell) - 7);
    // The format's rule is as specific as the numbers' rule and comes after it.
    size_t numbers = html.find("table.sheet td.n{text-align:right}");
    size_t own = html.find("table.sheet td." + className + "{");
    ASSERT_NE(own, std::string::npos) << html;
    EXPECT_GT(own, numbers);
    EXPECT_NE(html.find("text-align:left", own), std::string::npos);
    EXPECT_LT(html.find("text-align:left", own), html.find('}', own));
}

TEST_F(WebPageTest, ChartsFloatOverTheCellsTheyAreAnchoredTo) {
    set("A1", "Figures");
    auto chart = std::static_pointer_cast<EmbeddedChart>(sheet->addChartObject(180, 105, 360, 210));
    std::string html = tavlora::test::contentOf(save());
    // 180 x 105 points from A1's corner, 360 x 210 points large, in CSS pixels.
    EXPECT_NE(html.find("<div class=\"chart float\" style=\"left:240px;top:140px;width:480px;height:280px\">"),
              std::string::npos) << html;
    // The block holds the chart: the page goes on below it.
    EXPECT_NE(html.find("<div class=\"sheet-block\" style=\"min-width:720px;min-height:420px\">"), std::string::npos);
    EXPECT_LT(html.find("</table>"), html.find("<svg "));
    EXPECT_LT(html.find("<svg "), html.find("</div>\n</div>\n</section>"));
}

TEST_F(WebPageTest, TheTableStartsWhereTheFirstChartDoes) {
    set("C5", 1.0);
    sheet->addChartObject(0, 0, 150, 75);  // over A1
    std::string html = tavlora::test::contentOf(save());
    EXPECT_NE(html.find("style=\"left:0px;top:0px;width:200px;height:100px\""), std::string::npos) << html;
    std::string dump = dumpPage(save());
    // Rows 1 to 4 (empty) come before row 5, so the chart stands over the cells it covers.
    EXPECT_NE(dump.find("ROW [3x1]\nROW [2x1] | 1\n"), std::string::npos) << dump;
}

TEST_F(WebPageTest, TitleFrozenRowsAndPictures) {
    set("A1", "Header");
    set("A2", "Second header");
    sheet->range("A2").setRowHeight(20);
    set("A3", 1.0);
    PageExtras extras;
    extras.title = "Q1 <figures>";
    SheetExtras& own = extras.sheets[sheet.get()];
    own.frozenRows = 2;
    PagePicture picture;
    picture.anchor.from = AnchorMarker{1, 0, 2, 0};  // B3
    picture.anchor.to = AnchorMarker{3, 0, 4, 0};    // D5
    picture.mediaType = "image/png";
    picture.bytes = "\x89PNG";
    picture.description = "Logo \"new\"";
    own.pictures.push_back(picture);
    fs::path page = dir.file("page.html");
    writeWebPage(*book, page.string(), extras);
    std::string html = tavlora::test::contentOf(page);
    EXPECT_NE(html.find("<title>Q1 &lt;figures&gt;</title>"), std::string::npos) << html;
    // The two frozen rows stick, the second below the first; the third scrolls.
    EXPECT_NE(html.find("<tr class=\"fz\" style=\"height:15pt;--fz:0pt\">"), std::string::npos) << html;
    EXPECT_NE(html.find("<tr class=\"fz\" style=\"height:20pt;--fz:15pt\">"), std::string::npos) << html;
    EXPECT_EQ(html.find("--fz:35pt"), std::string::npos);
    // B3:D5 = 64 px right of A and 35 points below the top, two columns and two rows large.
    EXPECT_NE(html.find("<img class=\"float\" style=\"left:64px;top:46.67px;width:128px;height:40px\" "
                        "alt=\"Logo &quot;new&quot;\" src=\"data:image/png;base64,iVBORw==\">"),
              std::string::npos) << html;
}

TEST_F(WebPageTest, TheTitleIsThePagesOwnName) {
    set("A1", 1.0);
    EXPECT_NE(tavlora::test::contentOf(save("q1 report.htm")).find("<title>q1 report</title>"), std::string::npos);
}

}  // namespace
}  // namespace tavlora::host::html

namespace tavlora::host::html {
namespace {

// A styles part with a theme-coloured fill, a bordered format and a format with an indexed font
// colour, underline, strike-through and a pattern fill.
constexpr const char* kPaintedStyles =
    R"(<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font>)"
    R"(<font><u/><strike/><sz val="11"/><color indexed="12"/><name val="Calibri"/></font></fonts>)"
    R"(<fills count="4"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>)"
    R"(<fill><patternFill patternType="solid"><fgColor theme="4" tint="0.4"/></patternFill></fill>)"
    R"(<fill><patternFill patternType="darkGrid"><fgColor indexed="22"/></patternFill></fill></fills>)"
    R"(<borders count="2"><border/><border><left style="thin"><color indexed="10"/></left><right/>)"
    R"(<top style="thick"><color theme="4"/></top><bottom style="double"/></border></borders>)"
    R"(<cellXfs count="4"><xf fontId="0" fillId="0" borderId="0"/><xf fontId="0" fillId="2" borderId="0"/>)"
    R"(<xf fontId="0" fillId="0" borderId="1"/><xf fontId="1" fillId="3" borderId="0"/></cellXfs></styleSheet>)";

// A theme whose first accent is 336699; the other colours are left out.
constexpr const char* kTheme =
    R"(<?xml version="1.0" encoding="UTF-8"?><a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="T">)"
    R"(<a:themeElements><a:clrScheme name="C"><a:dk1><a:sysClr val="windowText" lastClr="000000"/></a:dk1>)"
    R"(<a:accent1><a:srgbClr val="336699"/></a:accent1></a:clrScheme></a:themeElements></a:theme>)";

class PaintedPageTest : public ::testing::Test {
protected:
    // The page of a package whose one sheet holds `rowsXml` under `viewsXml`.
    std::string pageOf(const std::string& viewsXml, const std::string& rowsXml) {
        tavlora::test::PartList parts = tavlora::test::minimalPackage();
        tavlora::test::replacePart(parts, "xl/worksheets/sheet1.xml",
                          R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
                              viewsXml + "<sheetData>" + rowsXml + "</sheetData></worksheet>");
        for (auto& [name, bytes] : parts) {
            if (name == "[Content_Types].xml")
                bytes.insert(bytes.find("</Types>"),
                             R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
                             R"(<Override PartName="/xl/theme/theme1.xml" ContentType="application/vnd.openxmlformats-officedocument.theme+xml"/>)");
            if (name == "xl/_rels/workbook.xml.rels")
                bytes.insert(bytes.find("</Relationships>"),
                             R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
                             R"(<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme" Target="theme/theme1.xml"/>)");
        }
        parts.emplace_back("xl/styles.xml", kPaintedStyles);
        parts.emplace_back("xl/theme/theme1.xml", kTheme);
        fs::path file = dir.file("painted.xlsx");
        tavlora::test::writeZip(file, parts);
        auto book = app->open(file.string());
        fs::path page = dir.file("painted.html");
        writeWebPage(*book, page.string(), files::readPageExtras(*book));
        return tavlora::test::contentOf(page);
    }

    // The class ("f<n>") of the first cell format rule that holds `declaration`; "" when none does.
    static std::string classWith(const std::string& html, const std::string& declaration) {
        size_t at = html.find(declaration);
        if (at == std::string::npos) return "";
        size_t rule = html.rfind("table.sheet td.", at);
        if (rule == std::string::npos) return "";
        rule += 15;
        return html.substr(rule, html.find('{', rule) - rule);
    }

    tavlora::test::TempDir dir;
    std::shared_ptr<Application> app = files::newApplication();
};

TEST_F(PaintedPageTest, FillsBordersAndFontColoursAsTheWorkbookHasThem) {
    // A1 text on the theme fill, B1 an empty cell with borders, A2 a number in blue, underlined
    // and struck through on a grey pattern.
    std::string html = pageOf("", R"(<row r="1"><c r="A1" s="1" t="s"><v>0</v></c><c r="B1" s="2"/></row>)"
                                  R"(<row r="2"><c r="A2" s="3"><v>5</v></c></row>)");
    // The theme's own accent (336699), lightened by 40 % in HSL.
    std::string filled = classWith(html, "background-color:#75a3d1");
    ASSERT_FALSE(filled.empty()) << html;
    // The text runs on over the empty cell beside it, bordered or not.
    EXPECT_NE(html.find("<td class=\"" + filled + " o\">x</td>"), std::string::npos) << html;

    std::string ruled = classWith(html, "border-left:1px solid #ff0000;border-top:3px solid #336699;border-bottom:3px double #000000");
    ASSERT_FALSE(ruled.empty()) << html;
    // An empty cell shows its borders: it is written as a cell of its own.
    EXPECT_NE(html.find("<td class=\"" + ruled + "\"></td></tr>"), std::string::npos) << html;
    EXPECT_EQ(html.find("border-right:"), std::string::npos) << html;

    std::string decorated = classWith(html, "background-color:#c0c0c0;color:#0000ff;text-decoration:underline line-through");
    ASSERT_FALSE(decorated.empty()) << html;
    EXPECT_NE(html.find("<td class=\"" + decorated + " n\">5</td>"), std::string::npos) << html;
    // Gridlines show unless the sheet hides them.
    EXPECT_NE(html.find("<table class=\"sheet\" "), std::string::npos) << html;
    EXPECT_EQ(html.find("nogrid\""), std::string::npos) << html;
}

TEST_F(PaintedPageTest, HiddenGridlinesLeaveOnlyTheBorders) {
    std::string html = pageOf(R"(<sheetViews><sheetView showGridLines="0" workbookViewId="0"/></sheetViews>)",
                              R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="2"/></row>)");
    EXPECT_NE(html.find("<table class=\"sheet nogrid\" "), std::string::npos) << html;
    EXPECT_NE(html.find("table.sheet.nogrid td{border:0 none}"), std::string::npos) << html;
    EXPECT_FALSE(classWith(html, "border-left:1px solid #ff0000").empty()) << html;
}

TEST_F(PaintedPageTest, AFrozenRowKeepsItsFill) {
    std::string html = pageOf(R"(<sheetViews><sheetView workbookViewId="0"><pane ySplit="1" topLeftCell="A2" state="frozen"/></sheetView></sheetViews>)",
                              R"(<row r="1"><c r="A1" s="1" t="s"><v>0</v></c></row><row r="2"><c r="A2"><v>1</v></c></row>)");
    // The frozen rows' white background is less specific than the fill's rule.
    size_t rule = html.find("background-color:#75a3d1");
    ASSERT_NE(rule, std::string::npos) << html;
    size_t name = html.rfind("td.", rule) + 3;
    std::string filled = html.substr(name, html.find('{', name) - name);
    EXPECT_NE(html.find("table.sheet tr.fz td." + filled + "{background-color:#75a3d1}"), std::string::npos) << html;
}

}  // namespace
}  // namespace tavlora::host::html
