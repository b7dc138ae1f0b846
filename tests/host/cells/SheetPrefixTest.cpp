#include <gtest/gtest.h>

#include "host/cells/SheetPrefix.h"

namespace tavlora::host {
namespace {

TEST(SheetPrefixTest, PlainQuotedThreeDAndExternalForms) {
    auto plain = readSheetPrefix("Sheet1!A1", 0);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->text, "Sheet1!");
    EXPECT_EQ(plain->name(), "Sheet1");
    EXPECT_FALSE(plain->quoted || plain->external || plain->threeD);

    auto quoted = readSheetPrefix("=SUM('It''s, ok'!A1:B2)", 5);
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->text, "'It''s, ok'!");
    EXPECT_EQ(quoted->name(), "It's, ok");
    EXPECT_TRUE(quoted->quoted);
    auto onlyQuotes = readSheetPrefix("''''!A1", 0);
    ASSERT_TRUE(onlyQuotes);
    EXPECT_EQ(onlyQuotes->name(), "'");

    auto run = readSheetPrefix("Jan:Mar!B2", 0);
    ASSERT_TRUE(run);
    EXPECT_TRUE(run->threeD);
    EXPECT_EQ(run->text, "Jan:Mar!");
    auto quotedRun = readSheetPrefix("'Jan 1:Mar 1'!B2", 0);
    ASSERT_TRUE(quotedRun);
    EXPECT_TRUE(quotedRun->threeD);

    auto external = readSheetPrefix("[1]Data!C3", 0);
    ASSERT_TRUE(external);
    EXPECT_TRUE(external->external);
    EXPECT_EQ(external->name(), "Data");
    auto quotedExternal = readSheetPrefix("'[Book 1.xlsx]My Data'!C3", 0);
    ASSERT_TRUE(quotedExternal);
    EXPECT_TRUE(quotedExternal->external);

    auto unicode = readSheetPrefix("Données!A1", 0);
    ASSERT_TRUE(unicode);
    EXPECT_EQ(unicode->name(), "Données");
}

TEST(SheetPrefixTest, NoPrefixWhereNoBangEndsIt) {
    for (const char* none : {"A1:B2", "Sheet1", "'Open!A1", "'Closed'A1", "My Sheet!A1", "!A1", "[1!A1", "SUM(A1)",
                             "A1:B2+C3!D4"})
        EXPECT_FALSE(readSheetPrefix(none, 0)) << none;
}

TEST(SheetPrefixTest, SplitsOneSheetOfThisWorkbookOnly) {
    std::string sheet, reference;
    ASSERT_TRUE(splitSheetPrefix("'My Sheet'!A1:B2", sheet, reference));
    EXPECT_EQ(sheet, "My Sheet");
    EXPECT_EQ(reference, "A1:B2");
    EXPECT_FALSE(splitSheetPrefix("[1]Data!A1", sheet, reference));
    EXPECT_FALSE(splitSheetPrefix("Jan:Mar!A1", sheet, reference));
    EXPECT_FALSE(splitSheetPrefix("A1", sheet, reference));
}

TEST(SheetPrefixTest, QuotesWhenNeeded) {
    EXPECT_EQ(sheetPrefix("Data"), "Data");
    EXPECT_EQ(sheetPrefix("Q1_2024.final"), "Q1_2024.final");
    EXPECT_EQ(sheetPrefix("My Sheet"), "'My Sheet'");
    EXPECT_EQ(sheetPrefix("It's"), "'It''s'");
    EXPECT_EQ(sheetPrefix("A1"), "'A1'");
    EXPECT_EQ(sheetPrefix("xfd1048576"), "'xfd1048576'");
    EXPECT_EQ(sheetPrefix("XFE1"), "XFE1");  // off the grid: no reference
    EXPECT_EQ(sheetPrefix("R2C3"), "'R2C3'");
    EXPECT_EQ(sheetPrefix("rc"), "'rc'");
    EXPECT_EQ(sheetPrefix("2024"), "'2024'");
    // Whatever the name, the prefix reads back as that name.
    for (const char* name : {"Data", "My Sheet", "It's", "''", "A1", "a,b", "Jan:Mar"}) {
        std::string text = sheetPrefix(name) + "!B2";
        auto prefix = readSheetPrefix(text, 0);
        ASSERT_TRUE(prefix) << name;
        EXPECT_EQ(prefix->name(), name);
    }
}

}  // namespace
}  // namespace tavlora::host
