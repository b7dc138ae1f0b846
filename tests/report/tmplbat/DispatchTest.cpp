#include <gtest/gtest.h>

#include "com/ObjectCast.h"
#include "data/XmlDocument.h"
#include "tavlora/CExcelBatDo.h"
#include "TmplBatTestSupport.h"

namespace tavlora::tmplbat {
namespace {

using com::MemberKind;
using com::Variant;
using test::ListBook;
using test::recordset;
using Self = CExcelTmplPrintBat;

// Identifiers as the table gives them to a client that asks by name.
com::DISPID idOf(const char* name) { return Self::create()->GetIDsOfNames(name); }

TEST(TmplPrintBatDispatch, PropertiesByNameAndByIdentifier) {
    ListBook book;
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    auto filler = Self::create();

    filler->put("CurBatObj", com::objectVariant(job));
    EXPECT_EQ(filler->CurWk(), book.workbook);
    EXPECT_EQ(filler->get("CurBatObj").asObject(), job);
    EXPECT_EQ(filler->Invoke(idOf("CurBatObj"), MemberKind::PropertyGet, {}).asObject(), job);

    filler->Invoke(idOf("CurWk"), MemberKind::PropertySet, {com::objectVariant(book.workbook)});
    EXPECT_EQ(filler->get("curwk").asObject(), book.workbook);

    filler->put("CurSheet", com::objectVariant(book.other));
    EXPECT_EQ(filler->CurSheet(), book.other);
    filler->Invoke(idOf("CurSheet"), MemberKind::PropertySet, {com::objectVariant(book.list)});
    EXPECT_EQ(filler->Invoke(idOf("CurSheet"), MemberKind::PropertyGet, {}).asObject(), book.list);

    EXPECT_EQ(filler->get("IsNoZero"), Variant(true));
    filler->put("IsNoZero", Variant(false));
    EXPECT_FALSE(filler->IsNoZero());
    filler->Invoke(idOf("IsNoZero"), MemberKind::PropertyLet, {Variant(int16_t(-1))});
    EXPECT_EQ(filler->Invoke(idOf("IsNoZero"), MemberKind::PropertyGet, {}), Variant(true));

    EXPECT_THROW(filler->put("CurSheet", com::objectVariant(job)), com::Error);  // not a worksheet
}

TEST(TmplPrintBatDispatch, AWholeListByNameWithOptionalArgumentsOmitted) {
    ListBook book;
    book.put({{"A2", "2,2"}, {"A3", "3"}, {"A6", "2"}, {"B1", "CODE"}, {"C1", "NAME"}, {"E2", "%Title%"}});
    auto filler = Self::create();
    filler->put("CurWk", com::objectVariant(book.workbook));
    filler->put("CurSheet", com::objectVariant(book.list));

    EXPECT_EQ(filler->call("DoA_Begin"), Variant(true));  // "" and false
    EXPECT_EQ(filler->call("DoA_ReplaceWhiteDot", {Variant("Title"), Variant("x")}), Variant(false));
    EXPECT_EQ(filler->call("DoA_Begin", {Variant("LIST"), Variant(true)}), Variant(true));
    EXPECT_EQ(filler->call("DoA_ReplaceWhiteDot", {Variant("Title"), Variant("Report")}), Variant(true));

    auto rst = recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}});
    std::vector<Variant> args{rst->toVariant()};
    EXPECT_EQ(filler->Invoke(idOf("DoA_OutputRst"), MemberKind::Method, args), Variant(true));
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(filler->call("DoA_OutputRst", {Variant()}), Variant(false));  // Nothing
    EXPECT_EQ(filler->call("DoA_OutputRst", {com::objectVariant(book.list)}), Variant(false));  // not a recordset

    EXPECT_EQ(filler->call("DoA_OutputString", {Variant("10"), Variant(int16_t(3)), Variant("free")}), Variant(true));
    EXPECT_EQ(filler->Invoke(idOf("DoA_OutputString1"), MemberKind::Method, {Variant("D11"), Variant("one")}),
              Variant(true));
    EXPECT_THROW(filler->call("DoA_OutputString", {Variant(40000), Variant(1), Variant("x")}), com::Error);

    EXPECT_EQ(filler->Invoke(idOf("DoA_End"), MemberKind::Method, {}), Variant(true));
    EXPECT_EQ(book.text("D1"), "Report");
    EXPECT_EQ(book.text("A2"), "1");
    EXPECT_EQ(book.text("B2"), "Ann");
    EXPECT_EQ(book.text("B9"), "free");
    EXPECT_EQ(book.text("C10"), "one");
}

// The routes the whole-list test does not take: each method by the other of name and identifier.
TEST(TmplPrintBatDispatch, EveryMethodByTheOtherRoute) {
    ListBook book;
    book.put({{"A2", "2,1"}, {"A3", "3"}, {"A6", "1"}, {"B1", "CODE"}, {"D2", "%Title%"}});
    auto filler = Self::create();
    filler->put("CurSheet", com::objectVariant(book.list));
    filler->put("CurWk", com::objectVariant(book.workbook));

    EXPECT_EQ(filler->Invoke(idOf("DoA_Begin"), MemberKind::Method, {Variant("List"), Variant(true)}), Variant(true));
    EXPECT_EQ(filler->Invoke(idOf("DoA_ReplaceWhiteDot"), MemberKind::Method, {Variant("TITLE"), Variant("T")}),
              Variant(true));
    auto rst = recordset({"code"}, {{Variant(7)}, {Variant(8)}});
    EXPECT_EQ(filler->call("DoA_OutputRst", {rst->toVariant()}), Variant(true));
    EXPECT_EQ(filler->Invoke(idOf("DoA_OutputString"), MemberKind::Method, {Variant(9), Variant(2), Variant("s")}),
              Variant(true));
    EXPECT_EQ(filler->call("DoA_OutputString1", {Variant("C9"), Variant("s1")}), Variant(true));
    EXPECT_EQ(filler->call("DoA_End"), Variant(true));
    EXPECT_EQ(book.column("B", 3, 4), (std::vector<std::string>{"7", "8"}));
    EXPECT_EQ(book.text("B9"), "s");
    EXPECT_EQ(book.text("C9"), "s1");
    EXPECT_EQ(book.text("D2"), "T");
    EXPECT_TRUE(book.at("A2").isEmpty());  // end mode 1 cleared the control column
    EXPECT_THROW(filler->Invoke(idOf("DoA_OutputString1"), MemberKind::Method, {Variant("??"), Variant("x")}),
                 com::Error);
}

TEST(TmplPrintBatDispatch, XmlMembersByNameAndByIdentifier) {
    ListBook book;
    book.put({{"A2", "2,1"}, {"A3", "3"}, {"B1", "v"}});
    auto filler = Self::create();
    filler->put("CurWk", com::objectVariant(book.workbook));
    ASSERT_EQ(filler->call("DoA_Begin", {Variant("List")}), Variant(true));

    data::XmlDocument document;
    ASSERT_TRUE(document.loadXml(R"(<r><x v="a"/><x v="b"/></r>)"));
    auto list = document.documentElement().selectNodes("x");
    std::vector<Variant> args{list->toVariant()};
    EXPECT_EQ(filler->Invoke(idOf("DoA_OutputXml0"), MemberKind::Method, args), Variant(true));
    EXPECT_EQ(book.column("B", 3, 4), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(filler->call("DoA_OutputXml0", {Variant()}), Variant(false));
    EXPECT_EQ(filler->call("DoA_OutputXml", {Variant("/no/such/file.xml"), Variant("x")}), Variant(false));
    EXPECT_EQ(filler->Invoke(idOf("DoA_OutputXml"), MemberKind::Method, {Variant("/no/such/file.xml"), Variant("x")}),
              Variant(false));
}

}  // namespace
}  // namespace tavlora::tmplbat
