#include <gtest/gtest.h>

#include "com/Conversions.h"
#include "report/outputrcd/OutputRcdTestSupport.h"
#include "support/TestPaths.h"

namespace tavlora::outputrcd {
namespace {

using com::Variant;
using test::select;
using test::TableBook;

const char* kPeople =
    "<root>"
    "<fields><f key='id' caption='No.'>id</f><f caption='skipped'>nokey</f><f key='name' caption='Name'>name</f></fields>"
    "<row id='1' name='Ana'/>"
    "<row id='2' name='Bo' city='Oslo'/>"
    "<row name='Cy'/>"
    "</root>";

std::vector<std::string> headerOf(const TableBook& book, int columns, const std::string& row = "1") {
    std::vector<std::string> out;
    for (int c = 0; c < columns; ++c) {
        Variant v = book.data->range(host::columnLetters(1 + c) + row).value();
        out.push_back(v.isEmpty() ? "<empty>" : com::toTextOrEmpty(v));
    }
    return out;
}

TEST(XmlTable, Mode0TakesTheColumnsFromTheFirstRecord) {
    TableBook book;
    auto rows = select(kPeople, "row");
    ASSERT_TRUE(book.writer->DoA_RcdXml0("Data", rows, nullptr));
    EXPECT_EQ(headerOf(book, 3), (std::vector<std::string>{"id", "name", "<empty>"}));
    EXPECT_EQ(book.at("A2"), Variant("1"));  // text: the body is text-formatted
    EXPECT_EQ(book.at("B2"), Variant("Ana"));
    EXPECT_EQ(book.at("B3"), Variant("Bo"));
    EXPECT_TRUE(book.at("C3").isEmpty());  // city is no column
    EXPECT_TRUE(book.at("A4").isEmpty());  // Cy has no id
    EXPECT_EQ(book.at("B4"), Variant("Cy"));
    EXPECT_EQ(book.writer->fieldKeys(), (std::vector<std::string>{"id", "name", ""}));
    EXPECT_EQ(book.data->range("A2").font().name(), "宋体");
    EXPECT_EQ(book.data->range("A1").font().size(), 16);
}

TEST(XmlTable, Mode1TakesTheKeysFromTheFieldTexts) {
    TableBook book;
    book.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldText);
    ASSERT_TRUE(book.writer->DoA_RcdXml0("Data", select(kPeople, "row"), select(kPeople, "fields/f")));
    EXPECT_EQ(headerOf(book, 4), (std::vector<std::string>{"id", "nokey", "name", "<empty>"}));
    EXPECT_EQ(book.at("A3"), Variant("2"));
    EXPECT_TRUE(book.at("B3").isEmpty());
    EXPECT_EQ(book.at("C3"), Variant("Bo"));
}

TEST(XmlTable, Mode2And3TakeKeysAndCaptionsFromAttributes) {
    TableBook book;
    book.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldKeyAndCaption);
    book.writer->setXmlFldKey("key");
    book.writer->setXmlFldAdo("caption");
    ASSERT_TRUE(book.writer->DoA_RcdXml0("Data", select(kPeople, "row"), select(kPeople, "fields/f")));
    // The field without a key is skipped: "name" moves one column to the left.
    EXPECT_EQ(headerOf(book, 3), (std::vector<std::string>{"No.", "Name", "<empty>"}));
    EXPECT_EQ(book.at("A2"), Variant("1"));
    EXPECT_EQ(book.at("B2"), Variant("Ana"));
    EXPECT_EQ(book.writer->fieldKeys(), (std::vector<std::string>{"id", "name", "", ""}));
    EXPECT_EQ(book.writer->fieldNames(), (std::vector<std::string>{"No.", "Name", "", ""}));

    // Without a caption attribute name the captions are the keys, as in mode 2.
    for (int32_t way : {CExcelOutputRcd::kXmlWayFieldKeyAndCaption, CExcelOutputRcd::kXmlWayFieldKeyAttribute}) {
        TableBook plain;
        plain.writer->setXmlWay(way);
        plain.writer->setXmlFldKey("key");
        plain.writer->setXmlFldAdo(way == CExcelOutputRcd::kXmlWayFieldKeyAttribute ? "caption" : "");
        ASSERT_TRUE(plain.writer->DoA_RcdXml0("Data", select(kPeople, "row"), select(kPeople, "fields/f")));
        EXPECT_EQ(headerOf(plain, 3), (std::vector<std::string>{"id", "name", "<empty>"})) << way;
    }
}

TEST(XmlTable, TitleAndPosition) {
    TableBook book;
    book.writer->setIsTitle(true);
    ASSERT_TRUE(book.writer->DoA_RcdXml0("Data", select(kPeople, "row"), nullptr, 3, 2));
    EXPECT_TRUE(book.isMerged("B3:C3"));
    EXPECT_EQ(book.at("B3"), Variant("Data记录"));
    EXPECT_EQ(book.at("B4"), Variant("id"));
    EXPECT_EQ(book.at("C4"), Variant("name"));
    EXPECT_EQ(book.at("B5"), Variant("1"));
    EXPECT_EQ(book.at("C5"), Variant("Ana"));
    EXPECT_EQ(book.data->range("B3").rowHeight(), 48);
    EXPECT_TRUE(book.data->range("B3").font().bold());
}

TEST(XmlTable, EmptyOrMissingAttributesLeaveTheCellAsItWas) {
    TableBook book;
    book.data->range("B3").setValue(Variant("old"));
    book.data->range("A4").setValue(Variant("older"));
    auto rows = select("<r><row a='1' b='x'/><row a='2' b=''/><row b='z'/></r>", "row");
    ASSERT_TRUE(book.writer->DoA_RcdXml0("Data", rows, nullptr));
    EXPECT_EQ(book.at("B3"), Variant("old"));
    EXPECT_EQ(book.at("A4"), Variant("older"));
    EXPECT_EQ(book.at("B4"), Variant("z"));
}

TEST(XmlTable, DataListIsLeftAfterItsLastNode) {
    TableBook book;
    auto rows = select(kPeople, "row");
    rows->nextNode();
    rows->nextNode();
    ASSERT_TRUE(book.writer->DoA_RcdXml0("Data", rows, nullptr));
    EXPECT_EQ(book.at("B2"), Variant("Ana"));  // reset first
    EXPECT_TRUE(rows->nextNode().isNull());
}

TEST(XmlTable, FromAFileWithOneLoadForBothQueries) {
    tavlora::test::TempDir dir;
    auto file = dir.file("people.xml");
    test::writeTextFile(file, kPeople);
    TableBook book;
    ASSERT_TRUE(book.writer->DoA_RcdXml("Data", file.string(), "row"));
    EXPECT_EQ(book.at("B4"), Variant("Cy"));

    TableBook text;
    text.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldText);
    ASSERT_TRUE(text.writer->DoA_RcdXml("Data", file.string(), "/root/row", "fields/f", 2, 1));
    EXPECT_EQ(text.at("C2"), Variant("name"));
    EXPECT_EQ(text.at("C5"), Variant("Cy"));

    // Failures: no file, a rejected row query, and in modes other than 0 a missing or rejected
    // field query.
    TableBook failures;
    EXPECT_FALSE(failures.writer->DoA_RcdXml("Data", dir.file("missing.xml").string(), "row"));
    EXPECT_FALSE(failures.writer->DoA_RcdXml("Data", file.string(), "row[["));
    EXPECT_FALSE(failures.writer->DoA_RcdXml("Data", file.string(), "nothing"));
    failures.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldText);
    EXPECT_FALSE(failures.writer->DoA_RcdXml("Data", file.string(), "row"));
    EXPECT_FALSE(failures.writer->DoA_RcdXml("Data", file.string(), "row", "f[["));
    EXPECT_TRUE(failures.at("A1").isEmpty());
    EXPECT_EQ(failures.workbook->sheets().size(), 2u);
}

// Field nodes laid out on lines of their own: the ends of their texts are white space the
// document does not keep, so the keys are the bare names and the rows find their attributes.
TEST(XmlTable, FieldTextsOnLinesOfTheirOwnAreTrimmed) {
    tavlora::test::TempDir dir;
    auto file = dir.file("indented.xml");
    test::writeTextFile(file,
                        "<root>\n"
                        "  <fields>\n"
                        "    <f>\n id\n</f>\n"
                        "    <f>\n\t name  \n    </f>\n"
                        "  </fields>\n"
                        "  <row id='1' name='Ana'/>\n"
                        "  <row id='2' name='Bo'/>\n"
                        "</root>\n");
    TableBook book;
    book.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldText);
    ASSERT_TRUE(book.writer->DoA_RcdXml("Data", file.string(), "row", "fields/f"));
    EXPECT_EQ(headerOf(book, 3), (std::vector<std::string>{"id", "name", "<empty>"}));
    EXPECT_EQ(headerOf(book, 2, "2"), (std::vector<std::string>{"1", "Ana"}));
    EXPECT_EQ(headerOf(book, 2, "3"), (std::vector<std::string>{"2", "Bo"}));
}

// ---- failures ----

TEST(XmlTableFailure, EmptyOrMissingDataListWritesNothing) {
    TableBook book;
    EXPECT_FALSE(book.writer->DoA_RcdXml0("New", nullptr, nullptr));
    EXPECT_FALSE(book.writer->DoA_RcdXml0("New", select(kPeople, "nothing"), nullptr));
    EXPECT_EQ(book.workbook->sheets().size(), 2u);
    EXPECT_EQ(book.job->usedSheets(), std::vector<std::string>{""});
}

TEST(XmlTableFailure, NoAcceptedColumnAfterTheSheetWasAdded) {
    TableBook book;
    book.writer->setXmlWay(5);
    EXPECT_FALSE(book.writer->DoA_RcdXml0("New", select(kPeople, "row"), select(kPeople, "fields/f")));
    ASSERT_EQ(book.workbook->sheets().size(), 3u);
    EXPECT_EQ(book.workbook->sheets().back()->name(), "New");
    EXPECT_EQ(book.job->usedSheets(), (std::vector<std::string>{"New", ""}));
    EXPECT_EQ(book.writer->CurSheet()->range("A1").font().name(), "Calibri");
    EXPECT_EQ(book.writer->fieldKeys(), (std::vector<std::string>(4, "")));

    book.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldText);
    EXPECT_FALSE(book.writer->DoA_RcdXml0("Data", select(kPeople, "row"), nullptr));  // no field list
    book.writer->setXmlWay(CExcelOutputRcd::kXmlWayFieldKeyAttribute);
    book.writer->setXmlFldKey("absent");
    EXPECT_FALSE(book.writer->DoA_RcdXml0("Data", select(kPeople, "row"), select(kPeople, "fields/f")));
    book.writer->setXmlWay(CExcelOutputRcd::kXmlWayFirstRecordAttributes);
    EXPECT_FALSE(book.writer->DoA_RcdXml0("Data", select("<r><row/><row a='1'/></r>", "row"), nullptr));
    EXPECT_TRUE(book.at("A1").isEmpty());
}

TEST(XmlTableFailure, ANodeThatIsNoElementStopsTheTable) {
    TableBook book;
    auto nodes = select("<r><row a='1'/><row a='2'>text</row><row a='3'/></r>", "row|row/text()");
    ASSERT_EQ(nodes->length(), 4);
    EXPECT_FALSE(book.writer->DoA_RcdXml0("Data", nodes, nullptr));
    EXPECT_EQ(book.at("A2"), Variant("1"));
    EXPECT_EQ(book.at("A3"), Variant("2"));
    EXPECT_TRUE(book.at("A4").isEmpty());
}

TEST(XmlTableFailure, RowsEndAt32767) {
    auto rows = select("<r><row a='1'/><row a='2'/></r>", "row");
    TableBook book;
    EXPECT_TRUE(book.writer->DoA_RcdXml0("Data", rows, nullptr, 32765));
    EXPECT_EQ(book.at("A32767"), Variant("2"));
    TableBook beyond;
    EXPECT_FALSE(beyond.writer->DoA_RcdXml0("Data", rows, nullptr, 32766));
    EXPECT_EQ(beyond.at("A32767"), Variant("1"));
    EXPECT_TRUE(beyond.at("A32768").isEmpty());
}

}  // namespace
}  // namespace tavlora::outputrcd
