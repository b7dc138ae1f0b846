#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "data/MemoryRecordset.h"
#include "data/XmlDocument.h"
#include "support/TestPaths.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "TmplOneTestSupport.h"

namespace tavlora::tmplone {
namespace {

using com::Variant;
using data::MemoryRecordset;
using test::TemplateBook;

std::vector<std::string> valuesOf(const CExcelTmplPrintOne& filler) {
    std::vector<std::string> out;
    for (const SWhiteDot& dot : filler.entries()) out.push_back(dot.strValue);
    return out;
}

// Placeholders Cust, Sum, Note, and Cust a second time.
void putTemplate(TemplateBook& book) {
    book.put({{"A1", "x"}, {"B2", "%Cust%"}, {"B3", "%Sum%"}, {"B4", "%Note%"}, {"B5", "%cust%"}});
}

std::shared_ptr<MemoryRecordset> twoRows() {
    return std::make_shared<MemoryRecordset>(
        std::vector<std::string>{"CUST", "sum", "Other"},
        std::vector<MemoryRecordset::Row>{{Variant("ACME"), Variant(1234.5), Variant("o1")},
                                          {Variant("Beta"), Variant::null(), Variant("o2")}});
}

// A name is found ignoring case whether its first letter is ASCII or not, and only the first
// entry of a name repeated in the sheet takes the value.
TEST(NamedValues, NamesMatchIgnoringCaseAndTheFirstOfARepeatedNameTakesTheValue) {
    TemplateBook book;
    book.put({{"B1", "%Seller%"}, {"B2", "%sellerCity%"}, {"B3", "%\xC3\x84rger%"}, {"B4", "%SELLER%"},
              {"B5", "%1st%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_TRUE(book.filler->DoA_ReplaceA("SELLERCITY", "city"));
    EXPECT_TRUE(book.filler->DoA_ReplaceA("sELLER", "seller"));
    EXPECT_TRUE(book.filler->DoA_ReplaceA("\xC3\xA4RGER", "trouble"));  // "äRGER" finds "Ärger"
    EXPECT_TRUE(book.filler->DoA_ReplaceA("1ST", "first"));
    EXPECT_FALSE(book.filler->DoA_ReplaceA("Selle", "a name that starts another is not it"));
    EXPECT_FALSE(book.filler->DoA_ReplaceA("", "x"));
    // Entries in Find's order, which starts after the range's first cell.
    std::map<std::string, std::string> byAddress;
    std::vector<std::string> sellers;
    for (const SWhiteDot& dot : book.filler->entries()) {
        byAddress[dot.strPos] = dot.strValue;
        if (dot.strPos == "$B$1" || dot.strPos == "$B$4") sellers.push_back(dot.strValue);
    }
    EXPECT_EQ(byAddress["$B$2"], "city");
    EXPECT_EQ(byAddress["$B$3"], "trouble");
    EXPECT_EQ(byAddress["$B$5"], "first");
    EXPECT_EQ(sellers, (std::vector<std::string>{"seller", ""})) << "only the first Seller entry takes the value";
}

TEST(RecordsetValues, EveryEntryTakesItsFieldOfTheCurrentRow) {
    TemplateBook book;
    putTemplate(book);
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Note", "set by name"));
    auto rst = twoRows();
    EXPECT_TRUE(book.filler->DoA_ReplaceRst(rst));
    // Field names match ignoring case; a field the recordset lacks overwrites with "".
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"ACME", "1234.5", "", "ACME"}));
    // The cursor stays where it was.
    EXPECT_FALSE(rst->Eof());
    EXPECT_EQ(rst->FieldValue(0), Variant("ACME"));

    rst->MoveNext();
    EXPECT_TRUE(book.filler->DoA_ReplaceRst(rst));
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"Beta", "", "", "Beta"}));  // Null gives ""

    rst->MoveNext();  // at EOF: no current row, every value becomes ""
    EXPECT_TRUE(book.filler->DoA_ReplaceRst(rst));
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_TRUE(book.filler->DoA_ReplaceRst(nullptr));
}

TEST(RecordsetValues, WithoutEntriesTheResultIsFalse) {
    TemplateBook book;
    EXPECT_FALSE(book.filler->DoA_ReplaceRst(twoRows()));  // before any begin
    book.put({{"A1", "no placeholders"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_FALSE(book.filler->DoA_ReplaceRst(twoRows()));
    EXPECT_FALSE(book.filler->DoA_ReplaceXml0(data::XmlNode()));
}

class XmlValues : public ::testing::Test {
protected:
    void SetUp() override {
        putTemplate(book);
        ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
        file = dir.file("data.xml").string();
        std::ofstream(file) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<orders>\n"
                               "  <order Cust=\"ACME\" Sum=\"12\" Note=\"fragile &amp; heavy\"/>\n"
                               "  <order Cust=\"Beta\" Sum=\"13\"/>\n"
                               "  <archive><order Cust=\"Old\"/></archive>\n"
                               "</orders>\n";
    }
    TemplateBook book;
    tavlora::test::TempDir dir;
    std::string file;
};

TEST_F(XmlValues, ElementAttributesMatchedWithExactCase) {
    data::XmlDocument document;
    ASSERT_TRUE(document.load(file));
    data::XmlNode first = document.documentElement().selectNodes("order")->item(0);
    EXPECT_TRUE(book.filler->DoA_ReplaceXml0(first));
    // The second Cust entry is spelled "cust" and the attribute is "Cust": no value.
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"ACME", "12", "fragile & heavy", ""}));
    EXPECT_TRUE(book.filler->DoA_ReplaceXml0(data::XmlNode()));
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"", "", "", ""}));
}

TEST_F(XmlValues, FileSourceUsesTheFirstSelectedElement) {
    EXPECT_TRUE(book.filler->DoA_ReplaceXml(file, "order"));
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"ACME", "12", "fragile & heavy", ""}));
    // The query runs below the root element; absolute queries start at the top.
    EXPECT_TRUE(book.filler->DoA_ReplaceXml(file, "archive/order"));
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"Old", "", "", ""}));
    EXPECT_TRUE(book.filler->DoA_ReplaceXml(file, "/orders/order[2]"));
    EXPECT_EQ(valuesOf(*book.filler)[0], "Beta");
    // Nothing selected: every entry becomes empty and the result is still true.
    EXPECT_TRUE(book.filler->DoA_ReplaceXml(file, "invoice"));
    EXPECT_EQ(valuesOf(*book.filler), (std::vector<std::string>{"", "", "", ""}));
}

TEST_F(XmlValues, UnreadableSourcesGiveFalseAndKeepTheValues) {
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "kept"));
    EXPECT_FALSE(book.filler->DoA_ReplaceXml(dir.file("missing.xml").string(), "order"));
    EXPECT_FALSE(book.filler->DoA_ReplaceXml(file, "order[")); // a query that does not compile
    std::string broken = dir.file("broken.xml").string();
    std::ofstream(broken) << "<orders><order Cust=\"x\"></orders>";
    EXPECT_FALSE(book.filler->DoA_ReplaceXml(broken, "order"));
    EXPECT_EQ(book.filler->entries()[0].strValue, "kept");
}

}  // namespace
}  // namespace tavlora::tmplone
