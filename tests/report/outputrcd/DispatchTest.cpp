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

// Identifiers as the table gives them to a client that asks by name.
com::DISPID idOf(const char* name) { return Self::create()->GetIDsOfNames(name); }

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
    EXPECT_EQ(get(idOf("IsTitle")), Variant(true));
    EXPECT_EQ(get(idOf("Title")), Variant("Report"));
    EXPECT_EQ(get(idOf("IsNoZero")), Variant(true));
    EXPECT_EQ(get(idOf("IsFldNameOfAlias")), Variant(true));
    EXPECT_EQ(get(idOf("xmlWay")), Variant(int32_t{3}));
    EXPECT_EQ(get(idOf("xmlFldKey")), Variant("key"));
    EXPECT_EQ(get(idOf("xmlFldAdo")), Variant("caption"));

    auto let = [&](com::DISPID id, Variant v) { writer->Invoke(id, MemberKind::PropertyLet, {std::move(v)}); };
    let(idOf("IsTitle"), Variant(false));
    let(idOf("Title"), Variant(""));
    let(idOf("IsNoZero"), Variant(false));
    let(idOf("IsFldNameOfAlias"), Variant(false));
    let(idOf("xmlWay"), Variant(-7.0));
    let(idOf("xmlFldKey"), Variant(""));
    let(idOf("xmlFldAdo"), Variant(""));
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
    EXPECT_EQ(writer->Invoke(idOf("CurWk"), MemberKind::PropertyGet, {}).asObject(), book.workbook);

    writer->Invoke(idOf("CurSheet"), MemberKind::PropertySet, {com::objectVariant(book.other)});
    EXPECT_EQ(writer->get("CurSheet").asObject(), book.other);
    EXPECT_EQ(writer->Invoke(idOf("CurSheet"), MemberKind::PropertyGet, {}).asObject(), book.other);

    writer->Invoke(idOf("CurBatObj"), MemberKind::PropertySet, {Variant(com::ObjectPtr{})});
    EXPECT_EQ(writer->CurBatObj(), nullptr);
    EXPECT_EQ(writer->CurWk(), book.workbook);
    EXPECT_EQ(writer->Invoke(idOf("CurBatObj"), MemberKind::PropertyGet, {}).asObject(), nullptr);
    writer->Invoke(idOf("CurWk"), MemberKind::PropertySet, {Variant(com::ObjectPtr{})});
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
    EXPECT_EQ(book.writer->Invoke(idOf("DoA_RcdRst"), MemberKind::Method, args), Variant(true));
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
    EXPECT_EQ(book.writer->Invoke(idOf("DoA_RcdXml0"), MemberKind::Method, args), Variant(true));
    EXPECT_EQ(book.other->range("C1").value(), Variant("id"));
    EXPECT_EQ(book.other->range("C2").value(), Variant("7"));

    tavlora::test::TempDir dir;
    auto file = dir.file("t.xml");
    test::writeTextFile(file, xml);
    book.writer->put("xmlWay", Variant(int32_t{0}));
    EXPECT_EQ(book.writer->call("DoA_RcdXml", {Variant("Data"), Variant(file.string()), Variant("row")}),
              Variant(true));
    EXPECT_EQ(book.writer->Invoke(idOf("DoA_RcdXml"), MemberKind::Method,
                                  {Variant("Data"), Variant(file.string()), Variant("row"), Variant(""),
                                   Variant(int32_t{5}), Variant(int32_t{1})}),
              Variant(true));
    EXPECT_EQ(book.at("A6"), Variant("7"));
    EXPECT_EQ(book.writer->call("DoA_RcdXml", {Variant("Data"), Variant(file.string()), Variant("nothing")}),
              Variant(false));
}

}  // namespace
}  // namespace tavlora::outputrcd
