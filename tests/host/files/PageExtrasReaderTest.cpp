#include "host/files/PageExtrasReader.h"

#include <gtest/gtest.h>

#include "host/Application.h"
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

}  // namespace
}  // namespace tavlora::host::files
