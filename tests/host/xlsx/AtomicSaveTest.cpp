#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/XlsxTestSupport.h"
#include "com/Error.h"
#include "host/Workbook.h"
#include "host/xlsx/PackageWriter.h"
#include "host/xlsx/ZipOutput.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;
using host::xlsx::writeWorkbook;

std::string saveFailure(const host::Workbook& workbook, const fs::path& path) {
    try {
        writeWorkbook(workbook, path.string());
    } catch (const com::Error& error) {
        EXPECT_EQ(error.code(), com::hr::kHostError);
        return error.what();
    }
    return "";
}

class AtomicSave : public ::testing::Test {
protected:
    void SetUp() override {
        book_ = readXlsx(fixture("excel_sheet_visibility.xlsx"));
        target_ = dir_.file("report.xlsx");
        std::ofstream(target_) << "the old report";
    }

    TempDir dir_;
    std::shared_ptr<host::Workbook> book_;
    fs::path target_;
};

TEST_F(AtomicSave, ReplacesTheTargetAndLeavesNothingElse) {
    writeWorkbook(*book_, target_.string());
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
    EXPECT_EQ(describeWorkbook(*readXlsx(target_)), describeWorkbook(*book_));
    struct stat st {};
    ASSERT_EQ(::stat(target_.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u) << "a saved workbook is readable by others, as new files are";
}

// A report kept private stays private when saved again, in either format.
TEST_F(AtomicSave, SavingOverAFileKeepsItsPermissions) {
    auto page = dir_.file("report.html");
    std::ofstream(page) << "the old page";
    for (const fs::path& path : {target_, page}) {
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
        book_->saveAs(path.string(), path == page ? host::fileformat::kHtml : host::fileformat::kDefault);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << path;
    }
    EXPECT_EQ(describeWorkbook(*readXlsx(target_)), describeWorkbook(*book_));
    EXPECT_EQ(contentOf(page).rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(filesIn(dir_.path()), (std::vector<std::string>{"report.html", "report.xlsx"}));
}

TEST_F(AtomicSave, MissingFolder) {
    auto target = dir_.file("no such folder") / "report.xlsx";
    EXPECT_EQ(saveFailure(*book_, target),
              "Cannot save '" + target.string() + "': the folder '" + dir_.file("no such folder").string() + "' does not exist");
    EXPECT_FALSE(fs::exists(dir_.file("no such folder")));
}

TEST_F(AtomicSave, FolderInTheWay) {
    fs::create_directory(dir_.file("taken.xlsx"));
    EXPECT_EQ(saveFailure(*book_, dir_.file("taken.xlsx")),
              "Cannot save '" + dir_.file("taken.xlsx").string() + "': a folder of that name is in the way");
    EXPECT_EQ(filesIn(dir_.path()), (std::vector<std::string>{"report.xlsx", "taken.xlsx"}));
}

TEST_F(AtomicSave, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    std::string message = saveFailure(*book_, target_);
    fs::permissions(dir_.path(), fs::perms::owner_all);
    EXPECT_THAT(message, ::testing::StartsWith("Cannot save '" + target_.string() + "': "));
    EXPECT_TRUE(contentOf(target_) == "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicSave, RefusalBeforeWritingKeepsTheOldFile) {
    auto empty = emptyWorkbook();  // no sheets: refused before a byte is written
    EXPECT_EQ(saveFailure(*empty, target_), "Cannot save '" + target_.string() + "': the workbook has no sheets");
    EXPECT_TRUE(contentOf(target_) == "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

class FailingProducer : public host::xlsx::PartProducer {
public:
    bool next(std::string& out) override {
        if (++calls_ > 3) throw com::Error(com::hr::kOutOfMemory, "the producer ran out");
        out.append(100000, 'x');
        return true;
    }

private:
    int calls_ = 0;
};

TEST_F(AtomicSave, FailureWhileWritingKeepsTheOldFileAndRemovesTheTemporaryOne) {
    host::xlsx::ZipOutput zip(target_.string());
    zip.addText("first.xml", "<a/>");
    zip.addStream("second.xml", [] { return std::make_unique<FailingProducer>(); });
    try {
        zip.commit();
        FAIL() << "the commit succeeded";
    } catch (const com::Error& error) {
        EXPECT_EQ(error.code(), com::hr::kOutOfMemory);  // the producer's own error comes through
        EXPECT_EQ(std::string(error.what()), "the producer ran out");
    }
    EXPECT_TRUE(contentOf(target_) == "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicSave, AFailedWriteKeepsTheOldFile) {
    int status = exitStatusWithFileSizeLimit(1024, [&] {
        std::string message = saveFailure(*book_, target_);
        return message == "Cannot save '" + target_.string() + "': Write error: File too large" ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(contentOf(target_) == "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicSave, AbandonedOutputLeavesNothing) {
    {
        host::xlsx::ZipOutput zip(dir_.file("never.xlsx").string());
        zip.addText("a.xml", "<a/>");
    }
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

}  // namespace
}  // namespace tavlora::test
