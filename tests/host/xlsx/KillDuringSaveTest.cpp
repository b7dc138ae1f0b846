#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "com/Variant.h"
#include "host/Application.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/PackageWriter.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;

// A save killed at any moment leaves the destination as the old file or the new one, and the next
// save into the folder removes whatever temporary file the killed one left.
TEST(KillDuringSave, TheDestinationIsAlwaysTheOldOrTheNewFile) {
    TempDir dir;
    fs::path target = dir.file("report.xlsx");
    auto application = host::files::newApplication();
    auto book = application->add();
    auto sheet = book->worksheets().front();
    sheet->range("A1:T20000").setValue(com::Variant("old"));
    host::xlsx::writeWorkbook(*book, target.string());
    sheet->range("A1:T20000").setValue(com::Variant("new"));

    size_t killedMidway = 0;
    for (int delayMs : {1, 5, 20, 50, 100, 200, 400, 800}) {
        SCOPED_TRACE(delayMs);
        pid_t child = fork();
        if (child == 0) {
            host::xlsx::writeWorkbook(*book, target.string());
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFSIGNALED(status)) ++killedMidway;
        std::string a1 = describeWorkbook(*readXlsx(target));
        EXPECT_TRUE(a1.find("A1 s:old") != std::string::npos || a1.find("A1 s:new") != std::string::npos);
    }
    EXPECT_GT(killedMidway, 0u) << "no save was killed before it ended: make the workbook larger";

    // An empty temporary file younger than two seconds may be a save that has not yet locked it.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    host::xlsx::writeWorkbook(*book, target.string());
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"report.xlsx"});
    EXPECT_NE(describeWorkbook(*readXlsx(target)).find("T20000 s:new"), std::string::npos);
}

}  // namespace
}  // namespace tavlora::test
