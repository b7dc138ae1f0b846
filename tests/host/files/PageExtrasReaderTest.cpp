#include "host/files/PageExtrasReader.h"

#include <gtest/gtest.h>

#include "host/Application.h"
#include "host/chart/Chart.h"
#include "host/chart/EmbeddedChart.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"

namespace tavlora::host::files {
namespace {

class PageExtrasReading : public ::testing::Test {
protected:
    void TearDown() override { app->quit(); }
    std::shared_ptr<Workbook> open(const std::filesystem::path& path) { return app->open(path.string()); }

    std::shared_ptr<Application> app = newApplication();
    test::TempDir dir;
};

TEST_F(PageExtrasReading, FrozenRowsOfEachSheet) {
    auto book = open(test::fixture("excel_frozen_panes.xlsx"));
    html::PageExtras extras = readPageExtras(*book);
    std::vector<int32_t> rows;
    for (const auto& sheet : book->worksheets()) {
        auto found = extras.sheets.find(sheet.get());
        rows.push_back(found == extras.sheets.end() ? 0 : found->second.frozenRows);
    }
    // Panes frozen at B2, B3, A2 and B1: the last keeps only a column.
    EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 1, 0}));
}

TEST_F(PageExtrasReading, PicturesWithTheirPlaceAndBytes) {
    auto book = open(test::fixture("excel_images.xlsx"));
    html::PageExtras extras = readPageExtras(*book);
    ASSERT_EQ(extras.sheets.size(), 1u);
    const auto& pictures = extras.sheets.begin()->second.pictures;
    ASSERT_EQ(pictures.size(), 10u);  // two media parts, placed ten times
    for (const auto& picture : pictures) {
        EXPECT_EQ(picture.mediaType, "image/jpeg");
        ASSERT_GE(picture.bytes.size(), 3u);
        EXPECT_EQ(picture.bytes.substr(0, 3), "\xFF\xD8\xFF");
    }
    bool placed = false;
    for (const auto& picture : pictures) placed = placed || picture.anchor.from.row > 0 || picture.anchor.from.column > 0;
    EXPECT_TRUE(placed) << "every anchor read as A1";
}

TEST_F(PageExtrasReading, TheTitlePropertyAndANewWorkbooksNothing) {
    auto path = dir.file("titled.xlsx");
    test::runPython("import openpyxl\nwb = openpyxl.Workbook()\nwb.properties.title = 'Quarterly figures'\n"
                    "wb.active['A1'] = 1\nwb.save(r'''" + path.string() + "''')\n");
    EXPECT_EQ(readPageExtras(*open(path)).title, "Quarterly figures");

    auto fresh = app->add();
    fresh->worksheets().front()->range("A1").setValue(1.0);
    html::PageExtras none = readPageExtras(*fresh);
    EXPECT_EQ(none.title, "");
    EXPECT_TRUE(none.sheets.empty());
}

TEST_F(PageExtrasReading, ChartsWhoseCategoryAxisRunsBackwards) {
    auto book = app->add();
    auto sheet = book->worksheets().front();
    sheet->range("A1").setValue(std::string("Jan"));
    sheet->range("B1").setValue(1.0);
    for (int i = 0; i < 2; ++i) {
        auto chart = sheet->addChartObject(100, 100 + 200 * i, 300, 150)->chart();
        chart->setChartType(57);
        chart->setSourceData(sheet->range("A1:B1"), 2);
    }
    auto path = dir.file("bars.xlsx");
    book->saveAs(path.string());
    // The first chart's category axis set to run backwards, as a template may have it.
    std::string script = R"PY(
import re, shutil, sys, zipfile
path = sys.argv[1]
parts = {}
with zipfile.ZipFile(path) as source:
    for info in source.infolist(): parts[info.filename] = source.read(info.filename)
name = sorted(n for n in parts if re.match(r'xl/charts/chart\d+\.xml$', n))[0]
xml = parts[name].decode()
reversed_xml = re.sub(r'(<c:catAx>.*?<c:orientation val=")minMax', r'\1maxMin', xml, count=1, flags=re.S)
assert reversed_xml != xml, xml
parts[name] = reversed_xml.encode()
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as target:
    for n, data in parts.items(): target.writestr(n, data)
print(name)
)PY";
    std::string changed = test::runPython("import sys\nsys.argv = ['', r'''" + path.string() + "''']\n" + script);
    ASSERT_NE(changed.find("xl/charts/chart"), std::string::npos) << changed;
    book->close();  // else opening the file again gives the workbook still open
    auto reopened = open(path);
    html::PageExtras extras = readPageExtras(*reopened);
    ASSERT_EQ(extras.reversedCategories.size(), 1u);
    const auto& objects = reopened->worksheets().front()->chartObjects();
    ASSERT_EQ(objects.size(), 2u);
    size_t reversed = 0;
    for (const auto& object : objects)
        if (extras.reversedCategories.contains(static_cast<const EmbeddedChart&>(*object).model().get())) ++reversed;
    EXPECT_EQ(reversed, 1u);
    // Once it becomes another type, the chart gets new axes, which run forwards.
    for (const auto& object : objects) object->chart()->setChartType(58);
    EXPECT_TRUE(readPageExtras(*reopened).reversedCategories.empty());
}

}  // namespace
}  // namespace tavlora::host::files
