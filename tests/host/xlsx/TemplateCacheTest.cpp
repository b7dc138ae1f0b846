#include "host/xlsx/TemplateCache.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <thread>
#include <vector>

#include "com/Conversions.h"
#include "com/Error.h"
#include "com/Variant.h"
#include "host/Application.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/RangeFind.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/format/Styles.h"
#include "host/xlsx/PackageSnapshot.h"
#include "host/xlsx/ParsedTemplate.h"
#include "host/xlsx/PartHead.h"
#include "host/xlsx/SavedPartMemo.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;
using host::xlsx::TemplateCache;

// A template whose one sheet "Data" holds `text` in A1 and a number in B1.
void writeTemplate(const fs::path& path, const std::string& text) {
    PartList parts = packageWithRows("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text +
                                     "</t></is></c><c r=\"B1\"><v>41</v></c></row>");
    writeZip(path, parts);
}

std::string firstCellOf(host::Application& application, const fs::path& path) {
    auto workbook = application.open(path.string());
    std::string text = com::toText(workbook->worksheets().front()->cell(1, 1).value());
    workbook->close();
    return text;
}

// Fills and saves one report from the template, as a report run does.
void makeReport(host::Application& application, const fs::path& templatePath, const fs::path& out, int n) {
    auto workbook = application.open(templatePath.string());
    auto sheet = workbook->worksheets().front();
    sheet->cell(2, 1).setValue(com::Variant("report " + std::to_string(n)));
    sheet->cell(2, 2).setValue(com::Variant(static_cast<int32_t>(n)));
    workbook->saveAs(out.string());
    workbook->close();
}

void setModificationTime(const fs::path& path, const struct stat& from) {
    struct timespec times[2] = {from.st_atim, from.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class TemplateCacheTest : public ::testing::Test {
protected:
    std::shared_ptr<host::Application> cachedApplication() {
        host::files::FileOptions options;
        options.templates = cache_;
        return host::files::newApplication(options);
    }

    TempDir dir_;
    std::shared_ptr<TemplateCache> cache_ = std::make_shared<TemplateCache>();
};

TEST_F(TemplateCacheTest, AnUnchangedTemplateIsReadOnce) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "first");
    auto application = cachedApplication();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(firstCellOf(*application, path), "first");
    EXPECT_EQ(cache_->fileReads(), 1u);
}

TEST_F(TemplateCacheTest, AChangedTemplateIsReadAgain) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "first");
    auto application = cachedApplication();
    EXPECT_EQ(firstCellOf(*application, path), "first");

    // Rewritten in place, the same size, and its modification time set back: the status-change
    // time still tells.
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    writeTemplate(path, "other");
    setModificationTime(path, before);
    EXPECT_EQ(firstCellOf(*application, path), "other");

    // Replaced by another file (a new inode) under the same name.
    fs::path other = dir_.file("next.xlsx");
    writeTemplate(other, "third");
    fs::rename(other, path);
    EXPECT_EQ(firstCellOf(*application, path), "third");
    EXPECT_EQ(cache_->fileReads(), 3u);
}

TEST_F(TemplateCacheTest, AMissingTemplateIsTheUsualErrorAndNothingIsKept) {
    fs::path path = dir_.file("gone.xlsx");
    auto application = cachedApplication();
    EXPECT_THROW(application->open(path.string()), com::Error);
    EXPECT_EQ(cache_->heldBytes(), 0u);
    writeTemplate(path, "now here");
    EXPECT_EQ(firstCellOf(*application, path), "now here");
}

TEST_F(TemplateCacheTest, BeyondItsBudgetTheLeastRecentlyUsedTemplateIsDropped) {
    fs::path a = dir_.file("a.xlsx"), b = dir_.file("b.xlsx");
    writeTemplate(a, "a");
    writeTemplate(b, "b");
    size_t one = TemplateCache().package(a.string())->heldBytes();
    cache_ = std::make_shared<TemplateCache>(one + one / 2);  // room for one of them
    auto application = cachedApplication();
    firstCellOf(*application, a);
    firstCellOf(*application, b);
    firstCellOf(*application, b);
    EXPECT_EQ(cache_->fileReads(), 2u);
    EXPECT_LE(cache_->heldBytes(), one + one / 2);
    firstCellOf(*application, a);
    EXPECT_EQ(cache_->fileReads(), 3u) << "a should have been dropped for b";
}

// The package `cache` gives a new thread for `path`.
std::shared_ptr<const host::xlsx::PackageSnapshot> packageOnAnotherThread(TemplateCache& cache, const fs::path& path) {
    std::shared_ptr<const host::xlsx::PackageSnapshot> package;
    std::thread([&] { package = cache.package(path.string()); }).join();
    return package;
}

TEST_F(TemplateCacheTest, EachThreadOpensASmallTemplateFromALaneOfItsOwn) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    auto mine = cache_->package(path.string());
    auto other = packageOnAnotherThread(*cache_, path);
    EXPECT_EQ(cache_->package(path.string()), mine);  // the same thread, the same lane
    ASSERT_NE(other, mine);
    EXPECT_NE(&other->parsedTemplate(), &mine->parsedTemplate());
    EXPECT_NE(other->savedParts(), mine->savedParts());
    EXPECT_EQ(cache_->fileReads(), 1u);
    EXPECT_EQ(cache_->heldBytes(), mine->heldBytes());  // the bytes once, whatever the lanes
    // The lanes hand out the one copy of the bytes, each counted on its own.
    const host::xlsx::ZipEntry* entry = other->find("xl/worksheets/sheet1.xml");
    ASSERT_NE(entry, nullptr);
    std::shared_ptr<const std::string> bytes = other->sharedBytes(*entry);
    EXPECT_EQ(bytes.get(), mine->sharedBytes(*mine->find("xl/worksheets/sheet1.xml")).get());
    // Held bytes outlive the cache and the lane they came from.
    other.reset();
    mine.reset();
    cache_.reset();
    EXPECT_NE(bytes->find("title"), std::string::npos);
}

TEST_F(TemplateCacheTest, BeyondTheLanesOrForALargeTemplateThreadsShareALane) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    TemplateCache oneLane(size_t(256) << 20, 1);
    auto mine = oneLane.package(path.string());
    EXPECT_EQ(packageOnAnotherThread(oneLane, path), mine);

    fs::path large = dir_.file("large.xlsx");
    PartList parts = packageWithRows("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    parts.emplace_back("xl/media/large.bin", std::string(TemplateCache::kLargestLaned, 'x'));
    writeZip(large, parts);
    auto largeMine = cache_->package(large.string());
    EXPECT_EQ(packageOnAnotherThread(*cache_, large), largeMine);
    // A noted copy is opened from its original's lanes: the same memos.
    fs::path copy = dir_.file("copy.xlsx");
    fs::copy_file(path, copy);
    cache_->package(path.string());
    cache_->noteCopy(path.string(), copy.string());
    EXPECT_EQ(cache_->package(copy.string()), cache_->package(path.string()));
    EXPECT_EQ(cache_->fileReads(), 2u);
}

TEST_F(TemplateCacheTest, ACachedTemplateMakesTheSameReportAsAFreshRead) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    auto plain = host::files::newApplication();
    auto cached = cachedApplication();
    firstCellOf(*cached, path);  // the next open is answered from memory
    makeReport(*plain, path, dir_.file("plain.xlsx"), 7);
    makeReport(*cached, path, dir_.file("cached.xlsx"), 7);
    EXPECT_EQ(cache_->fileReads(), 1u);
    EXPECT_EQ(zipListing(dir_.file("plain.xlsx")), zipListing(dir_.file("cached.xlsx")));
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/styles.xml", "xl/workbook.xml", "[Content_Types].xml"})
        EXPECT_EQ(zipPartText(dir_.file("plain.xlsx"), part), zipPartText(dir_.file("cached.xlsx"), part)) << part;
    EXPECT_EQ(describeWorkbook(*readXlsx(dir_.file("plain.xlsx"))), describeWorkbook(*readXlsx(dir_.file("cached.xlsx"))));
}

// Every part of a saved file, unpacked: what a reader sees, whatever the archive's dates.
std::vector<std::pair<std::string, std::string>> partsOf(const fs::path& file) {
    std::vector<std::pair<std::string, std::string>> parts;
    auto package = TemplateCache().package(file.string());
    for (const auto& entry : package->entries()) parts.emplace_back(entry.name, package->readString(entry));
    return parts;
}

TEST_F(TemplateCacheTest, EveryPartOfACachedReportIsThatOfAFreshRead) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    auto plain = host::files::newApplication();
    auto cached = cachedApplication();
    for (int n = 0; n < 3; ++n) {  // the later saves copy the parts the first one deflated
        makeReport(*plain, path, dir_.file("plain.xlsx"), n);
        makeReport(*cached, path, dir_.file("cached.xlsx"), n);
        EXPECT_EQ(partsOf(dir_.file("plain.xlsx")), partsOf(dir_.file("cached.xlsx"))) << "report " << n;
    }
    EXPECT_GT(cache_->package(path.string())->savedParts()->heldBytes(), 0u);
}

// ---- searches of reports copied from one parsed template ----

// Sheet "Data" holds placeholders (%...%) among plain cells, a formula that always shows one and a
// formula that shows what "Other"!A1 holds; "Other" is a second sheet.
void writePlaceholderTemplate(const fs::path& path) {
    PartList parts = packageWithRows(
        R"(<row r="1"><c r="A1" t="inlineStr"><is><t>%Title%</t></is></c><c r="B1"><v>41</v></c></row>)"
        R"(<row r="2"><c r="A2" t="inlineStr"><is><t>plain</t></is></c><c r="B2" t="inlineStr"><is><t>%Name%</t></is></c></row>)"
        R"(<row r="3"><c r="A3"><f>"%"&amp;"Calc"&amp;"%"</f><v>0</v></c><c r="B3"><f>Other!A1</f><v>0</v></c></row>)"
        R"(<row r="4"><c r="A4"><v>7</v></c><c r="C4" t="inlineStr"><is><t>%Total%</t></is></c></row>)");
    for (auto& [name, bytes] : parts) {
        if (name == "[Content_Types].xml")
            bytes.insert(bytes.find("</Types>"),
                         R"(<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)");
        if (name == "xl/workbook.xml")
            bytes.insert(bytes.find("</sheets>"), R"(<sheet name="Other" sheetId="2" r:id="rId3"/>)");
        if (name == "xl/_rels/workbook.xml.rels")
            bytes.insert(bytes.find("</Relationships>"), officeRelationship("rId3", "worksheet", "worksheets/sheet2.xml"));
    }
    parts.emplace_back("xl/worksheets/sheet2.xml",
                       R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                       R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>quiet</t></is></c></row></sheetData></worksheet>)");
    writeZip(path, parts);
}

// The placeholders a report's scan finds after `edit`, by address.
std::vector<std::string> placeholdersAfter(host::Application& application, const fs::path& path,
                                           const std::function<void(host::Workbook&, host::Worksheet&)>& edit) {
    auto workbook = application.open(path.string());
    auto sheet = workbook->worksheets().front();
    edit(*workbook, *sheet);
    std::vector<std::string> found;
    for (const host::Range& hit : host::findEach(sheet->usedRange(), "%*%")) found.push_back(hit.address());
    workbook->close();
    return found;
}

// The sheets copied from one parsed template find their placeholders where a fresh read of the
// template finds them, whatever a report changed before its scan: a kept search is used only while
// the sheet's cells are those of the copy, and formulas are compared again every time.
TEST_F(TemplateCacheTest, SearchesOfCopiesFindWhatAFreshReadFinds) {
    fs::path path = dir_.file("placeholders.xlsx");
    writePlaceholderTemplate(path);
    using Edit = std::function<void(host::Workbook&, host::Worksheet&)>;
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"nothing", [](host::Workbook&, host::Worksheet&) {}},
        {"a placeholder written", [](host::Workbook&, host::Worksheet& s) { s.range("D2").setValue(com::Variant("%New%")); }},
        {"a placeholder overwritten", [](host::Workbook&, host::Worksheet& s) { s.range("B2").setValue(com::Variant("done")); }},
        {"a row deleted above", [](host::Workbook&, host::Worksheet& s) { s.deleteRows(2, 1); }},
        {"a column deleted", [](host::Workbook&, host::Worksheet& s) { s.deleteColumns(1, 1); }},
        {"a cell emptied", [](host::Workbook&, host::Worksheet& s) { s.range("A1").clear(); }},
        {"a number formatted to show marks",
         [](host::Workbook&, host::Worksheet& s) { s.range("B1").setNumberFormatLocal("\"%\"0\"%\""); }},
        {"a formula's source on another sheet",
         [](host::Workbook& b, host::Worksheet&) { b.worksheets().back()->range("A1").setValue(com::Variant("%Late%")); }},
        {"a formula written", [](host::Workbook&, host::Worksheet& s) { s.range("A4").setFormula("=\"%\"&\"F\"&\"%\""); }},
    };
    auto fresh = host::files::newApplication();
    auto cached = cachedApplication();
    // The first open parses the template; the second, a copy left unchanged, keeps its search.
    for (int i = 0; i < 2; ++i) placeholdersAfter(*cached, path, edits.front().second);
    for (int round = 0; round < 2; ++round) {
        for (const auto& [what, edit] : edits)
            EXPECT_EQ(placeholdersAfter(*cached, path, edit), placeholdersAfter(*fresh, path, edit)) << what;
    }
    // In Find's order: after the top-left cell, which comes last.
    EXPECT_EQ(placeholdersAfter(*cached, path, edits.front().second),
              (std::vector<std::string>{"$B$2", "$A$3", "$C$4", "$A$1"}));
    EXPECT_EQ(cache_->fileReads(), 1u);
}

TEST_F(TemplateCacheTest, EditsOfOneReportNeverReachTheNext) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    auto plain = host::files::newApplication();
    auto cached = cachedApplication();
    makeReport(*plain, path, dir_.file("untouched.xlsx"), 1);

    // A report that renames its sheet, adds a sheet, a cell far out and a format of its own.
    auto edited = cached->open(path.string());
    auto sheet = edited->worksheets().front();
    sheet->setName("Edited");
    sheet->cell(99, 26).setValue(com::Variant("leak"));
    sheet->range("A1").font().setBold(true);
    edited->addWorksheet();
    edited->saveAs(dir_.file("edited.xlsx").string());
    edited->close();

    makeReport(*cached, path, dir_.file("next.xlsx"), 1);
    EXPECT_EQ(partsOf(dir_.file("untouched.xlsx")), partsOf(dir_.file("next.xlsx")));
    EXPECT_NE(zipPartText(dir_.file("edited.xlsx"), "xl/styles.xml"), zipPartText(dir_.file("next.xlsx"), "xl/styles.xml"));
    auto next = readXlsx(dir_.file("next.xlsx"));
    ASSERT_EQ(next->sheets().size(), 1u);
    EXPECT_EQ(next->sheets().front()->name(), "Data");
    EXPECT_EQ(com::toText(next->worksheets().front()->cell(99, 26).value()), "");
    EXPECT_EQ(cache_->fileReads(), 1u);
}

// ---- reports made from the parsed template ----

// What a report run may do to every worksheet: new texts and numbers, a derived format, a merge,
// a wider column, a deleted row (which moves the kept XML and the cells' kept extras).
void editEverySheet(host::Workbook& workbook, int n) {
    for (const auto& sheet : workbook.worksheets()) {
        sheet->cell(1, 1).setValue(com::Variant("edited " + std::to_string(n)));
        sheet->cell(300, 40).setValue(com::Variant(static_cast<int32_t>(n)));
        sheet->range("B2").font().setBold(true);
        sheet->range("D7:E8").merge();
        sheet->range("C1").setColumnWidth(31);
        try {
            sheet->deleteRows(3, 1);
        } catch (const com::Error&) {
            // Refused alike with or without the cache (a merge or a table in the way).
        }
    }
}

void saveReport(host::Application& application, const fs::path& templatePath, const fs::path& out, int edits) {
    auto workbook = application.open(templatePath.string());
    if (edits >= 0) editEverySheet(*workbook, edits);
    workbook->saveAs(out.string());
    workbook->close();
}

// What a report may do to the workbook beyond its cells: rename a sheet, drop one, add a chart
// (the workbook part, the relationships, the content types and the kept parts all change).
void savePackageEditedReport(host::Application& application, const fs::path& templatePath, const fs::path& out) {
    auto workbook = application.open(templatePath.string());
    workbook->sheets().front()->setName("Renamed");
    if (workbook->sheets().size() > 1) {
        try {
            workbook->sheets().back()->deleteSheet();
        } catch (const com::Error&) {
            // Refused alike with or without the cache.
        }
    }
    if (!workbook->worksheets().empty()) workbook->worksheets().front()->addChartObject(10, 10, 200, 100);
    workbook->saveAs(out.string());
    workbook->close();
}

// Names the parts that differ and shows where, rather than printing whole packages.
std::string partDifferences(const fs::path& actual, const fs::path& expected) {
    auto a = partsOf(actual), e = partsOf(expected);
    std::string out;
    for (size_t i = 0; i < std::max(a.size(), e.size()); ++i) {
        if (i < a.size() && i < e.size() && a[i] == e[i]) continue;
        if (i >= a.size() || i >= e.size() || a[i].first != e[i].first) {
            out += "part " + std::to_string(i) + ": " + (i < a.size() ? a[i].first : "(none)") + " where " +
                   (i < e.size() ? e[i].first : "(none)") + " was expected\n";
            continue;
        }
        const std::string &x = a[i].second, &y = e[i].second;
        size_t at = 0;
        while (at < x.size() && at < y.size() && x[at] == y[at]) ++at;
        size_t from = at > 80 ? at - 80 : 0;
        out += a[i].first + " differs at " + std::to_string(at) + ":\n  got      ..." + x.substr(from, 200) +
               "\n  expected ..." + y.substr(from, 200) + "\n";
    }
    return out;
}

// A workbook whose formulas draw random numbers or read the clock saves other values every time,
// with the cache or without.
bool hasVolatileFormulas(const fs::path& file) {
    for (const auto& [name, text] : partsOf(file))
        for (const char* function : {"RAND()", "RANDBETWEEN(", "NOW()", "TODAY()"})
            if (name.find("worksheets/") != std::string::npos && text.find(function) != std::string::npos) return true;
    return false;
}

class ParsedTemplateReports : public ::testing::TestWithParam<std::string> {};

// The first open parses the template and keeps what it read, the later ones copy that: whatever
// the first report and the ones between did to their copies, each report is what a fresh read of
// the file would have made, part by part, edited or not.
TEST_P(ParsedTemplateReports, EveryReportIsThatOfAFreshRead) {
    TempDir dir;
    fs::path templatePath = dir.file(GetParam());
    fs::copy_file(fixture(GetParam()), templatePath);
    if (hasVolatileFormulas(templatePath)) GTEST_SKIP() << "its formulas give other values at every save";
    std::string extension = templatePath.extension().string();
    auto plain = host::files::newApplication();
    host::files::FileOptions options;
    options.templates = std::make_shared<TemplateCache>();
    auto cached = host::files::newApplication(options);

    saveReport(*plain, templatePath, dir.file("plain" + extension), -1);
    saveReport(*plain, templatePath, dir.file("plain-edited" + extension), 5);
    saveReport(*cached, templatePath, dir.file("first" + extension), 5);  // parses, then edits
    saveReport(*cached, templatePath, dir.file("copied" + extension), -1);
    saveReport(*cached, templatePath, dir.file("copied-edited" + extension), 5);
    saveReport(*cached, templatePath, dir.file("after" + extension), -1);
    savePackageEditedReport(*plain, templatePath, dir.file("plain-package" + extension));
    savePackageEditedReport(*cached, templatePath, dir.file("package" + extension));
    saveReport(*cached, templatePath, dir.file("after-package" + extension), -1);
    EXPECT_EQ(options.templates->fileReads(), 1u);

    fs::path expected = dir.file("plain" + extension), expectedEdited = dir.file("plain-edited" + extension);
    EXPECT_NE(partsOf(expected), partsOf(expectedEdited));
    EXPECT_EQ(partDifferences(dir.file("first" + extension), expectedEdited), "");
    EXPECT_EQ(partDifferences(dir.file("copied" + extension), expected), "");
    EXPECT_EQ(partDifferences(dir.file("copied-edited" + extension), expectedEdited), "");
    EXPECT_EQ(partDifferences(dir.file("after" + extension), expected), "");
    EXPECT_NE(partsOf(dir.file("plain-package" + extension)), partsOf(expected));
    EXPECT_EQ(partDifferences(dir.file("package" + extension), dir.file("plain-package" + extension)), "");
    EXPECT_EQ(partDifferences(dir.file("after-package" + extension), expected), "");
}

TEST(ParsedTemplateLimit, OnlyASmallTemplateIsKeptParsed) {
    TempDir dir;
    fs::path small = dir.file("small.xlsx"), large = dir.file("large.xlsx");
    writeTemplate(small, "small");
    PartList parts = packageWithRows("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>large</t></is></c></row>");
    std::string noise(host::xlsx::ParsedTemplate::kLargestPackage / 2 + 1, '\0');
    uint32_t state = 7;
    for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    parts.emplace_back("xl/media/noise.bin", noise);  // held unpacked and packed: over the limit
    writeZip(large, parts);
    host::files::FileOptions options;
    options.templates = std::make_shared<TemplateCache>();
    auto application = host::files::newApplication(options);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(firstCellOf(*application, small), "small");
        EXPECT_EQ(firstCellOf(*application, large), "large");
    }
    EXPECT_EQ(options.templates->fileReads(), 2u);
    EXPECT_NE(options.templates->package(small.string())->parsedTemplate().get(), nullptr);
    EXPECT_EQ(options.templates->package(large.string())->parsedTemplate().get(), nullptr);
}

// Both threads copy the one parsed template at once while editing their copies (run under the
// sanitizers, this is where a shared node or count would show): one lane, so that the threads
// share it as threads beyond the lanes do.
TEST(ParsedTemplateThreads, TwoThreadsEditCopiesOfOneParsedTemplate) {
    TempDir dir;
    fs::path templatePath = dir.file("budget.xlsx");
    fs::copy_file(fixture("excel_budget_template_chart_tables.xlsx"), templatePath);
    host::files::FileOptions options;
    options.templates = std::make_shared<TemplateCache>(size_t(256) << 20, 1);
    constexpr int kReports = 12;
    std::string failures[2];
    auto run = [&](int thread) {
        try {
            auto application = host::files::newApplication(options);
            for (int n = thread; n < kReports; n += 2)
                saveReport(*application, templatePath, dir.file("report" + std::to_string(n) + ".xlsx"), n);
        } catch (const std::exception& error) {
            failures[thread] = error.what();
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
    // Both threads made their reports' charts from the parts as the first read parsed them.
    auto parsed = options.templates->package(templatePath.string())->parsedTemplate().get();
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->chartParts().count("xl/drawings/drawing1.xml"), 1u);
    EXPECT_EQ(parsed->chartParts().count("xl/charts/chart1.xml"), 1u);
    auto plain = host::files::newApplication();
    for (int n : {0, 1, kReports - 1}) {
        saveReport(*plain, templatePath, dir.file("plain.xlsx"), n);
        EXPECT_EQ(partDifferences(dir.file("report" + std::to_string(n) + ".xlsx"), dir.file("plain.xlsx")), "") << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ParsedTemplateReports, ::testing::ValuesIn(fixtureNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// ---- copies noted by a print job ----

// A template with rows of its own above the filled ones, as an invoice has: its reports' sheets
// and texts start alike, and the later saves deflate only what follows that start. Every report is
// still that of a fresh read; a template changed on disk starts afresh.
TEST_F(TemplateCacheTest, ReportsThatStartAlikeAreThoseOfAFreshRead) {
    fs::path path = dir_.file("invoice.xlsx");
    auto writeLabels = [&](const std::string& label) {
        std::string rows;
        for (int r = 1; r <= 30; ++r) {
            std::string n = std::to_string(r);
            rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"inlineStr\"><is><t>" + label + " " + n +
                    "</t></is></c></row>";
        }
        writeZip(path, packageWithRows(rows));
    };
    auto report = [&](host::Application& application, const fs::path& out, int n) {
        auto workbook = application.open(path.string());
        auto sheet = workbook->worksheets().front();
        for (int k = 0; k < 20; ++k) {
            sheet->cell(40 + k, 2).setValue(com::Variant(static_cast<int32_t>(n * 100 + k)));
            sheet->cell(40 + k, 3).setValue(com::Variant("line " + std::to_string(n) + "." + std::to_string(k)));
        }
        workbook->saveAs(out.string());
        workbook->close();
    };
    auto plain = host::files::newApplication();
    auto cached = cachedApplication();
    for (const std::string label : {"label", "caption"}) {
        writeLabels(label);
        for (int n = 0; n < 5; ++n) {
            report(*plain, dir_.file("plain.xlsx"), n);
            report(*cached, dir_.file("cached.xlsx"), n);
            EXPECT_EQ(partDifferences(dir_.file("cached.xlsx"), dir_.file("plain.xlsx")), "") << label << " " << n;
        }
        auto memo = cache_->package(path.string())->savedParts();
        for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
            EXPECT_GT(memo->headOf(part)->size(), 256u) << part;
            EXPECT_EQ(memo->headOf(part)->reuses(), 3u) << part;  // the third report on
        }
    }
    EXPECT_EQ(cache_->fileReads(), 2u);
}

TEST_F(TemplateCacheTest, ANotedCopyIsOpenedFromMemoryUntilItChanges) {
    fs::path path = dir_.file("invoice.xlsx"), copy = dir_.file("report.xlsx");
    writeTemplate(path, "title");
    auto application = cachedApplication();
    firstCellOf(*application, path);
    size_t held = cache_->heldBytes();
    fs::copy_file(path, copy);
    cache_->noteCopy(path.string(), copy.string());
    EXPECT_EQ(cache_->heldBytes(), held) << "a copy shares its template's package";
    EXPECT_EQ(firstCellOf(*application, copy), "title");
    EXPECT_EQ(cache_->fileReads(), 1u);

    writeTemplate(copy, "changed");  // the report file rewritten in place
    EXPECT_EQ(firstCellOf(*application, copy), "changed");
    EXPECT_EQ(firstCellOf(*application, path), "title");
    EXPECT_EQ(cache_->fileReads(), 2u);
}

TEST_F(TemplateCacheTest, ACopyOfATemplateChangedSinceItWasReadIsNotNoted) {
    fs::path path = dir_.file("invoice.xlsx"), copy = dir_.file("report.xlsx");
    writeTemplate(path, "first");
    auto application = cachedApplication();
    firstCellOf(*application, path);
    writeTemplate(path, "second");  // the copy below holds these bytes, not the package in memory
    fs::copy_file(path, copy);
    cache_->noteCopy(path.string(), copy.string());
    EXPECT_EQ(firstCellOf(*application, copy), "second");
    cache_->noteCopy(dir_.file("gone.xlsx").string(), copy.string());  // nothing to note, no failure
    EXPECT_EQ(cache_->fileReads(), 2u);
}

TEST_F(TemplateCacheTest, NotedCopiesBeyondTheFileLimitAreDroppedOldestFirst) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    auto application = cachedApplication();
    firstCellOf(*application, path);
    std::vector<fs::path> copies;
    for (size_t i = 0; i < TemplateCache::kMostFiles + 10; ++i) {
        copies.push_back(dir_.file("copy" + std::to_string(i) + ".xlsx"));
        fs::copy_file(path, copies.back());
        cache_->noteCopy(path.string(), copies.back().string());
    }
    EXPECT_EQ(firstCellOf(*application, copies.back()), "title");
    EXPECT_EQ(cache_->fileReads(), 1u);
    EXPECT_EQ(firstCellOf(*application, copies.front()), "title");
    EXPECT_EQ(cache_->fileReads(), 2u) << "the oldest copy should have been dropped";
}

TEST_F(TemplateCacheTest, TwoThreadsShareOneCachedTemplate) {
    fs::path path = dir_.file("invoice.xlsx");
    writeTemplate(path, "title");
    constexpr int kReports = 40;
    std::string failures[2];
    auto run = [&](int thread) {
        try {
            auto application = cachedApplication();  // each thread its own application
            for (int n = thread; n < kReports; n += 2)
                makeReport(*application, path, dir_.file("report" + std::to_string(n) + ".xlsx"), n);
        } catch (const std::exception& error) {
            failures[thread] = error.what();
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
    EXPECT_LE(cache_->fileReads(), 2u);  // both threads may miss at once, never more
    auto plain = host::files::newApplication();
    makeReport(*plain, path, dir_.file("plain.xlsx"), 0);
    EXPECT_EQ(partsOf(dir_.file("plain.xlsx")), partsOf(dir_.file("report0.xlsx")));
    for (int n = 0; n < kReports; ++n) {
        auto report = readXlsx(dir_.file("report" + std::to_string(n) + ".xlsx"));
        auto sheet = report->worksheets().front();
        EXPECT_EQ(com::toText(sheet->cell(1, 1).value()), "title");
        EXPECT_EQ(com::toText(sheet->cell(2, 1).value()), "report " + std::to_string(n));
        EXPECT_EQ(com::toText(sheet->cell(2, 2).value()), std::to_string(n));
    }
}

}  // namespace
}  // namespace tavlora::test
