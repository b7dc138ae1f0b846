#include <gtest/gtest.h>

#include "host/xlsx/TableReferences.h"

namespace tavlora::host::xlsx {
namespace {

TEST(TableReferences, ItemsOfEveryBracketedForm) {
    using Items = std::vector<std::string>;
    EXPECT_EQ(structuredReferenceItems("[Qty]"), Items{"Qty"});
    EXPECT_EQ(structuredReferenceItems("[@Qty]"), Items{"Qty"});
    EXPECT_EQ(structuredReferenceItems("[@[Unit Price]]"), Items{"Unit Price"});
    EXPECT_EQ(structuredReferenceItems("[[#Totals],[Qty]]"), (Items{"#Totals", "Qty"}));
    EXPECT_EQ(structuredReferenceItems("[[#This Row], [Name]:[Qty]]"), (Items{"#This Row", "Name", "Qty"}));
    EXPECT_EQ(structuredReferenceItems("[Price '[EUR']]"), Items{"Price [EUR]"});
    EXPECT_EQ(structuredReferenceItems("[]"), Items{});
}

TEST(TableReferences, ADeletedColumnBecomesRefWhereverItIsNamed) {
    TableLoss loss;
    loss.table = "Items";
    loss.columns = {"Qty"};
    EXPECT_EQ(invalidateTableReferences("SUM(Items[Qty])", loss, false), "SUM(#REF!)");
    EXPECT_EQ(invalidateTableReferences("items[[#Totals],[qty]]*2", loss, false), "#REF!*2");
    EXPECT_EQ(invalidateTableReferences("SUM(Items[[Name]:[Qty]])", loss, false), "SUM(#REF!)");
    // Other columns, other tables and texts stay as written.
    EXPECT_EQ(invalidateTableReferences("SUM(Items[Price])+SUM(Stock[Qty])", loss, false),
              "SUM(Items[Price])+SUM(Stock[Qty])");
    EXPECT_EQ(invalidateTableReferences(R"("Items[Qty]"&Items[Name])", loss, false), R"("Items[Qty]"&Items[Name])");
    // An unqualified reference is the table's only inside it.
    EXPECT_EQ(invalidateTableReferences("[@Qty]*$F$1", loss, true), "#REF!*$F$1");
    EXPECT_EQ(invalidateTableReferences("[@Qty]*$F$1", loss, false), "[@Qty]*$F$1");
    EXPECT_EQ(invalidateTableReferences("[@Price]*2", loss, true), "[@Price]*2");
}

TEST(TableReferences, AllOfARemovedTableBecomesRef) {
    TableLoss loss;
    loss.table = "Items";
    loss.wholeTable = true;
    EXPECT_EQ(invalidateTableReferences("SUM(Items[Qty])+ROWS(Items)+ItemsCount", loss, false),
              "SUM(#REF!)+ROWS(#REF!)+ItemsCount");
    EXPECT_EQ(invalidateTableReferences("Data!Items+1", loss, false), "Data!Items+1") << "a sheet-level name";
}

}  // namespace
}  // namespace tavlora::host::xlsx
