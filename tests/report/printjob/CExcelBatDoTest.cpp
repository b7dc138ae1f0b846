#include "tavlora/CExcelBatDo.h"
#include "host/files/NewApplication.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "com/Conversions.h"
#include "com/ObjectCast.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/FileFormats.h"
#include "host/xlsx/TemplateCache.h"
#include "report/common/SheetAcquisition.h"
#include "support/TestPaths.h"

namespace tavlora::printjob {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A template with three worksheets, each with a marker value.
fs::path makeTemplate(const TempDir& dir) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto first = workbook->worksheets().front();
    first->setName("Invoice");
    first->range("A1").setValue(com::Variant("invoice"));
    auto second = workbook->addWorksheet(nullptr, first.get());
    second->setName("Data");
    second->range("B2").setValue(com::Variant(42.0));
    auto third = workbook->addWorksheet(nullptr, second.get());
    third->setName("Spare");
    auto path = dir.file("template.xlsx");
    workbook->saveAs(path.string());
    workbook->close();
    return path;
}

std::vector<std::string> sheetNamesOf(const fs::path& file) {
    auto application = host::files::newApplication();
    auto workbook = application->open(file.string());
    std::vector<std::string> names;
    for (const auto& sheet : workbook->sheets()) names.push_back(sheet->name());
    workbook->close();
    return names;
}

TEST(CExcelBatDoCopy, CopiesOverAnExistingDestination) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto dest = dir.file("out.xlsx");
    { std::ofstream(dest) << "old content"; }
    fs::permissions(dest, fs::perms::owner_read | fs::perms::owner_write);
    auto job = CExcelBatDo::create();
    EXPECT_TRUE(job->DoCopy(source.string(), dest.string()));
    std::ifstream a(source, std::ios::binary), b(dest, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(a), {}) == std::string(std::istreambuf_iterator<char>(b), {}));
    // The destination keeps its own permissions: a private report stays private.
    EXPECT_EQ(fs::status(dest).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(CExcelBatDoCopy, FailsWithoutTouchingTheDestination) {
    TempDir dir;
    auto dest = dir.file("out.xlsx");
    { std::ofstream(dest) << "keep me"; }
    auto job = CExcelBatDo::create();
    EXPECT_FALSE(job->DoCopy(dir.file("missing.xlsx").string(), dest.string()));
    EXPECT_FALSE(job->DoCopy("", dest.string()));
    EXPECT_FALSE(job->DoCopy(dest.string(), ""));
    EXPECT_FALSE(job->DoCopy(dest.string(), dir.file("no/such/folder/x.xlsx").string()));
    std::ifstream in(dest);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "keep me");
    // No temporary file left behind.
    size_t files = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);
}

TEST(CExcelBatDoFlow, KeepsRegisteredSheetsAndSavesInPlace) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto target = dir.file("report.xlsx");
    auto job = CExcelBatDo::create();
    ASSERT_TRUE(job->DoCopy(source.string(), target.string()));
    ASSERT_TRUE(job->DoBegin(target.string(), false));
    ASSERT_NE(job->CurWk(), nullptr);
    job->DoAddSheet("invoice");  // letter case differs from the sheet's name
    job->DoAddSheet("INVOICE");
    EXPECT_EQ(job->usedSheets().size(), 2u);
    auto sheet = common::MCommExcel::GetWorksheetByName(job->CurWk(), "Invoice", false, true);
    ASSERT_NE(sheet, nullptr);
    sheet->range("B1").setValue(com::Variant("filled"));
    EXPECT_TRUE(job->DoEnd());
    EXPECT_EQ(job->CurWk(), nullptr);
    EXPECT_EQ(sheetNamesOf(target), std::vector<std::string>{"Invoice"});

    if (test::haveOpenpyxl()) {
        auto out = test::runPython("import openpyxl\nwb = openpyxl.load_workbook(r'" + target.string() +
                                   "')\nprint(wb.sheetnames, wb['Invoice']['A1'].value, wb['Invoice']['B1'].value)\n");
        EXPECT_EQ(out, "['Invoice'] invoice filled\n");
    }
}

TEST(CExcelBatDoFlow, SavesUnderANewNameAndAsAWebPage) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto job = CExcelBatDo::create();
    ASSERT_TRUE(job->DoBegin(source.string()));
    job->DoAddSheet("Data");
    auto copy = dir.file("copy.xlsx");
    EXPECT_TRUE(job->DoEnd(copy.string()));
    EXPECT_EQ(sheetNamesOf(copy), std::vector<std::string>{"Data"});
    EXPECT_EQ(sheetNamesOf(source).size(), 3u);  // the opened file itself is untouched

    auto page = dir.file("page.html");
    ASSERT_TRUE(job->DoBegin(source.string()));
    EXPECT_TRUE(job->DoEnd(page.string(), false, true));
    ASSERT_TRUE(fs::exists(page));
    std::ifstream in(page);
    std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(html.find("42"), std::string::npos);
}

TEST(CExcelBatDoFlow, AWebPageOfANewWorkbookIsItsOnlySave) {
    TempDir dir;
    auto stray = dir.file("Book1.xlsx");
    { std::ofstream(stray) << "someone else's"; }
    auto page = dir.file("page.htm");
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    auto job = CExcelBatDo::create();
    bool begun = job->DoBegin("");
    bool ended = begun && job->DoEnd(page.string(), false, true);
    fs::current_path(previous);
    ASSERT_TRUE(begun);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(fs::exists(page));
    std::ifstream in(stray);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "someone else's");
    EXPECT_EQ(test::filesIn(dir.path()), (std::vector<std::string>{"Book1.xlsx", "page.htm"}));
}

TEST(CExcelBatDoFlow, AWebPageNeverReplacesTheWorkbookFile) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto target = dir.file("report.xlsx");
    auto job = CExcelBatDo::create();
    ASSERT_TRUE(job->DoCopy(source.string(), target.string()));
    ASSERT_TRUE(job->DoBegin(target.string()));
    EXPECT_FALSE(job->DoEnd(target.string(), false, true));
    EXPECT_EQ(sheetNamesOf(target).size(), 3u);  // still the workbook
}

TEST(CExcelBatDoFlow, DeletesDownToTheLastSheetTheHostKeeps) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto job = CExcelBatDo::create();
    ASSERT_TRUE(job->DoBegin(source.string()));
    auto out = dir.file("out.xlsx");
    EXPECT_TRUE(job->DoEnd(out.string()));
    EXPECT_EQ(sheetNamesOf(out), std::vector<std::string>{"Invoice"});
}

TEST(CExcelBatDoFlow, DisplayKeepsTheWorkbookOpen) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto job = CExcelBatDo::create();
    job->setIsDelUnUse(false);
    ASSERT_TRUE(job->DoBegin(source.string()));
    auto out = dir.file("shown.xlsx");
    EXPECT_TRUE(job->DoEnd(out.string(), true));
    ASSERT_NE(job->CurWk(), nullptr);
    EXPECT_TRUE(job->CurWk()->application()->visible());
    EXPECT_EQ(job->CurWk()->sheets().size(), 3u);
    // A second DoEnd works on the same workbook again.
    EXPECT_TRUE(job->DoEnd("", false));
    EXPECT_EQ(job->CurWk(), nullptr);
}

TEST(CExcelBatDoFlow, NewWorkbookIsSavedUnderTheDefaultName) {
    TempDir dir;
    auto previous = fs::current_path();
    fs::current_path(dir.path());
    auto job = CExcelBatDo::create();
    ASSERT_TRUE(job->DoBegin());
    EXPECT_TRUE(job->CurWk()->path().empty());
    EXPECT_TRUE(job->DoEnd());
    bool found = false;
    for (auto& e : fs::directory_iterator(dir.path())) {
        auto name = e.path().filename().string();
        if (name.rfind("Book", 0) == 0 && e.path().extension() == ".xlsx") found = true;
    }
    fs::current_path(previous);
    EXPECT_TRUE(found);
}

// ---- jobs that share a template cache ----

std::shared_ptr<CExcelBatDo> jobWithCache(const std::shared_ptr<host::xlsx::TemplateCache>& templates) {
    host::files::FileOptions options;
    options.templates = templates;
    auto job = CExcelBatDo::create();
    job->setFileOptions(options);
    return job;
}

// One report the usual way: copy, open the copy, fill the invoice sheet, save in place.
void makeCachedReport(const std::shared_ptr<host::xlsx::TemplateCache>& templates, const fs::path& source,
                      const fs::path& target, const std::string& text) {
    auto job = jobWithCache(templates);
    ASSERT_TRUE(job->DoCopy(source.string(), target.string()));
    ASSERT_TRUE(job->DoBegin(target.string(), false));
    job->DoAddSheet("Invoice");
    common::MCommExcel::GetWorksheetByName(job->CurWk(), "Invoice", false, true)->range("B1").setValue(com::Variant(text));
    ASSERT_TRUE(job->DoEnd());
}

std::string cellText(const fs::path& file, const std::string& address) {
    auto application = host::files::newApplication();
    auto workbook = application->open(file.string());
    auto sheet = workbook->worksheets().front();
    std::string text = com::toText(sheet->range(address).value());
    workbook->close();
    return text;
}

TEST(CExcelBatDoCache, CopiesOfACachedTemplateAreOpenedFromMemory) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto templates = std::make_shared<host::xlsx::TemplateCache>();
    for (int n = 0; n < 3; ++n) makeCachedReport(templates, source, dir.file("r" + std::to_string(n) + ".xlsx"), "n" + std::to_string(n));
    EXPECT_EQ(templates->fileReads(), 1u);
    for (int n = 0; n < 3; ++n) {
        fs::path report = dir.file("r" + std::to_string(n) + ".xlsx");
        EXPECT_EQ(sheetNamesOf(report), std::vector<std::string>{"Invoice"});
        EXPECT_EQ(cellText(report, "A1"), "invoice");
        EXPECT_EQ(cellText(report, "B1"), "n" + std::to_string(n));  // nothing of the report before
    }
}

TEST(CExcelBatDoCache, ACopyChangedAfterDoCopyIsReadFromItsFile) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto other = dir.file("other.xlsx");
    {
        auto application = host::files::newApplication();
        auto workbook = application->add();
        workbook->worksheets().front()->setName("Invoice");
        workbook->worksheets().front()->range("A1").setValue(com::Variant("replaced"));
        workbook->saveAs(other.string());
        workbook->close();
    }
    auto templates = std::make_shared<host::xlsx::TemplateCache>();
    auto job = jobWithCache(templates);
    auto target = dir.file("report.xlsx");
    ASSERT_TRUE(job->DoCopy(source.string(), target.string()));
    fs::copy_file(other, target, fs::copy_options::overwrite_existing);  // someone else's file now
    ASSERT_TRUE(job->DoBegin(target.string(), false));
    EXPECT_EQ(com::toText(job->CurWk()->worksheets().front()->range("A1").value()), "replaced");
    EXPECT_EQ(templates->fileReads(), 2u);
    job->DoEnd("", false);
}

TEST(CExcelBatDoCache, AnyFileIsStillCopiedAndAMissingOneStillFails) {
    TempDir dir;
    auto templates = std::make_shared<host::xlsx::TemplateCache>();
    auto job = jobWithCache(templates);
    auto notes = dir.file("notes.xlsx");
    { std::ofstream(notes) << "not a workbook"; }
    EXPECT_TRUE(job->DoCopy(notes.string(), dir.file("copy.xlsx").string()));
    std::ifstream copy(dir.file("copy.xlsx"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "not a workbook");
    EXPECT_FALSE(job->DoCopy(dir.file("missing.xlsx").string(), dir.file("copy2.xlsx").string()));
    EXPECT_FALSE(fs::exists(dir.file("copy2.xlsx")));
    EXPECT_EQ(templates->heldBytes(), 0u);
}

TEST(CExcelBatDoFailures, EndWithoutWorkbookAndFailedSave) {
    TempDir dir;
    auto job = CExcelBatDo::create();
    EXPECT_FALSE(job->DoEnd());
    EXPECT_FALSE(job->DoBegin(dir.file("missing.xlsx").string()));
    EXPECT_EQ(job->CurWk(), nullptr);

    auto source = makeTemplate(dir);
    ASSERT_TRUE(job->DoBegin(source.string()));
    // A folder that does not exist: the save fails, the workbook is closed without saving.
    EXPECT_FALSE(job->DoEnd(dir.file("no/such/folder/out.xlsx").string()));
    EXPECT_EQ(job->CurWk(), nullptr);
    EXPECT_EQ(sheetNamesOf(source).size(), 3u);
}

TEST(CExcelBatDoDispatch, MembersByNameAndIdentifier) {
    TempDir dir;
    auto source = makeTemplate(dir);
    auto job = CExcelBatDo::create();
    com::Dispatch& d = *job;
    EXPECT_FALSE(d.call("DoCopy").asBool());  // both names omitted: empty, so the copy fails
    auto target = dir.file("t.xlsx").string();
    EXPECT_TRUE(d.call("DoCopy", {com::Variant(source.string()), com::Variant(target)}).asBool());
    std::vector<com::Variant> args{com::Variant(target)};
    EXPECT_TRUE(d.Invoke(d.GetIDsOfNames("doBegin"), com::MemberKind::Method, args).asBool());
    EXPECT_TRUE(d.get("IsDelUnUse").asBool());
    d.put("IsDelUnUse", com::Variant(false));
    EXPECT_FALSE(job->IsDelUnUse());
    auto workbook = com::objectAs<host::Workbook>(d.get("CurWk"));
    EXPECT_EQ(workbook, job->CurWk());
    d.call("DoAddSheet", {com::Variant("Data")});
    EXPECT_EQ(job->usedSheets().front(), "Data");
    EXPECT_THROW(d.call("DoAddSheet"), com::Error);
    d.put("CurWk", com::Variant(com::ObjectPtr()));
    EXPECT_EQ(job->CurWk(), nullptr);
    d.put("CurWk", com::objectVariant(workbook));
    EXPECT_TRUE(d.call("DoEnd").asBool());
}

TEST(SheetAcquisition, LooksUpWithoutCreatingAndRegisters) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    workbook->worksheets().front()->setName("Sales");
    EXPECT_NE(common::MCommExcel::GetWorksheetByName(workbook, "sales", false, true), nullptr);
    EXPECT_EQ(workbook->worksheets().front()->name(), "Sales");
    EXPECT_EQ(common::MCommExcel::GetWorksheetByName(workbook, "Sale", false, true), nullptr);
    EXPECT_EQ(workbook->sheets().size(), 1u);

    auto job = CExcelBatDo::create();
    std::shared_ptr<host::Worksheet> sheet;
    EXPECT_FALSE(common::MCommExcelIn::AcquireTargetSheet(workbook, sheet, job, "", false, true));
    EXPECT_TRUE(common::MCommExcelIn::AcquireTargetSheet(workbook, sheet, job, "New", true, false));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(workbook->sheets().back()->name(), "New");
    EXPECT_EQ(job->usedSheets().front(), "New");
    EXPECT_TRUE(common::MCommExcelIn::AcquireTargetSheet(workbook, sheet, job, "", false, true));
    EXPECT_EQ(job->usedSheets().size(), 2u);
    // A refused name: the error reaches the caller, the added sheet stays.
    EXPECT_THROW(common::MCommExcel::GetWorksheetByName(workbook, "bad/name", true, false), com::Error);
    EXPECT_EQ(workbook->sheets().size(), 3u);
}

TEST(SheetAcquisition, NameListComparison) {
    std::vector<std::string> names{"Alpha", ""};
    EXPECT_TRUE(common::MCommExcel::IsNameInList(names, "ALPHA", false));
    EXPECT_FALSE(common::MCommExcel::IsNameInList(names, "ALPHA", true));
    EXPECT_TRUE(common::MCommExcel::IsNameInList(names, "", false));
    EXPECT_FALSE(common::MCommExcel::IsNameInList({}, "x", false));
}

TEST(SheetAcquisition, OpenAndClose) {
    TempDir dir;
    EXPECT_EQ(common::MCommExcel::OpenWorkbookInExcel(dir.file("none.xlsx").string(), false), nullptr);
    auto blank = common::MCommExcel::OpenWorkbookInExcel("", true);
    ASSERT_NE(blank, nullptr);
    EXPECT_TRUE(blank->application()->visible());
    EXPECT_FALSE(blank->application()->displayAlerts());
    auto application = blank->application();
    common::MCommExcel::CloseWorkbookAndExcel(blank);
    EXPECT_EQ(blank, nullptr);
    EXPECT_TRUE(application->hasQuit());
}

}  // namespace
}  // namespace tavlora::printjob
