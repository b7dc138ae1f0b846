#include <gtest/gtest.h>

#include "support/XlsxTestSupport.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

// Comments sit on A2 ("foo") and A3 ("bar") of the sheet "Comments".
class KeptComments : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = host::files::newApplication();
        book_ = app_->open(fixture("excel_preserve_features_15sheets.xlsx").string());
        for (const auto& sheet : book_->worksheets())
            if (sheet->name() == "Comments") sheet_ = sheet;
        ASSERT_TRUE(sheet_);
    }

    // "cell=text" for every comment, and "note row,column" for every note shape, as openpyxl and
    // the saved drawing show them.
    std::string savedComments() {
        auto path = dir_.file("saved.xlsx");
        book_->saveAs(path.string());
        return runPython(R"(
import re, zipfile, openpyxl
ws = openpyxl.load_workbook(")" + path.string() + R"(")["Comments"]
for row in ws.iter_rows():
    for c in row:
        if c.comment: print(c.coordinate + "=" + c.comment.text.strip())
vml = zipfile.ZipFile(")" + path.string() + R"(").read("xl/drawings/vmlDrawing1.vml").decode()
for r, c in re.findall(r"<x:Row>(\d+)</x:Row>\s*<x:Column>(\d+)</x:Column>", vml): print("note", r, c)
)");
    }

    TempDir dir_;
    std::shared_ptr<host::Application> app_;
    std::shared_ptr<host::Workbook> book_;
    std::shared_ptr<host::Worksheet> sheet_;
};

TEST_F(KeptComments, UnchangedSheetKeepsItsComments) {
    if (!haveOpenpyxl()) GTEST_SKIP();
    EXPECT_EQ(savedComments(), "A2=foo\nA3=bar\nnote 1 0\nnote 2 0\n");
}

TEST_F(KeptComments, CommentsMoveUpWithDeletedRows) {
    if (!haveOpenpyxl()) GTEST_SKIP();
    sheet_->range("1:1").deleteCells();
    EXPECT_EQ(savedComments(), "A1=foo\nA2=bar\nnote 0 0\nnote 1 0\n");
}

TEST_F(KeptComments, CommentOnADeletedRowGoesWithIt) {
    if (!haveOpenpyxl()) GTEST_SKIP();
    sheet_->range("2:2").deleteCells();
    EXPECT_EQ(savedComments(), "A2=bar\nnote 1 0\n");
}

TEST_F(KeptComments, ColumnsRightOfTheCommentsLeaveThemAlone) {
    if (!haveOpenpyxl()) GTEST_SKIP();
    sheet_->range("C:D").deleteCells();
    EXPECT_EQ(savedComments(), "A2=foo\nA3=bar\nnote 1 0\nnote 2 0\n");
}

TEST_F(KeptComments, DeletingTheirColumnRemovesThem) {
    if (!haveOpenpyxl()) GTEST_SKIP();
    sheet_->range("A:A").deleteCells();
    EXPECT_EQ(savedComments(), "");
}

}  // namespace
}  // namespace tavlora::test
