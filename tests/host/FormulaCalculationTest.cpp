#include "SheetFixture.h"
#include "support/TestPaths.h"

namespace tavlora::host::test {
namespace {

using tavlora::test::runPython;
using tavlora::test::TempDir;

class FormulaCalculation : public SheetFixture {
protected:
    void formula(const std::string& address, const std::string& text) { at(address).setFormula(text); }
};

TEST_F(FormulaCalculation, ValueIsComputedAndFormulaIsAsWritten) {
    put("A1", 4.0);
    put("A2", 6.0);
    formula("A3", "=A1*A2");
    EXPECT_EQ(get("A3").asDouble(), 24);
    EXPECT_EQ(at("A3").formula().asString(), "=A1*A2");
    EXPECT_EQ(at("A1").formula().asDouble(), 4);
    put("A2", 0.5);
    EXPECT_EQ(get("A3").asDouble(), 2);
    at("A1:A2").clear();
    EXPECT_EQ(get("A3").asDouble(), 0);
    formula("B1", "=\"n=\"&A3");
    EXPECT_EQ(get("B1").asString(), "n=0");
    formula("B2", "=1/0");
    EXPECT_EQ(text("B2"), "#DIV/0!");
    formula("B3", "=A9=0");
    EXPECT_TRUE(get("B3").asBool());
    // A newer function read from a file carries its prefix; it shows and computes without it.
    formula("C2", "=IFNA(Z9,0)+1");
    sheet->store().formulas()[sheet->store().find(2, 3)->payload.formulaId].text = "_xlfn.IFNA(Z9,0)+1";
    book->noteStructureChanged();
    EXPECT_EQ(at("C2").formula().asString(), "=IFNA(Z9,0)+1");
    EXPECT_EQ(get("C2").asDouble(), 1);
    at("C1").setFormula("plain");
    EXPECT_EQ(get("C1").asString(), "plain");
}

TEST_F(FormulaCalculation, TextAndFindShowComputedValues) {
    put("A1", 1234.5);
    formula("A2", "=A1*2");
    at("A2").setNumberFormatLocal("#,##0.00");
    EXPECT_EQ(text("A2"), "2,469.00");
    auto found = at("A1:A5").find("2,469");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->address(), "$A$2");
}

TEST_F(FormulaCalculation, DeletingRowsMovesReferencesAndRecomputes) {
    for (int r = 1; r <= 5; ++r) put("A" + std::to_string(r), double(r));
    formula("B1", "=SUMT_NOT_HERE(A1:A5)");
    formula("C1", "=A5*10");
    EXPECT_EQ(get("C1").asDouble(), 50);
    sheet->range("2:3").deleteCells();
    EXPECT_EQ(at("C1").formula().asString(), "=A3*10");
    EXPECT_EQ(get("C1").asDouble(), 50);
    put("A3", 7.0);
    EXPECT_EQ(get("C1").asDouble(), 70);
}

TEST_F(FormulaCalculation, CrossSheetReferencesFollowRenames) {
    auto other = book->addWorksheet(nullptr, sheet.get());
    other->range("B2").setValue(3.0);
    formula("A1", "=" + other->name() + "!B2+1");
    EXPECT_EQ(get("A1").asDouble(), 4);
    other->setName("Rates 2");
    EXPECT_EQ(at("A1").formula().asString(), "='Rates 2'!B2+1");
    other->range("B2").setValue(9.0);
    EXPECT_EQ(get("A1").asDouble(), 10);
    other->deleteSheet();
    EXPECT_EQ(text("A1"), "#REF!");
}

TEST_F(FormulaCalculation, SavedFileCarriesComputedValues) {
    TempDir dir;
    put("A1", 2.0);
    formula("A2", "=A1*21");
    formula("A3", "=\"x\"&A1");
    formula("A4", "=A1>1");
    formula("A5", "=A1/0");
    formula("A6", "=NOSUCHFUNCTION(A1)");
    // A long chain and a cycle save without a crash, a hang or deep recursion.
    for (int r = 1; r <= 30000; ++r) formula("C" + std::to_string(r + 1), "=C" + std::to_string(r) + "+1");
    formula("D1", "=D2+1");
    formula("D2", "=D1+1");
    auto path = dir.file("computed.xlsx");
    book->saveAs(path.string());
    std::string out = runPython(
        "import openpyxl\n"
        "ws = openpyxl.load_workbook(r'" + path.string() + "', data_only=True).active\n"
        "print([ws[a].value for a in ('A2','A3','A4','A5','A6','C30001','D1')])\n");
    EXPECT_EQ(out, "[42, 'x2', True, '#DIV/0!', None, 30000, None]\n");
}

// A save computes each sheet's rows as it lays them out (while earlier rows are deflated):
// formulas reading rows further down, a later sheet, or a total below must still be saved with
// their values, and the values in memory after the save must be the file's.
TEST_F(FormulaCalculation, SavedValuesDoNotDependOnWhereTheFormulasRead) {
    TempDir dir;
    const int last = 3001;  // many steps of the calculation, several batches of laid out rows
    auto other = book->addWorksheet(nullptr, sheet.get());
    formula("C2", "=B" + std::to_string(last) + "+Sheet2!A1");
    formula("D2", "=SUM(B2:B" + std::to_string(last) + ")");
    formula("E2", "=RAND()");
    for (int r = 2; r <= last; ++r) {
        put("A" + std::to_string(r), double(r));
        formula("B" + std::to_string(r), "=A" + std::to_string(r) + "*2");
    }
    other->range("A1").setFormula("=Sheet1!A" + std::to_string(last) + "*10");
    other->range("B1").setFormula("=Sheet1!D2");
    auto path = dir.file("order.xlsx");
    book->saveAs(path.string());
    std::string out = runPython(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook(r'" + path.string() + "', data_only=True)\n"
        "one, two = wb['Sheet1'], wb['Sheet2']\n"
        "print([one['C2'].value, one['D2'].value, one['B3001'].value, two['A1'].value, two['B1'].value])\n"
        "print(repr(one['E2'].value))\n");
    const std::string random = out.substr(out.find('\n') + 1);
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), "[36012, 9009000, 6002, 30010, 9009000]\n");
    EXPECT_EQ(std::stod(random), get("E2").asDouble()) << random;
}

TEST_F(FormulaCalculation, WebPageShowsComputedValues) {
    TempDir dir;
    put("A1", 20.0);
    put("A2", 22.5);
    formula("A3", "=A1+A2");
    formula("A4", "=\"Total \"&A3");
    auto path = dir.file("page.html");
    book->saveAs(path.string(), fileformat::kHtml);
    std::string page = tavlora::test::contentOf(path);
    EXPECT_NE(page.find("42.5"), std::string::npos);
    EXPECT_NE(page.find("Total 42.5"), std::string::npos);
}

}  // namespace
}  // namespace tavlora::host::test
