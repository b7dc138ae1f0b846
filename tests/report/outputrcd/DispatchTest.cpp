#include <gtest/gtest.h>

#include "com/ObjectCast.h"
#include "report/outputrcd/OutputRcdTestSupport.h"
#include "support/TestPaths.h"

namespace tavlora::outputrcd {
namespace {

using com::MemberKind;
using com::Variant;
using test::TableBook;
using Self = CExcelOutputRcd;

TEST(OutputRcdDispatch, MembersInSlotOrderWithTheirIdentifiers) {
    struct Expected {
        const char* name;
        com::DISPID id;
        MemberKind kind;
    };
    const std::vector<Expected> expected = {
        {"CurBatObj", 0x68030009, MemberKind::PropertySet},
        {"CurBatObj", 0x68030009, MemberKind::PropertyGet},
        {"CurWk", 0x68030008, MemberKind::PropertySet},
        {"CurWk", 0x68030008, MemberKind::PropertyGet},
        {"CurSheet", 0x68030007, MemberKind::PropertySet},
        {"CurSheet", 0x68030007, MemberKind::PropertyGet},
        {"IsFldNameOfAlias", 0x68030006, MemberKind::PropertyLet},
        {"IsFldNameOfAlias", 0x68030006, MemberKind::PropertyGet},
        {"IsTitle", 0x68030005, MemberKind::PropertyLet},
        {"IsTitle", 0x68030005, MemberKind::PropertyGet},
        {"Title", 0x68030004, MemberKind::PropertyLet},
        {"Title", 0x68030004, MemberKind::PropertyGet},
        {"IsNoZero", 0x68030003, MemberKind::PropertyLet},
        {"IsNoZero", 0x68030003, MemberKind::PropertyGet},
        {"DoA_RcdRst", 0x6003000A, MemberKind::Method},
        {"xmlWay", 0x68030002, MemberKind::PropertyLet},
        {"xmlWay", 0x68030002, MemberKind::PropertyGet},
        {"xmlFldKey", 0x68030001, MemberKind::PropertyLet},
        {"xmlFldKey", 0x68030001, MemberKind::PropertyGet},
        {"xmlFldAdo", 0x68030000, MemberKind::PropertyLet},
        {"xmlFldAdo", 0x68030000, MemberKind::PropertyGet},
        {"DoA_RcdXml0", 0x6003000E, MemberKind::Method},
        {"DoA_RcdXml", 0x6003000F, MemberKind::Method},
    };
    auto writer = Self::create();
    const auto& table = writer->dispatchTable();
    EXPECT_EQ(table.interfaceName(), "_CExcelOutputRcd");
    ASSERT_EQ(table.members().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& member = table.members()[i];
        EXPECT_EQ(member.name, expected[i].name) << i;
        EXPECT_EQ(member.dispid, expected[i].id) << i;
        EXPECT_EQ(member.kind, expected[i].kind) << i;
        EXPECT_TRUE(member.impl) << i;
        EXPECT_EQ(writer->GetIDsOfNames(expected[i].name), expected[i].id);
    }
    EXPECT_EQ(writer->GetIDsOfNames("XMLWAY"), 0x68030002);
}

TEST(OutputRcdDispatch, ValuePropertiesByNameAndByIdentifier) {
    auto writer = Self::create();
    EXPECT_EQ(writer->get("IsTitle"), Variant(false));
    EXPECT_EQ(writer->get("Title"), Variant(""));
    EXPECT_EQ(writer->get("xmlWay"), Variant(int32_t{0}));

    writer->put("IsTitle", Variant(true));
    writer->put("Title", Variant("Report"));
    writer->put("IsNoZero", Variant(true));
    writer->put("IsFldNameOfAlias", Variant(int16_t{-1}));
    writer->put("xmlWay", Variant(int16_t{3}));
    writer->put("xmlFldKey", Variant("key"));
    writer->put("xmlFldAdo", Variant("caption"));
    EXPECT_TRUE(writer->IsTitle());
    EXPECT_EQ(writer->Title(), "Report");
    EXPECT_TRUE(writer->IsNoZero());
    EXPECT_TRUE(writer->IsFldNameOfAlias());
    EXPECT_EQ(writer->xmlWay(), 3);
    EXPECT_EQ(writer->xmlFldKey(), "key");
    EXPECT_EQ(writer->xmlFldAdo(), "caption");

    auto get = [&](com::DISPID id) { return writer->Invoke(id, MemberKind::PropertyGet, {}); };
    EXPECT_EQ(get(Self::kDispIdIsTitle), Variant(true));
    EXPECT_EQ(get(Self::kDispIdTitle), Variant("Report"));
    EXPECT_EQ(get(Self::kDispIdIsNoZero), Variant(true));
    EXPECT_EQ(get(Self::kDispIdIsFldNameOfAlias), Variant(true));
    EXPECT_EQ(get(Self::kDispIdXmlWay), Variant(int32_t{3}));
    EXPECT_EQ(get(Self::kDispIdXmlFldKey), Variant("key"));
    EXPECT_EQ(get(Self::kDispIdXmlFldAdo), Variant("caption"));

    auto let = [&](com::DISPID id, Variant v) { writer->Invoke(id, MemberKind::PropertyLet, {std::move(v)}); };
    let(Self::kDispIdIsTitle, Variant(false));
    let(Self::kDispIdTitle, Variant(""));
    let(Self::kDispIdIsNoZero, Variant(false));
    let(Self::kDispIdIsFldNameOfAlias, Variant(false));
    let(Self::kDispIdXmlWay, Variant(-7.0));
    let(Self::kDispIdXmlFldKey, Variant(""));
    let(Self::kDispIdXmlFldAdo, Variant(""));
    EXPECT_FALSE(writer->IsTitle());
    EXPECT_EQ(writer->Title(), "");
    EXPECT_FALSE(writer->IsNoZero());
    EXPECT_FALSE(writer->IsFldNameOfAlias());
    EXPECT_EQ(writer->xmlWay(), -7);
    EXPECT_EQ(writer->xmlFldKey(), "");
    EXPECT_EQ(writer->xmlFldAdo(), "");
}

TEST(OutputRcdDispatch, ReferencePropertiesByNameAndByIdentifier) {
    TableBook book;
    auto writer = Self::create();
    writer->put("CurBatObj", com::objectVariant(book.job));
    EXPECT_EQ(writer->CurWk(), book.workbook);
    EXPECT_EQ(writer->get("CurBatObj").asObject(), book.job);
    EXPECT_EQ(writer->Invoke(Self::kDispIdCurWk, MemberKind::PropertyGet, {}).asObject(), book.workbook);

    writer->Invoke(Self::kDispIdCurSheet, MemberKind::PropertySet, {com::objectVariant(book.other)});
    EXPECT_EQ(writer->get("CurSheet").asObject(), book.other);
    EXPECT_EQ(writer->Invoke(Self::kDispIdCurSheet, MemberKind::PropertyGet, {}).asObject(), book.other);

    writer->Invoke(Self::kDispIdCurBatObj, MemberKind::PropertySet, {Variant(com::ObjectPtr{})});
    EXPECT_EQ(writer->CurBatObj(), nullptr);
    EXPECT_EQ(writer->CurWk(), book.workbook);
    EXPECT_EQ(writer->Invoke(Self::kDispIdCurBatObj, MemberKind::PropertyGet, {}).asObject(), nullptr);
    writer->Invoke(Self::kDispIdCurWk, MemberKind::PropertySet, {Variant(com::ObjectPtr{})});
    EXPECT_EQ(writer->CurWk(), nullptr);
    writer->put("CurWk", com::objectVariant(book.workbook));
    EXPECT_EQ(writer->CurWk(), book.workbook);
    writer->put("CurSheet", Variant(com::ObjectPtr{}));
    EXPECT_EQ(writer->CurSheet(), nullptr);

    EXPECT_THROW(writer->put("CurWk", com::objectVariant(book.data)), com::Error);
    EXPECT_THROW(writer->put("CurBatObj", com::objectVariant(book.workbook)), com::Error);
}

TEST(OutputRcdDispatch, RecordsetTableByNameAndByIdentifier) {
    TableBook book;
    auto rst = test::records({"a", "b"}, {{Variant("1"), Variant("2")}});
    EXPECT_EQ(book.writer->call("DoA_RcdRst", {Variant("Data"), rst->toVariant()}), Variant(true));
    EXPECT_EQ(book.at("A2"), Variant("1"));

    auto more = test::records({"c"}, {{Variant("3")}});
    std::vector<Variant> args{Variant("Data"), more->toVariant(), Variant(int16_t{4}), Variant(int32_t{2})};
    EXPECT_EQ(book.writer->Invoke(Self::kDispIdDoA_RcdRst, MemberKind::Method, args), Variant(true));
    EXPECT_EQ(book.at("B4"), Variant("c"));
    EXPECT_EQ(book.at("B5"), Variant("3"));
    EXPECT_TRUE(more->Eof());

    // Nothing for the recordset is a failed table, not a failed call.
    EXPECT_EQ(book.writer->call("DoA_RcdRst", {Variant("Data"), Variant(com::ObjectPtr{})}), Variant(false));
    EXPECT_THROW(book.writer->call("DoA_RcdRst", {Variant("Data")}), com::Error);
}

TEST(OutputRcdDispatch, XmlTablesByNameAndByIdentifier) {
    TableBook book;
    const std::string xml = "<r><f>id</f><row id='7' name='x'/></r>";
    auto rows = test::select(xml, "row");
    EXPECT_EQ(book.writer->call("DoA_RcdXml0", {Variant("Data"), rows->toVariant(), Variant(com::ObjectPtr{})}),
              Variant(true));
    EXPECT_EQ(book.at("B1"), Variant("name"));

    book.writer->put("xmlWay", Variant(int32_t{1}));
    auto fields = test::select(xml, "f");
    std::vector<Variant> args{Variant("Other"), rows->toVariant(), fields->toVariant(), Variant::missing(),
                              Variant(int32_t{3})};
    EXPECT_EQ(book.writer->Invoke(Self::kDispIdDoA_RcdXml0, MemberKind::Method, args), Variant(true));
    EXPECT_EQ(book.other->range("C1").value(), Variant("id"));
    EXPECT_EQ(book.other->range("C2").value(), Variant("7"));

    tavlora::test::TempDir dir;
    auto file = dir.file("t.xml");
    test::writeTextFile(file, xml);
    book.writer->put("xmlWay", Variant(int32_t{0}));
    EXPECT_EQ(book.writer->call("DoA_RcdXml", {Variant("Data"), Variant(file.string()), Variant("row")}),
              Variant(true));
    EXPECT_EQ(book.writer->Invoke(Self::kDispIdDoA_RcdXml, MemberKind::Method,
                                  {Variant("Data"), Variant(file.string()), Variant("row"), Variant(""),
                                   Variant(int32_t{5}), Variant(int32_t{1})}),
              Variant(true));
    EXPECT_EQ(book.at("A6"), Variant("7"));
    EXPECT_EQ(book.writer->call("DoA_RcdXml", {Variant("Data"), Variant(file.string()), Variant("nothing")}),
              Variant(false));
}

}  // namespace
}  // namespace tavlora::outputrcd
