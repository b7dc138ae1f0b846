#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

#include "data/SqliteRecordset.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "support/TestPaths.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::tmplone {
namespace {

namespace fs = std::filesystem;
using com::Variant;
using tavlora::test::TempDir;

// Invoice with in-cell placeholders, plus two sheets the report does not use.
fs::path makeInvoiceTemplate(const TempDir& dir) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto invoice = workbook->worksheets().front();
    invoice->setName("Invoice");
    invoice->range("A1").setValue(Variant("INVOICE"));
    invoice->range("A3").setValue(Variant("Customer:"));
    invoice->range("B3").setValue(Variant("%CustName%"));
    invoice->range("B4").setValue(Variant("Dear %Title% customer"));
    invoice->range("B6").setValue(Variant("Total %Sum% EUR"));
    invoice->range("B7").setValue(Variant("%Remark%"));
    invoice->range("B8").setValue(Variant("%InvoiceNo%"));
    auto rates = workbook->addWorksheet(nullptr, invoice.get());
    rates->setName("Rates");
    rates->range("A1").setValue(Variant("%CustName%"));  // another sheet's placeholders stay out of it
    auto notes = workbook->addWorksheet(nullptr, rates.get());
    notes->setName("Notes");
    notes->range("A1").setValue(Variant("internal"));
    auto path = dir.file("invoice-template.xlsx");
    workbook->saveAs(path.string());
    application->quit();
    return path;
}

void execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
}

fs::path makeCustomerDatabase(const TempDir& dir) {
    auto path = dir.file("customers.db");
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    execute(db, "CREATE TABLE customer (id INTEGER, custname TEXT, title TEXT, sum REAL, remark TEXT)");
    execute(db, "INSERT INTO customer VALUES (1, 'Other GmbH', 'valued', 1.0, NULL)");
    execute(db, "INSERT INTO customer VALUES (2, 'M\xC3\xBCller & S\xC3\xB6hne', 'dear', 1234.5, NULL)");
    sqlite3_close(db);
    return path;
}

std::vector<std::string> sheetNames(const fs::path& file) {
    auto application = host::files::newApplication();
    auto workbook = application->open(file.string());
    std::vector<std::string> names;
    for (const auto& sheet : workbook->sheets()) names.push_back(sheet->name());
    application->quit();
    return names;
}

TEST(OneRecordReport, InCellTemplateFilledFromADatabaseRow) {
    TempDir dir;
    auto templateFile = makeInvoiceTemplate(dir);
    auto database = makeCustomerDatabase(dir);
    auto target = dir.file("invoice-2.xlsx");

    auto job = printjob::CExcelBatDo::create();
    ASSERT_TRUE(job->DoCopy(templateFile.string(), target.string()));
    ASSERT_TRUE(job->DoBegin(target.string(), false));
    auto filler = CExcelTmplPrintOne::create();
    filler->setCurBatObj(job);
    ASSERT_TRUE(filler->DoA_Begin("Invoice"));
    ASSERT_EQ(filler->entries().size(), 5u);

    auto rst = data::SqliteRecordset::open(database.string(),
                                           "SELECT custname AS CustName, title, sum, remark FROM customer WHERE id = 2");
    ASSERT_FALSE(rst->Eof());
    EXPECT_TRUE(filler->DoA_ReplaceRst(rst));
    EXPECT_TRUE(filler->DoA_ReplaceA("invoiceno", "INV-0002"));
    EXPECT_EQ(filler->DoA_End(), 5);
    EXPECT_TRUE(job->DoEnd("", false));

    // Our reader.
    EXPECT_EQ(sheetNames(target), std::vector<std::string>{"Invoice"});
    auto application = host::files::newApplication();
    auto workbook = application->open(target.string());
    auto invoice = workbook->worksheets().front();
    EXPECT_EQ(invoice->range("B3").value(), Variant("M\xC3\xBCller & S\xC3\xB6hne"));
    EXPECT_EQ(invoice->range("B4").value(), Variant("dear"));
    EXPECT_EQ(invoice->range("B6").value(), Variant(1234.5));
    EXPECT_TRUE(invoice->range("B7").value().isEmpty());
    EXPECT_EQ(invoice->range("B8").value(), Variant("INV-0002"));
    EXPECT_EQ(invoice->range("A3").value(), Variant("Customer:"));
    application->quit();

    // An independent reader.
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    auto out = tavlora::test::runPython(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook(r'" + target.string() + "')\n"
        "ws = wb['Invoice']\n"
        "print(wb.sheetnames)\n"
        "for a in ('A1', 'A3', 'B3', 'B4', 'B6', 'B7', 'B8'):\n"
        "    print(a, repr(ws[a].value))\n");
    EXPECT_EQ(out,
              "['Invoice']\n"
              "A1 'INVOICE'\n"
              "A3 'Customer:'\n"
              "B3 'M\xC3\xBCller & S\xC3\xB6hne'\n"
              "B4 'dear'\n"
              "B6 1234.5\n"
              "B7 None\n"
              "B8 'INV-0002'\n");
}

TEST(OneRecordReport, HeaderRowTemplateMadeByAnotherProgramWithRowsDeleted) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TempDir dir;
    auto templateFile = dir.file("letter.xlsx");
    auto target = dir.file("letter-out.xlsx");
    auto xml = dir.file("letter.xml");
    tavlora::test::runPython(
        "import openpyxl\n"
        "wb = openpyxl.Workbook()\n"
        "ws = wb.active\n"
        "ws.title = 'Letter'\n"
        "for col, (name, pos) in enumerate([('Name', 'B4'), ('City', '$B$5'), ('Fee', 'C7:D7')], start=2):\n"
        "    ws.cell(row=1, column=col, value=name)\n"
        "    ws.cell(row=2, column=col, value=pos)\n"
        "ws['A4'] = 'Name'\n"
        "ws['A9'] = 'Regards'\n"
        "wb.create_sheet('Scratch')['A1'] = 'drop me'\n"
        "wb.save(r'" + templateFile.string() + "')\n");
    {
        std::FILE* f = std::fopen(xml.string().c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("<people><person Name=\"Ana\" City=\"Porto\" Fee=\"12\"/><person Name=\"Bo\"/></people>", f);
        std::fclose(f);
    }

    auto job = printjob::CExcelBatDo::create();
    ASSERT_TRUE(job->DoCopy(templateFile.string(), target.string()));
    ASSERT_TRUE(job->DoBegin(target.string()));
    auto filler = CExcelTmplPrintOne::create();
    filler->setCurBatObj(job);
    ASSERT_TRUE(filler->DoA_Begin("letter", 0, 2));
    ASSERT_EQ(filler->entries().size(), 3u);
    EXPECT_TRUE(filler->DoA_ReplaceXml(xml.string(), "person"));
    EXPECT_EQ(filler->DoA_End(), 3);
    EXPECT_TRUE(job->DoEnd());

    auto out = tavlora::test::runPython(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook(r'" + target.string() + "')\n"
        "ws = wb['Letter']\n"
        "print(wb.sheetnames)\n"
        "for a in ('B1', 'C1', 'A2', 'B2', 'B3', 'C5', 'D5', 'A7', 'B7'):\n"
        "    print(a, repr(ws[a].value))\n");
    // Rows 1 and 2 are gone: everything moved up by two.
    EXPECT_EQ(out,
              "['Letter']\n"
              "B1 None\n"
              "C1 None\n"
              "A2 'Name'\n"
              "B2 'Ana'\n"
              "B3 'Porto'\n"
              "C5 12\n"
              "D5 12\n"
              "A7 'Regards'\n"
              "B7 None\n");
}

}  // namespace
}  // namespace tavlora::tmplone
