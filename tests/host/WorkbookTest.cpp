#include "SheetFixture.h"
#include "host/files/NewApplication.h"

#include <filesystem>

#include "support/TestPaths.h"
#include "host/chart/ChartSheet.h"

namespace tavlora::host::test {
namespace {

using com::Variant;
using WorkbookTest = SheetFixture;

std::vector<std::string> sheetNames(const Workbook& book) {
    std::vector<std::string> names;
    for (const auto& s : book.sheets()) names.push_back(s->name());
    return names;
}

TEST_F(WorkbookTest, NewWorkbooksAreNamedPerApplication) {
    EXPECT_EQ(book->name(), "Book1");
    EXPECT_EQ(sheetNames(*book), (std::vector<std::string>{"Sheet1"}));
    EXPECT_EQ(book->path(), "");
    auto second = app->add();
    EXPECT_EQ(second->name(), "Book2");
    EXPECT_EQ(app->workbooks().size(), 2u);
    // Another application counts on its own.
    auto other = files::newApplication();
    EXPECT_EQ(other->add()->name(), "Book1");
    other->quit();
}

TEST_F(WorkbookTest, AddPlacesSheetsBeforeTheActiveOneOrWhereAsked) {
    auto second = book->addWorksheet();  // before the active Sheet1
    EXPECT_EQ(sheetNames(*book), (std::vector<std::string>{"Sheet2", "Sheet1"}));
    EXPECT_EQ(book->activeSheet(), second);
    book->addWorksheet(nullptr, sheet.get());
    EXPECT_EQ(sheetNames(*book), (std::vector<std::string>{"Sheet2", "Sheet1", "Sheet3"}));
    book->addWorksheet(sheet.get());
    EXPECT_EQ(sheetNames(*book), (std::vector<std::string>{"Sheet2", "Sheet4", "Sheet1", "Sheet3"}));
    // Default names take the first free number, ignoring case.
    second->setName("SHEET5");
    book->sheets()[1]->deleteSheet();
    EXPECT_EQ(book->addWorksheet()->name(), "Sheet2");
    EXPECT_EQ(book->addWorksheet()->name(), "Sheet4");
    EXPECT_EQ(book->addWorksheet()->name(), "Sheet6");
}

TEST_F(WorkbookTest, SheetNamingRules) {
    auto refused = [&](const std::string& name, const std::string& why) {
        expectError([&] { sheet->setName(name); }, com::hr::kHostError,
                    "The sheet name '" + name + "' is not allowed: " + why);
    };
    refused("", "a sheet name must be 1 to 31 characters long.");
    refused(std::string(32, 'x'), "a sheet name must be 1 to 31 characters long.");
    for (const char* bad : {"a:b", "a\\b", "a/b", "a?b", "a*b", "a[b", "a]b"})
        refused(bad, "a sheet name must not contain any of : \\ / ? * [ ].");
    refused("'quoted", "a sheet name must not begin or end with an apostrophe.");
    refused("history", "'History' is reserved.");
    book->addWorksheet(nullptr, sheet.get());
    refused("sheet2", "another sheet is already named 'Sheet2'.");
    EXPECT_EQ(sheet->name(), "Sheet1");

    sheet->setName(std::string(31, 'x'));
    sheet->setName("SHEET1");  // its own name in another case
    EXPECT_EQ(sheet->name(), "SHEET1");
    // 31 characters are counted in UTF-16 units, not bytes.
    std::string japanese;
    for (int i = 0; i < 31; ++i) japanese += "\xE6\x97\xA5";
    sheet->setName(japanese);
    EXPECT_EQ(sheet->name(), japanese);
    sheet->setName("It's fine");
}

TEST_F(WorkbookTest, RenamingASheetRewritesReferencesToIt) {
    auto other = book->addWorksheet(nullptr, sheet.get());
    Cell& cell = other->store().cellAt(1, 1);
    cell.kind = CellKind::Formula;
    Formula f;
    f.text = "Sheet1!A1*2";
    cell.payload.formulaId = other->store().addFormula(f);
    book->definedNames().push_back({"Area", "Sheet1!$A$1:$B$2", -1, ""});
    sheet->setName("My Data");
    EXPECT_EQ(other->store().formulas()[0].text, "'My Data'!A1*2");
    EXPECT_EQ(book->definedNames()[0].formula, "'My Data'!$A$1:$B$2");
}

// Runs of sheets (Jan:Mar!B2) follow renamed ends and shrink when an end is deleted.
TEST_F(WorkbookTest, RunsOfSheetsFollowRenamesAndDeletions) {
    sheet->setName("Summary");
    auto jan = book->addWorksheet(nullptr, sheet.get());
    auto feb = book->addWorksheet(nullptr, jan.get());
    auto mar = book->addWorksheet(nullptr, feb.get());
    jan->setName("Jan");
    feb->setName("Feb");
    mar->setName("Mar");
    Cell& cell = sheet->store().cellAt(1, 1);
    cell.kind = CellKind::Formula;
    cell.payload.formulaId = sheet->store().addFormula(Formula("SUM(Jan:Mar!B2)"));
    book->definedNames().push_back({"Quarter", "Jan:Mar!$B$2:$B$9", -1, ""});
    auto formula = [&] { return sheet->store().formulas()[0].text; };

    mar->setName("Q1 End");
    EXPECT_EQ(formula(), "SUM('Jan:Q1 End'!B2)");
    jan->deleteSheet();
    EXPECT_EQ(formula(), "SUM('Feb:Q1 End'!B2)");
    EXPECT_EQ(book->definedNames()[0].formula, "'Feb:Q1 End'!$B$2:$B$9");
    mar->deleteSheet();
    EXPECT_EQ(formula(), "SUM(Feb!B2)");
    feb->deleteSheet();
    EXPECT_EQ(formula(), "SUM(#REF!)");
}

TEST_F(WorkbookTest, DeletingSheets) {
    auto second = book->addWorksheet(nullptr, sheet.get());
    Formula f;
    f.text = "Sheet2!B2+1";
    Cell& cell = sheet->store().cellAt(1, 1);
    cell.kind = CellKind::Formula;
    cell.payload.formulaId = sheet->store().addFormula(f);
    book->definedNames().push_back({"Local", "Sheet2!$A$1", 1, ""});
    book->definedNames().push_back({"Global", "Sheet2!$A$1", -1, ""});
    second->deleteSheet();
    EXPECT_EQ(sheetNames(*book), (std::vector<std::string>{"Sheet1"}));
    EXPECT_TRUE(second->isDeleted());
    EXPECT_EQ(sheet->store().formulas()[0].text, "#REF!+1");
    ASSERT_EQ(book->definedNames().size(), 1u);
    EXPECT_EQ(book->definedNames()[0].formula, "#REF!");
    expectError([&] { second->range("A1"); }, com::hr::kHostError, "The sheet 'Sheet2' has been deleted.");
    expectError([&] { sheet->deleteSheet(); }, com::hr::kHostError,
                "A workbook must contain at least one visible sheet: 'Sheet1' cannot be deleted.");
    // A hidden sheet does not count as the visible one that must remain.
    auto hidden = book->addWorksheet();
    hidden->setVisibility(SheetVisibility::Hidden);
    expectError([&] { sheet->deleteSheet(); }, com::hr::kHostError,
                "A workbook must contain at least one visible sheet: 'Sheet1' cannot be deleted.");
    hidden->deleteSheet();
    EXPECT_EQ(book->activeSheet(), sheet);
}

TEST_F(WorkbookTest, ClosedWorkbooksAreUnusable) {
    Range kept = sheet->cell(2, 3);
    book->close();
    EXPECT_TRUE(book->isClosed());
    EXPECT_TRUE(app->workbooks().empty());
    expectError([&] { sheet->range("A1"); }, com::hr::kHostError, "The sheet 'Sheet1' has been deleted.");
    expectError([&] { sheet->cell(1, 1); }, com::hr::kHostError, "The sheet 'Sheet1' has been deleted.");
    expectError([&] { kept.setValue(com::Variant(1.0)); }, com::hr::kHostError, "The sheet 'Sheet1' has been deleted.");
    expectError([&] { book->addWorksheet(); }, com::hr::kHostError, "The workbook 'Book1' is closed.");
    expectError([&] { book->save(); }, com::hr::kHostError, "The workbook 'Book1' is closed.");
}

// A range can outlive its workbook without a close (the last owner let go): writing through it is
// refused, never a write into freed memory.
TEST_F(WorkbookTest, RangesOfAWorkbookThatIsGoneRefuseWrites) {
    auto loose = std::make_shared<Workbook>(nullptr, "Loose");
    Range kept = loose->addWorksheet()->cell(1, 1);
    kept.setValue(com::Variant(1.0));
    EXPECT_EQ(kept.value().asDouble(), 1.0);
    loose.reset();
    expectError([&] { kept.setValue(com::Variant(2.0)); }, com::hr::kHostError,
                "The workbook of sheet '" + kept.worksheet()->name() + "' is closed.");
}

TEST_F(WorkbookTest, QuitClosesEveryWorkbookAndRefusesNewOnes) {
    auto second = app->add();
    app->quit();
    EXPECT_TRUE(book->isClosed());
    EXPECT_TRUE(second->isClosed());
    EXPECT_TRUE(app->hasQuit());
    expectError([&] { app->add(); }, com::hr::kHostError, "Workbooks.Add: the application has quit.");
}

TEST_F(WorkbookTest, WorkbooksOutliveNoOwnerAndLeakNothing) {
    std::weak_ptr<Application> weakApp;
    std::weak_ptr<Workbook> weakBook;
    {
        auto local = files::newApplication();
        weakApp = local;
        auto b = local->add();
        weakBook = b;
        local.reset();
        // The workbook keeps its application alive.
        EXPECT_FALSE(weakApp.expired());
        EXPECT_EQ(b->application()->workbooks().size(), 1u);
    }
    EXPECT_TRUE(weakBook.expired());
    EXPECT_TRUE(weakApp.expired());
}

TEST_F(WorkbookTest, OpenRefusesWhatIsNoWorkbook) {
    expectError([&] { app->open("/tmp/report.xls"); }, com::hr::kHostError,
                "Workbooks.Open: '/tmp/report.xls' is not an .xlsx or .xlsm workbook.");
    expectError([&] { app->open("notes.txt"); }, com::hr::kHostError,
                "Workbooks.Open: 'notes.txt' is not an .xlsx or .xlsm workbook.");
}

TEST_F(WorkbookTest, SaveAsRefusesUnknownFormats) {
    expectError([&] { book->saveAs("/tmp/x.xlsx", 56); }, com::hr::kHostError,
                "SaveAs: file format 56 is not supported (51 = workbook, 52 = macro-enabled workbook, 44 = web page).");
    expectError([&] { book->saveAs("/tmp/x.csv"); }, com::hr::kHostError,
                "SaveAs: 'x.csv' must end in .xlsx or .xlsm for this file format.");
    EXPECT_EQ(book->path(), "");
}

TEST_F(WorkbookTest, SaveAsWithoutANameUsesBookNInTheCurrentFolder) {
    tavlora::test::TempDir dir;
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    put("A1", "saved");
    book->saveAs("", fileformat::kHtml);  // the page becomes the workbook's file
    EXPECT_EQ(book->path(), dir.path().string());
    EXPECT_EQ(book->name(), "Book1.htm");
    book->saveAs("");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::exists(dir.file("Book1.htm")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("Book1.xlsx")));
    EXPECT_EQ(book->path(), dir.path().string());
    EXPECT_EQ(book->name(), "Book1.xlsx");
    // Opening the file it is open from gives back the workbook in memory.
    EXPECT_EQ(app->open(dir.file("Book1.xlsx").string()), book);
    auto reopened = files::newApplication();
    auto copy = reopened->open(dir.file("Book1.xlsx").string());
    EXPECT_EQ(copy->worksheets().front()->range("A1").value(), Variant("saved"));
    EXPECT_EQ(copy->path(), dir.path().string());
    reopened->quit();
}

TEST_F(WorkbookTest, EditsSurviveASaveAndReopen) {
    tavlora::test::TempDir dir;
    for (int r = 1; r <= 6; ++r) put("A" + std::to_string(r), r);
    Cell& cell = sheet->store().cellAt(1, 2);
    cell.kind = CellKind::Formula;
    Formula f;
    f.text = "SUM(A1:A6)";
    f.cachedKind = CellKind::Number;
    f.cachedNumber = 21;
    cell.payload.formulaId = sheet->store().addFormula(f);
    at("A5:B6").merge();
    at("C:C").setNumberFormatLocal("0.00");
    at("C:C").setColumnWidth(14);
    at("2:3").deleteCells();
    book->saveAs(dir.file("edited.xlsx").string());

    auto other = files::newApplication();
    auto copy = other->open(dir.file("edited.xlsx").string());
    auto ws = copy->worksheets().front();
    EXPECT_EQ(ws->range("A2").value(), Variant(4.0));
    const Cell* sum = ws->store().find(1, 2);
    ASSERT_NE(sum, nullptr);
    ASSERT_EQ(sum->kind, CellKind::Formula);
    EXPECT_EQ(ws->store().formulas()[sum->payload.formulaId].text, "SUM(A1:A4)");
    ASSERT_EQ(ws->mergedAreas().size(), 1u);
    EXPECT_EQ(ws->mergedAreas()[0], *parseA1("A3:B4"));
    EXPECT_EQ(ws->range("C1").columnWidth(), 14);
    EXPECT_EQ(ws->workbookStore().styles.cellFormat(ws->effectiveStyle(900, 3)).numberFormat, "0.00");
    size_t cells = 0;
    for (const auto& row : ws->store().rows()) cells += row.cells.size();
    EXPECT_EQ(cells, 5u);  // A1:A4 and the formula; the column format made none
    other->quit();
}

TEST_F(WorkbookTest, HostObjectsAnswerByName) {
    EXPECT_EQ(book->get("Name"), Variant("Book1"));
    EXPECT_EQ(book->get("Path"), Variant(""));
    EXPECT_EQ(book->get("SheetCount"), Variant(int32_t(1)));
    EXPECT_EQ(sheet->get("Name"), Variant("Sheet1"));
    sheet->put("Name", Variant("Data"));
    EXPECT_EQ(sheet->name(), "Data");
    app->put("DisplayAlerts", Variant(false));
    EXPECT_FALSE(app->displayAlerts());
    Variant cell = sheet->call("Cells", {Variant(int32_t(2)), Variant(int32_t(3))});
    ASSERT_EQ(cell.type(), com::VarType::Object);
    cell.asObject()->put("Value", Variant("12"));
    EXPECT_EQ(get("C2"), Variant(12.0));
    EXPECT_EQ(cell.asObject()->get("Address"), Variant("$C$2"));
    Variant used = sheet->get("UsedRange");
    Variant found = used.asObject()->call("Find", {Variant("12")});
    ASSERT_EQ(found.type(), com::VarType::Object);
    EXPECT_EQ(found.asObject()->get("Address"), Variant("$C$2"));
    Variant none = used.asObject()->call("Find", {Variant("nothing")});
    EXPECT_EQ(none.type(), com::VarType::Object);
    EXPECT_EQ(none.asObject(), nullptr);
    Variant columns = used.asObject()->get("Columns");
    EXPECT_EQ(columns.asObject()->get("Count"), Variant(int32_t(1)));
    Variant all = sheet->get("Cells");
    expectError([&] { all.asObject()->get("Count"); }, com::hr::kOverflow, "Overflow: the range has 17179869184 cells.");
}

}  // namespace
}  // namespace tavlora::host::test
