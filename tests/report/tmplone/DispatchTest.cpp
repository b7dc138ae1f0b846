#include <gtest/gtest.h>

#include "com/ObjectCast.h"
#include "data/MemoryRecordset.h"
#include "data/XmlDocument.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "TmplOneTestSupport.h"

namespace tavlora::tmplone {
namespace {

using com::MemberKind;
using com::Variant;
using test::describe;
using test::TemplateBook;
using Self = CExcelTmplPrintOne;

// Identifiers as the table gives them to a client that asks by name.
com::DISPID idOf(const char* name) { return Self::create()->GetIDsOfNames(name); }

TEST(TmplPrintOneDispatch, PropertiesByNameAndByIdentifier) {
    TemplateBook book;
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    auto filler = Self::create();

    filler->put("CurBatObj", com::objectVariant(job));
    EXPECT_EQ(filler->CurBatObj(), job);
    EXPECT_EQ(filler->CurWk(), book.workbook);
    EXPECT_EQ(filler->get("CurBatObj").asObject(), job);
    EXPECT_EQ(filler->Invoke(idOf("CurWk"), MemberKind::PropertyGet, {}).asObject(), book.workbook);

    filler->Invoke(idOf("CurSheet"), MemberKind::PropertySet, {com::objectVariant(book.other)});
    EXPECT_EQ(filler->get("CurSheet").asObject(), book.other);
    filler->put("CurSheet", Variant(com::ObjectPtr{}));
    EXPECT_EQ(filler->CurSheet(), nullptr);

    filler->Invoke(idOf("CurBatObj"), MemberKind::PropertySet, {Variant(com::ObjectPtr{})});
    EXPECT_EQ(filler->CurBatObj(), nullptr);
    EXPECT_EQ(filler->CurWk(), book.workbook);
    filler->put("CurWk", Variant(com::ObjectPtr{}));
    EXPECT_EQ(filler->CurWk(), nullptr);

    // Only objects of the right class are accepted.
    EXPECT_THROW(filler->put("CurWk", com::objectVariant(book.invoice)), com::Error);
    EXPECT_THROW(filler->put("CurSheet", Variant("Invoice")), com::Error);
}

TEST(TmplPrintOneDispatch, FillByNameWithDefaults) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Cust%"}, {"B3", "%Sum%"}, {"B4", "%Street%"}});
    auto filler = book.filler;
    EXPECT_EQ(filler->call("DoA_Begin", {Variant("invoice")}), Variant(true));
    EXPECT_EQ(filler->headerClearMode(), 0);
    auto rst = std::make_shared<data::MemoryRecordset>(std::vector<std::string>{"sum", "Street"},
                                                       std::vector<data::MemoryRecordset::Row>{{12.5, Variant("Main")}});
    std::vector<Variant> args{rst->toVariant()};
    EXPECT_EQ(filler->Invoke(idOf("DoA_ReplaceRst"), MemberKind::Method, args), Variant(true));
    EXPECT_EQ(filler->entries()[1].strValue, "12.5");
    EXPECT_EQ(filler->call("DoA_ReplaceA", {Variant("CUST"), Variant("ACME")}), Variant(true));
    EXPECT_EQ(filler->call("DoA_ReplaceA", {Variant("none"), Variant("x")}), Variant(false));

    EXPECT_EQ(filler->call("DoA_OutputString", {Variant(int32_t{6}), Variant(int32_t{1}), Variant("row six")}),
              Variant(true));
    EXPECT_EQ(filler->Invoke(idOf("DoA_OutputString1"), MemberKind::Method, {Variant("C7"), Variant("c7")}),
              Variant(true));
    Variant written = filler->call("DoA_End");
    EXPECT_EQ(written, Variant(int16_t{3}));
    EXPECT_EQ(book.at("B2"), Variant("ACME"));
    EXPECT_EQ(book.at("B3"), Variant(12.5));
    EXPECT_EQ(book.at("B4"), Variant("Main"));
    EXPECT_EQ(book.at("A6"), Variant("row six"));
    EXPECT_EQ(book.at("C7"), Variant("c7"));
}

TEST(TmplPrintOneDispatch, HeaderModeAndXmlByIdentifier) {
    TemplateBook book;
    book.put({{"A1", "id"}, {"B1", "Name"}, {"A2", "C5"}, {"B2", "D5"}});
    auto filler = book.filler;
    EXPECT_EQ(filler->Invoke(idOf("DoA_Begin"), MemberKind::Method,
                             {Variant("Invoice"), Variant(int16_t{0}), Variant::missing()}),
              Variant(true));
    EXPECT_EQ(filler->headerClearMode(), 1);  // the default clear mode

    data::XmlDocument document;
    ASSERT_TRUE(document.loadXml(R"(<rows><row id="7" Name="Lena"/><row id="8"/></rows>)"));
    data::XmlNode second = document.documentElement().selectNodes("row")->item(1);
    std::vector<Variant> args{second.toVariant()};
    EXPECT_EQ(filler->Invoke(idOf("DoA_ReplaceXml0"), MemberKind::Method, args), Variant(true));
    EXPECT_EQ(filler->entries()[0].strValue, "8");
    EXPECT_EQ(filler->entries()[1].strValue, "");

    EXPECT_EQ(filler->Invoke(idOf("DoA_ReplaceXml"), MemberKind::Method,
                             {Variant("/no/such/file.xml"), Variant("row")}),
              Variant(false));
    EXPECT_EQ(filler->Invoke(idOf("DoA_End"), MemberKind::Method, {}), Variant(int16_t{2}));
    // Rows 1 and 2 are cleared, not deleted: the values stay where their addresses said.
    EXPECT_EQ(book.at("C5"), Variant(8.0));
    EXPECT_TRUE(book.at("D5").isEmpty());
    EXPECT_TRUE(book.at("A1").isEmpty());
}

TEST(TmplPrintOneDispatch, ErrorsOfMembersThatTrapNothingReachTheCaller) {
    TemplateBook book;
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    try {
        book.filler->call("DoA_OutputString", {Variant(int32_t{40000}), Variant(int32_t{1}), Variant("x")});
        FAIL() << "expected an overflow";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kOverflow);
    }
    EXPECT_THROW(book.filler->call("DoA_OutputString1", {Variant("??"), Variant("x")}), com::Error);
    EXPECT_THROW(book.filler->call("DoA_ReplaceA", {Variant("only one argument")}), com::Error);
}

}  // namespace
}  // namespace tavlora::tmplone
