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

TEST(TmplPrintBatDispatch, MembersInSlotOrderWithTheirIdentifiers) {
    struct Expected {
        const char* name;
        com::DISPID id;
        MemberKind kind;
    };
    const std::vector<Expected> expected = {
        {"CurBatObj", 0x68030003, MemberKind::PropertySet},     {"CurBatObj", 0x68030003, MemberKind::PropertyGet},
        {"CurWk", 0x68030002, MemberKind::PropertySet},         {"CurWk", 0x68030002, MemberKind::PropertyGet},
        {"CurSheet", 0x68030001, MemberKind::PropertySet},      {"CurSheet", 0x68030001, MemberKind::PropertyGet},
        {"IsNoZero", 0x68030000, MemberKind::PropertyLet},      {"IsNoZero", 0x68030000, MemberKind::PropertyGet},
        {"DoA_Begin", 0x60030005, MemberKind::Method},          {"DoA_OutputRst", 0x60030006, MemberKind::Method},
        {"DoA_ReplaceWhiteDot", 0x60030007, MemberKind::Method}, {"DoA_OutputString", 0x60030008, MemberKind::Method},
        {"DoA_OutputString1", 0x60030009, MemberKind::Method},  {"DoA_End", 0x6003000A, MemberKind::Method},
        {"DoA_OutputXml0", 0x60030012, MemberKind::Method},     {"DoA_OutputXml", 0x60030013, MemberKind::Method},
    };
    auto filler = Self::create();
    const auto& table = filler->dispatchTable();
    EXPECT_EQ(table.interfaceName(), "_CExcelTmplPrintBat");
    ASSERT_EQ(table.members().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(table.members()[i].name, expected[i].name) << i;
        EXPECT_EQ(table.members()[i].dispid, expected[i].id) << i;
        EXPECT_EQ(table.members()[i].kind, expected[i].kind) << i;
        EXPECT_EQ(filler->GetIDsOfNames(expected[i].name), expected[i].id);
    }
    EXPECT_EQ(Self::kDispIdDoA_OutputXml, 0x60030013);
    EXPECT_EQ(filler->GetIDsOfNames("doa_outputrst"), 0x60030006);
}

TEST(TmplPrintBatDispatch, PropertiesByNameAndByIdentifier) {
    ListBook book;
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    auto filler = Self::create();

    filler->put("CurBatObj", com::objectVariant(job));
    EXPECT_EQ(filler->CurWk(), book.workbook);
    EXPECT_EQ(filler->get("CurBatObj").asObject(), job);
    EXPECT_EQ(filler->Invoke(Self::kDispIdCurBatObj, MemberKind::PropertyGet, {}).asObject(), job);

    filler->Invoke(Self::kDispIdCurWk, MemberKind::PropertySet, {com::objectVariant(book.workbook)});
    EXPECT_EQ(filler->get("curwk").asObject(), book.workbook);

    filler->put("CurSheet", com::objectVariant(book.other));
    EXPECT_EQ(filler->CurSheet(), book.other);
    filler->Invoke(Self::kDispIdCurSheet, MemberKind::PropertySet, {com::objectVariant(book.list)});
    EXPECT_EQ(filler->Invoke(Self::kDispIdCurSheet, MemberKind::PropertyGet, {}).asObject(), book.list);

    EXPECT_EQ(filler->get("IsNoZero"), Variant(true));
    filler->put("IsNoZero", Variant(false));
    EXPECT_FALSE(filler->IsNoZero());
    filler->Invoke(Self::kDispIdIsNoZero, MemberKind::PropertyLet, {Variant(int16_t(-1))});
    EXPECT_EQ(filler->Invoke(Self::kDispIdIsNoZero, MemberKind::PropertyGet, {}), Variant(true));

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
    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_OutputRst, MemberKind::Method, args), Variant(true));
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(filler->call("DoA_OutputRst", {Variant()}), Variant(false));  // Nothing
    EXPECT_EQ(filler->call("DoA_OutputRst", {com::objectVariant(book.list)}), Variant(false));  // not a recordset

    EXPECT_EQ(filler->call("DoA_OutputString", {Variant("10"), Variant(int16_t(3)), Variant("free")}), Variant(true));
    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_OutputString1, MemberKind::Method, {Variant("D11"), Variant("one")}),
              Variant(true));
    EXPECT_THROW(filler->call("DoA_OutputString", {Variant(40000), Variant(1), Variant("x")}), com::Error);

    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_End, MemberKind::Method, {}), Variant(true));
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

    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_Begin, MemberKind::Method, {Variant("List"), Variant(true)}), Variant(true));
    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_ReplaceWhiteDot, MemberKind::Method, {Variant("TITLE"), Variant("T")}),
              Variant(true));
    auto rst = recordset({"code"}, {{Variant(7)}, {Variant(8)}});
    EXPECT_EQ(filler->call("DoA_OutputRst", {rst->toVariant()}), Variant(true));
    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_OutputString, MemberKind::Method, {Variant(9), Variant(2), Variant("s")}),
              Variant(true));
    EXPECT_EQ(filler->call("DoA_OutputString1", {Variant("C9"), Variant("s1")}), Variant(true));
    EXPECT_EQ(filler->call("DoA_End"), Variant(true));
    EXPECT_EQ(book.column("B", 3, 4), (std::vector<std::string>{"7", "8"}));
    EXPECT_EQ(book.text("B9"), "s");
    EXPECT_EQ(book.text("C9"), "s1");
    EXPECT_EQ(book.text("D2"), "T");
    EXPECT_TRUE(book.at("A2").isEmpty());  // end mode 1 cleared the control column
    EXPECT_THROW(filler->Invoke(Self::kDispIdDoA_OutputString1, MemberKind::Method, {Variant("??"), Variant("x")}),
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
    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_OutputXml0, MemberKind::Method, args), Variant(true));
    EXPECT_EQ(book.column("B", 3, 4), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(filler->call("DoA_OutputXml0", {Variant()}), Variant(false));
    EXPECT_EQ(filler->call("DoA_OutputXml", {Variant("/no/such/file.xml"), Variant("x")}), Variant(false));
    EXPECT_EQ(filler->Invoke(Self::kDispIdDoA_OutputXml, MemberKind::Method, {Variant("/no/such/file.xml"), Variant("x")}),
              Variant(false));
}

}  // namespace
}  // namespace tavlora::tmplbat
