#include <gtest/gtest.h>

#include <sstream>

#include <pugixml.hpp>

#include "host/xlsx/KeptTables.h"

namespace tavlora::host::xlsx {
namespace {

using formula::Deletion;

// "Items" over B2:D6 on sheet "Data": header row 2, data rows 3 to 5, totals row 6, a filter on
// its third column and a calculated column that also reads F1.
constexpr const char* kItems =
    R"(<table xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" id="1" name="Items" )"
    R"(displayName="Items" ref="B2:D6" totalsRowCount="1"><autoFilter ref="B2:D5"><filterColumn colId="2">)"
    R"(<customFilters><customFilter operator="greaterThan" val="1"/></customFilters></filterColumn></autoFilter>)"
    R"(<tableColumns count="3"><tableColumn id="1" name="Name" totalsRowLabel="Total"/>)"
    R"(<tableColumn id="2" name="Qty" totalsRowFunction="sum"/><tableColumn id="3" name="Price">)"
    R"(<calculatedColumnFormula>Items[[#This Row],[Qty]]*$F$1</calculatedColumnFormula></tableColumn>)"
    R"(</tableColumns></table>)";

struct Shifted {
    TableEdit edit;
    std::string xml;
};

Shifted shifted(const Deletion& deletion, const char* table = kItems) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(table));
    TableEdit edit = shiftTable(document, "Data", deletion);
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration);
    return {edit, out.str()};
}

std::string attribute(const std::string& xml, const char* path, const char* name) {
    pugi::xml_document document;
    document.load_string(xml.c_str());
    return document.select_node(path).node().attribute(name).value();
}

TEST(KeptTables, RowsAboveMoveTheTableItsFilterAndItsFormulas) {
    auto [edit, xml] = shifted(Deletion::rows(1, 1));
    EXPECT_EQ(edit, TableEdit::Changed);
    EXPECT_EQ(attribute(xml, "/table", "ref"), "B1:D5");
    EXPECT_EQ(attribute(xml, "/table/autoFilter", "ref"), "B1:D4");
    EXPECT_NE(xml.find("Items[[#This Row],[Qty]]*#REF!"), std::string::npos) << xml;  // F1 went
    EXPECT_EQ(shifted(Deletion::rows(2, 1)).edit, TableEdit::Removed) << "its header row went";
}

TEST(KeptTables, ADeletedColumnLeavesTheColumnListAndRenumbersFilters) {
    auto [edit, xml] = shifted(Deletion::columns(1, 2));  // A and B: the table's first column
    EXPECT_EQ(edit, TableEdit::Changed);
    EXPECT_EQ(attribute(xml, "/table", "ref"), "A2:B6");
    EXPECT_EQ(attribute(xml, "/table/autoFilter", "ref"), "A2:B5");
    EXPECT_EQ(attribute(xml, "/table/tableColumns", "count"), "2");
    EXPECT_EQ(attribute(xml, "/table/tableColumns/tableColumn[1]", "name"), "Qty");
    EXPECT_EQ(attribute(xml, "/table/autoFilter/filterColumn", "colId"), "1");
    EXPECT_NE(xml.find("*$D$1"), std::string::npos) << xml;

    auto middle = shifted(Deletion::columns(4, 1)).xml;  // D: the filtered Price column
    EXPECT_EQ(attribute(middle, "/table", "ref"), "B2:C6");
    EXPECT_EQ(attribute(middle, "/table/tableColumns/tableColumn[2]", "name"), "Qty");
    EXPECT_TRUE(pugi::xml_document().load_string(middle.c_str()));
    EXPECT_EQ(middle.find("filterColumn"), std::string::npos);

    EXPECT_EQ(shifted(Deletion::columns(2, 3)).edit, TableEdit::Removed) << "all its columns went";
}

TEST(KeptTables, ADeletedColumnIsReportedAndTheTablesFormulasNamingItBecomeRef) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(kItems));
    TableLoss loss;
    EXPECT_EQ(shiftTable(document, "Data", Deletion::columns(3, 1), &loss), TableEdit::Changed);
    EXPECT_EQ(loss.table, "Items");
    EXPECT_EQ(loss.columns, std::vector<std::string>{"Qty"});
    EXPECT_FALSE(loss.wholeTable);
    EXPECT_STREQ(document.select_node("//calculatedColumnFormula").node().text().get(), "#REF!*$E$1");

    pugi::xml_document removed;
    ASSERT_TRUE(removed.load_string(kItems));
    TableLoss all;
    EXPECT_EQ(shiftTable(removed, "Data", Deletion::rows(2, 1), &all), TableEdit::Removed);
    EXPECT_TRUE(all.wholeTable);
}

TEST(KeptTables, ATableKeepsOneDataRow) {
    // Rows 3 to 5 hold all the data; the totals row survives and turns into the one data row.
    auto [edit, xml] = shifted(Deletion::rows(3, 3));
    EXPECT_EQ(edit, TableEdit::Changed);
    EXPECT_EQ(attribute(xml, "/table", "ref"), "B2:D3");
    EXPECT_EQ(attribute(xml, "/table", "totalsRowCount"), "");
    EXPECT_EQ(attribute(xml, "/table/autoFilter", "ref"), "B2:D3");

    // The data rows and the totals row: the row below the header becomes the data row.
    auto all = shifted(Deletion::rows(3, 10)).xml;
    EXPECT_EQ(attribute(all, "/table", "ref"), "B2:D3");

    // Only the totals row: the table ends with its data.
    auto totals = shifted(Deletion::rows(6, 1)).xml;
    EXPECT_EQ(attribute(totals, "/table", "ref"), "B2:D5");
    EXPECT_EQ(attribute(totals, "/table", "totalsRowCount"), "");
}

TEST(KeptTables, CellsShiftedBesideTheTableLeaveItAlone) {
    // Cells of columns F:H shifted up: the table in B:D is not among them.
    Deletion partial = Deletion::rows(1, 1);
    partial.spanFirst = 6;
    partial.spanLast = 8;
    EXPECT_EQ(shifted(partial).edit, TableEdit::Unchanged);
    EXPECT_EQ(shifted(Deletion::rows(7, 5)).edit, TableEdit::Unchanged);
    EXPECT_EQ(shifted(Deletion::columns(7, 1)).edit, TableEdit::Unchanged);
    // Only the calculated column's reference to F1 moves.
    auto [edit, xml] = shifted(Deletion::columns(5, 1));
    EXPECT_EQ(edit, TableEdit::Changed);
    EXPECT_EQ(attribute(xml, "/table", "ref"), "B2:D6");
    EXPECT_NE(xml.find("*$E$1"), std::string::npos) << xml;
}

}  // namespace
}  // namespace tavlora::host::xlsx
