#include <gtest/gtest.h>

#include "host/formula/StructuredReference.h"

namespace tavlora::host::formula {
namespace {

// "Sales" over B2:F7 of sheet 1: header row 2, data rows 3 to 6, totals row 7.
TableDefinition sales() {
    TableDefinition t;
    t.name = "Sales";
    t.sheet = 1;
    t.area = Area{2, 2, 7, 6};
    t.headerRows = 1;
    t.totalsRows = 1;
    t.columns = {"Region", "Unit Price", "Qty", "Price [EUR]", "It's #1"};
    return t;
}

std::string resolved(const TableDefinition& table, std::string_view brackets, int32_t callerRow = 20) {
    auto result = resolveStructuredReference(table, brackets, callerRow);
    if (const auto* error = std::get_if<ErrorValue>(&result)) return std::string(errorText(*error));
    return cellRangeAddress(std::get<Area>(result));
}

TEST(StructuredReference, ColumnsAndRowPartsNameTheirAreas) {
    const TableDefinition t = sales();
    EXPECT_EQ(resolved(t, "[Qty]"), "D3:D6");
    EXPECT_EQ(resolved(t, ""), "B3:F6");
    EXPECT_EQ(resolved(t, "[]"), "B3:F6");
    EXPECT_EQ(resolved(t, "[#All]"), "B2:F7");
    EXPECT_EQ(resolved(t, "[#Data]"), "B3:F6");
    EXPECT_EQ(resolved(t, "[#Headers]"), "B2:F2");
    EXPECT_EQ(resolved(t, "[#Totals]"), "B7:F7");
    EXPECT_EQ(resolved(t, "[[#Totals],[Qty]]"), "D7");
    EXPECT_EQ(resolved(t, "[[#Headers], [#Data], [Qty]]"), "D2:D6");
    EXPECT_EQ(resolved(t, "[[#Data],[#Totals],[Qty]]"), "D3:D7");
    EXPECT_EQ(resolved(t, "[[Unit Price]:[Qty]]"), "C3:D6");
    EXPECT_EQ(resolved(t, "[[Qty]:[Region]]"), "B3:D6");
    EXPECT_EQ(resolved(t, "[[#All],[Region]:[Unit Price]]"), "B2:C7");
}

TEST(StructuredReference, ThisRowIsTheCallersRowOfTheData) {
    const TableDefinition t = sales();
    EXPECT_EQ(resolved(t, "[@Qty]", 4), "D4");
    EXPECT_EQ(resolved(t, "[@[Unit Price]]", 4), "C4");
    EXPECT_EQ(resolved(t, "[[#This Row],[Qty]]", 6), "D6");
    EXPECT_EQ(resolved(t, "[@]", 3), "B3:F3");
    EXPECT_EQ(resolved(t, "[#This Row]", 5), "B5:F5");
    EXPECT_EQ(resolved(t, "[[#This Row],[Region]:[Qty]]", 5), "B5:D5");
    // The header and totals rows and rows outside the table have no data row of their own.
    EXPECT_EQ(resolved(t, "[@Qty]", 2), "#VALUE!");
    EXPECT_EQ(resolved(t, "[@Qty]", 7), "#VALUE!");
    EXPECT_EQ(resolved(t, "[@Qty]", 40), "#VALUE!");
}

TEST(StructuredReference, NamesIgnoreCaseAndQuotesEscapeSpecialCharacters) {
    const TableDefinition t = sales();
    EXPECT_EQ(resolved(t, "[qty]"), "D3:D6");
    EXPECT_EQ(resolved(t, "[[#TOTALS],[QTY]]"), "D7");
    EXPECT_EQ(resolved(t, "[[#this row],[unit price]]", 3), "C3");
    EXPECT_EQ(resolved(t, "[[Price '[EUR']]]"), "E3:E6");
    EXPECT_EQ(resolved(t, "[Price '[EUR']]"), "E3:E6");
    EXPECT_EQ(resolved(t, "[[It''s '#1]]"), "F3:F6");

    const std::vector<TableDefinition> tables{sales()};
    ASSERT_NE(findTable(tables, "SALES"), nullptr);
    EXPECT_EQ(findTable(tables, "Sale"), nullptr);
    EXPECT_NE(tableAt(tables, 1, 7, 6), nullptr);
    EXPECT_EQ(tableAt(tables, 1, 8, 6), nullptr);
    EXPECT_EQ(tableAt(tables, 0, 3, 3), nullptr) << "another sheet";
}

TEST(StructuredReference, MissingPartsAreReferenceErrors) {
    TableDefinition t = sales();
    EXPECT_EQ(resolved(t, "[Amount]"), "#REF!");
    EXPECT_EQ(resolved(t, "[[Qty]:[Amount]]"), "#REF!");
    EXPECT_EQ(resolved(t, "[[#Headers],[#Totals]]"), "#REF!");
    EXPECT_EQ(resolved(t, "[[#This Row],[#All]]", 4), "#REF!");
    EXPECT_EQ(resolved(t, "[[Qty]"), "#REF!");
    EXPECT_EQ(resolved(t, "[[Region],[Qty],[Unit Price]]"), "#REF!");
    t.headerRows = 0;
    t.totalsRows = 0;
    t.area = Area{3, 2, 6, 6};
    EXPECT_EQ(resolved(t, "[#Headers]"), "#REF!");
    EXPECT_EQ(resolved(t, "[[#Totals],[Qty]]"), "#REF!");
    EXPECT_EQ(resolved(t, "[[#Headers],[#Data],[Qty]]"), "D3:D6");
    // A table narrower than its column list (a column went): the names beyond its area are gone.
    t.area.lastColumn = 4;
    EXPECT_EQ(resolved(t, "[Price '[EUR']]"), "#REF!");
}

}  // namespace
}  // namespace tavlora::host::formula
