#include "support/ChartTestSupport.h"
#include "host/chart/ChartReference.h"

namespace tavlora::host::test {
namespace {

// ---- R1C1 references ----

TEST(ChartReferenceParsing, CellsAreasRowsAndColumns) {
    auto cell = parseR1C1Reference("=Data!R2C3", "");
    ASSERT_EQ(cell.areas.size(), 1u);
    EXPECT_EQ(cell.areas[0].sheet, "Data");
    EXPECT_EQ(cell.areas[0].area, Area::cell(2, 3));

    auto area = parseR1C1Reference("=Data!R6C2:R2C2", "");
    EXPECT_EQ(area.areas[0].area, (Area{2, 2, 6, 2}));  // corners in any order

    auto rows = parseR1C1Reference("=Data!R2:R4", "");
    EXPECT_EQ(rows.areas[0].area, (Area{2, 1, 4, kMaxColumns}));
    auto column = parseR1C1Reference("=Data!C3", "");
    EXPECT_EQ(column.areas[0].area, (Area{1, 3, kMaxRows, 3}));

    auto lower = parseR1C1Reference(" = data!r1c1:r2c2 ", "");
    EXPECT_EQ(lower.areas[0].sheet, "data");
    EXPECT_EQ(lower.areas[0].area, (Area{1, 1, 2, 2}));
}

TEST(ChartReferenceParsing, GridBoundaries) {
    auto corner = parseR1C1Reference("=Data!R1048576C16384", "");
    EXPECT_EQ(corner.areas[0].area, Area::cell(kMaxRows, kMaxColumns));
    expectHostError([] { parseR1C1Reference("=Data!R1048577C1", ""); }, "row 1048577 is outside the sheet");
    expectHostError([] { parseR1C1Reference("=Data!R1C16385", ""); }, "column 16385 is outside the sheet");
    expectHostError([] { parseR1C1Reference("=Data!R0C1", ""); }, "row 0 is outside the sheet");
}

TEST(ChartReferenceParsing, UnionsInParentheses) {
    auto reference = parseR1C1Reference("=(Data!R2C1,Data!R3C1, 'Other data'!R4C1:R5C1)", "");
    ASSERT_EQ(reference.areas.size(), 3u);
    EXPECT_EQ(reference.areas[0], (SheetArea{"Data", Area::cell(2, 1)}));
    EXPECT_EQ(reference.areas[1], (SheetArea{"Data", Area::cell(3, 1)}));
    EXPECT_EQ(reference.areas[2], (SheetArea{"Other data", Area{4, 1, 5, 1}}));
    EXPECT_EQ(reference.a1(), "(Data!$A$2,Data!$A$3,'Other data'!$A$4:$A$5)");
    EXPECT_EQ(reference.r1c1(), "=(Data!R2C1,Data!R3C1,'Other data'!R4C1:R5C1)");

    expectHostError([] { parseR1C1Reference("=Data!R2C1,Data!R3C1", ""); }, "must be put in parentheses");
    expectHostError([] { parseR1C1Reference("=(Data!R2C1,Data!R3C1", ""); }, "not closed");
    expectHostError([] { parseR1C1Reference("=(Data!R2C1;Data!R3C1)", ""); }, "expected \",\" or \")\"");
}

TEST(ChartReferenceParsing, QuotedSheetNames) {
    auto quoted = parseR1C1Reference("='It''s here'!R1C1", "");
    EXPECT_EQ(quoted.areas[0].sheet, "It's here");
    EXPECT_EQ(quoted.a1(), "'It''s here'!$A$1");
    auto unicode = parseR1C1Reference("=数据!R1C1", "");
    EXPECT_EQ(unicode.areas[0].sheet, "数据");
    expectHostError([] { parseR1C1Reference("='Open!R1C1", ""); }, "not closed");
    expectHostError([] { parseR1C1Reference("=''!R1C1", ""); }, "empty");
}

TEST(ChartReferenceParsing, SheetNamesThatNeedQuotes) {
    expectHostError([] { parseR1C1Reference("=My Data!R1C1", ""); }, "holds a blank and must be quoted");
    expectHostError([] { parseR1C1Reference("=(Data!R1C1,My Data!R2C1)", ""); }, "holds a blank");
    expectHostError([] { parseR1C1Reference("=Q-1!R1C1", ""); }, "holds \"-\" and must be quoted");
    expectHostError([] { parseR1C1Reference("=Q$1!R1C1", ""); }, "holds \"$\" and must be quoted");
    expectHostError([] { parseR1C1Reference("=[1]Data!R1C1", ""); }, "holds \"[\" and must be quoted");
}

TEST(ChartReferenceParsing, WithoutSheetName) {
    auto qualified = parseR1C1Reference("=R2C2:R3C2", "Host");
    EXPECT_EQ(qualified.areas[0].sheet, "Host");
    expectHostError([] { parseR1C1Reference("=R2C2", ""); }, "needs a sheet name");
}

TEST(ChartReferenceParsing, RefusedForms) {
    expectHostError([] { parseR1C1Reference("Data!R1C1", ""); }, "starts with \"=\"");
    expectHostError([] { parseR1C1Reference("=Data!R[1]C1", ""); }, "relative references");
    expectHostError([] { parseR1C1Reference("=Data!RC", ""); }, "R must be followed by a row number");
    expectHostError([] { parseR1C1Reference("=Data!B2", ""); }, "expected a reference such as R2C3");
    expectHostError([] { parseR1C1Reference("=Data!R1C1:R2", ""); }, "cells, rows or columns alike");
    expectHostError([] { parseR1C1Reference("=Data!R1C1 junk", ""); }, "unexpected \"junk\"");
    expectHostError([] { parseR1C1Reference("=", ""); }, "expected a reference");
}

// ---- A1 references as chart parts store them ----

TEST(ChartReferenceParsing, A1FormOfParts) {
    auto plain = parseA1Reference("Sheet1!$B$2:$B$6");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->areas[0], (SheetArea{"Sheet1", Area{2, 2, 6, 2}}));
    auto relative = parseA1Reference("Sheet1!B2:B6");
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->areas[0].area, (Area{2, 2, 6, 2}));
    auto quoted = parseA1Reference("'Q1 ''24'!$A$1");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->areas[0].sheet, "Q1 '24");
    auto unionWith = parseA1Reference("(Sheet1!$A$2,'A, b'!$A$3)");
    ASSERT_TRUE(unionWith);
    ASSERT_EQ(unionWith->areas.size(), 2u);
    EXPECT_EQ(unionWith->areas[1].sheet, "A, b");
    auto unionWithout = parseA1Reference("Sheet1!$A$2,Sheet1!$A$3");
    ASSERT_TRUE(unionWithout);
    EXPECT_EQ(unionWithout->areas.size(), 2u);

    auto spaced = parseA1Reference(" ( Sheet1!A1 , 'It''s'!B2:B3 ) ");
    ASSERT_TRUE(spaced);
    ASSERT_EQ(spaced->areas.size(), 2u);
    EXPECT_EQ(spaced->areas[1], (SheetArea{"It's", Area{2, 2, 3, 2}}));
    auto columns = parseA1Reference("Sheet1!$B:$B");
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->areas[0].area, (Area{1, 2, kMaxRows, 2}));

    EXPECT_FALSE(parseA1Reference("Sheet1!$A$1,"));
    EXPECT_FALSE(parseA1Reference("Sheet1!$A$1 Sheet1!$A$2"));
    EXPECT_FALSE(parseA1Reference("Jan:Mar!$A$1"));
    EXPECT_FALSE(parseA1Reference("Sheet1!$A$1+1"));
    EXPECT_FALSE(parseA1Reference("[1]Sheet1!$A$1"));
    EXPECT_FALSE(parseA1Reference("Sheet1!#REF!"));
    EXPECT_FALSE(parseA1Reference("$A$1"));
    EXPECT_FALSE(parseA1Reference("MyName"));
    EXPECT_FALSE(parseA1Reference(""));
}

TEST(ChartReferenceParsing, WrittenForms) {
    ChartReference reference{{SheetArea{"Data", Area{2, 2, 6, 2}}}};
    EXPECT_EQ(reference.a1(), "Data!$B$2:$B$6");
    EXPECT_EQ(reference.r1c1(), "=Data!R2C2:R6C2");
    reference.areas[0].sheet = "2024";
    EXPECT_EQ(reference.a1(), "'2024'!$B$2:$B$6");
    reference.areas[0].sheet = "R1C1";  // a name that reads as a reference
    EXPECT_EQ(reference.a1(), "'R1C1'!$B$2:$B$6");
    reference.broken = true;
    EXPECT_EQ(reference.a1(), "'R1C1'!#REF!");
    EXPECT_EQ(parseR1C1Reference("=Data!C2:C3", "").r1c1(), "=Data!C2:C3");
    EXPECT_EQ(parseR1C1Reference("=Data!R4", "").r1c1(), "=Data!R4");
}

// ---- array constants ----

TEST(ArrayConstants, Elements) {
    EXPECT_TRUE(isArrayConstant("={1,2.5,3}"));
    EXPECT_TRUE(isArrayConstant(" = {1}"));
    EXPECT_FALSE(isArrayConstant("=Data!R1C1"));
    EXPECT_FALSE(isArrayConstant("{1,2}"));

    auto values = parseArrayConstant("={1,2.5,-3E2,+4}");
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].asDouble(), 1);
    EXPECT_EQ(values[1].asDouble(), 2.5);
    EXPECT_EQ(values[2].asDouble(), -300);
    EXPECT_EQ(values[3].asDouble(), 4);

    auto mixed = parseArrayConstant("={\"Jan\",\"say \"\"hi\"\"\",TRUE,false;#N/A}");
    ASSERT_EQ(mixed.size(), 5u);
    EXPECT_EQ(mixed[0].asString(), "Jan");
    EXPECT_EQ(mixed[1].asString(), "say \"hi\"");
    EXPECT_TRUE(mixed[2].asBool());
    EXPECT_FALSE(mixed[3].asBool());
    EXPECT_EQ(mixed[4], com::Variant::error(com::hr::runtime(2042)));

    // Every error value of the application, letter case ignored.
    auto errors = parseArrayConstant("={#REF!,#spill!,#DIV/0!}");
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0], com::Variant::error(com::hr::runtime(2023)));
    EXPECT_EQ(errors[1], com::Variant::error(com::hr::runtime(2045)));
    EXPECT_EQ(errors[2], com::Variant::error(com::hr::runtime(2007)));
}

TEST(ArrayConstants, Malformed) {
    expectHostError([] { parseArrayConstant("={1,2"); }, "not closed");
    expectHostError([] { parseArrayConstant("={}"); }, "no elements");
    expectHostError([] { parseArrayConstant("={1,,2}"); }, "an element is empty");
    expectHostError([] { parseArrayConstant("={1,abc}"); }, "\"abc\" is not a number");
    expectHostError([] { parseArrayConstant("={1,#FOO!}"); }, "\"#FOO!\" is not a number, a quoted text, TRUE, FALSE or an error value.");
    expectHostError([] { parseArrayConstant("={\"open}"); }, "a text is not closed");
    expectHostError([] { parseArrayConstant("={1} + 1"); }, "after \"}\"");
    expectHostError([] { parseArrayConstant("=1,2"); }, "written ={1,2,3}");
}

// ---- references against the workbook ----

TEST_F(ChartFixture, SeriesReferencesResolveAgainstTheWorkbook) {
    auto object = addEmbedded(data);
    auto s = object->chart()->seriesCollection().newSeries();
    s->setValues("=data!R2C2:R4C2");  // letter case of the sheet name does not matter
    auto& model = static_cast<SeriesModel&>(*s);
    EXPECT_EQ(model.valuesData().reference.a1(), "Data!$B$2:$B$4");  // spelled as the workbook does

    expectHostError([&] { s->setValues("=Nowhere!R2C2:R4C2"); }, "which this workbook does not have");
    expectHostError([&] { s->setXValues("=(Data!R2C1,Nowhere!R3C1)"); }, "'Nowhere'");
    expectHostError([&] { s->setName("=My Data!R1C2"); }, "must be quoted");
    auto chartSheet = book->addChartSheet();
    expectHostError([&] { s->setValues("=" + chartSheet->name() + "!R1C1"); }, "is a chart sheet, not a worksheet");
    // A failed assignment leaves the series as it was.
    EXPECT_EQ(model.valuesData().reference.a1(), "Data!$B$2:$B$4");

    book->addWorksheet()->setName("My Data");
    s->setName("='My Data'!R1C2");
    EXPECT_EQ(model.nameData().reference.a1(), "'My Data'!$B$1");

    // An unqualified reference on an embedded chart means the chart's own sheet.
    s->setValues("=R2C3:R4C3");
    EXPECT_EQ(model.valuesData().reference.a1(), "Data!$C$2:$C$4");
    // A chart sheet has no sheet of its own to mean.
    auto onChartSheet = chartSheet->chart()->seriesCollection().newSeries();
    expectHostError([&] { onChartSheet->setValues("=R2C3:R4C3"); }, "needs a sheet name");
}

}  // namespace
}  // namespace tavlora::host::test
