#include "SheetFixture.h"

#include "host/RangeFind.h"

#include <vector>

namespace tavlora::host::test {
namespace {

using com::Variant;
using RangeFindTest = SheetFixture;

// The addresses a Find / FindNext loop visits until it comes back to its first hit.
std::vector<std::string> findAll(const Range& range, const std::string& what) {
    std::vector<std::string> found;
    auto hit = range.find(what);
    if (!hit) return found;
    std::string first = hit->address();
    while (hit) {
        found.push_back(hit->address());
        hit = range.findNext(*hit);
        if (hit && hit->address() == first) break;
    }
    return found;
}

TEST_F(RangeFindTest, SearchesByRowsAfterTheTopLeftCellAndWraps) {
    put("A1", "%a%");
    put("B1", "%b%");
    put("A2", "%c%");
    put("C3", "x %d% y");
    // The top-left cell is tried last.
    EXPECT_EQ(findAll(sheet->usedRange(), "%*%"), (std::vector<std::string>{"$B$1", "$A$2", "$C$3", "$A$1"}));
    EXPECT_EQ(findAll(sheet->cells(), "%*%"), (std::vector<std::string>{"$B$1", "$A$2", "$C$3", "$A$1"}));
}

TEST_F(RangeFindTest, StartsAfterTheGivenCell) {
    put("A1", "k");
    put("A2", "k");
    put("A3", "k");
    Range area = at("A1:A3");
    EXPECT_EQ(area.find("k", lookin::kValues, at("A2"))->address(), "$A$3");
    EXPECT_EQ(area.find("k", lookin::kValues, at("A3"))->address(), "$A$1");
    expectError([&] { area.find("k", lookin::kValues, at("B1")); }, com::hr::kHostError,
                "Find: the After cell $B$1 is not inside the searched range $A$1:$A$3.");
}

TEST_F(RangeFindTest, IgnoresCaseAndWidthAndComparesDisplayedText) {
    put("A1", "Grand \xEF\xBC\xB4otal");  // full-width T
    put("B2", 0.5);
    at("B2").setNumberFormatLocal("0%");
    EXPECT_EQ(at("A1:C3").find("TOTAL")->address(), "$A$1");
    EXPECT_EQ(at("A1:C3").find("50%")->address(), "$B$2");
    EXPECT_FALSE(at("A1:C3").find("0.5"));
}

TEST_F(RangeFindTest, WildcardsAndEscapes) {
    put("A1", "5*3");
    put("A2", "53");
    put("A3", "what?");
    EXPECT_EQ(findAll(at("A1:A3"), "5~*"), (std::vector<std::string>{"$A$1"}));
    EXPECT_EQ(findAll(at("A1:A3"), "5*3"), (std::vector<std::string>{"$A$2", "$A$1"}));
    EXPECT_EQ(findAll(at("A1:A3"), "t~?"), (std::vector<std::string>{"$A$3"}));
}

TEST_F(RangeFindTest, CellsAreOnlyPassedOverWhenTheirTextCannotHoldTheSearchedCharacter) {
    // Each cell shows a searched character only through its format, its number or a folding
    // the search must not miss.
    put("A1", 0.25);
    at("A1").setNumberFormatLocal("0%");              // "25%"
    put("A2", 1e20);                                   // General: "1E+20"
    put("A3", 1234.0);
    at("A3").setNumberFormatLocal("#,##0");            // "1,234"
    put("A4", "x");
    at("A4").setNumberFormatLocal("\"Total \"@");      // "Total x"
    put("A5", "\xEF\xBC\x85name\xEF\xBC\x85");        // full-width percent signs
    put("A6", true);                                   // "TRUE"
    put("A7", 5.0);
    at("A7").setNumberFormatLocal("0.00");             // "5.00"
    Range area = at("A1:A7");
    EXPECT_EQ(findAll(area, "%"), (std::vector<std::string>{"$A$5", "$A$1"}));
    EXPECT_EQ(findAll(area, "e+2"), (std::vector<std::string>{"$A$2"}));
    EXPECT_EQ(findAll(area, "1,2"), (std::vector<std::string>{"$A$3"}));
    EXPECT_EQ(findAll(area, "total"), (std::vector<std::string>{"$A$4"}));
    EXPECT_EQ(findAll(area, "%*%"), (std::vector<std::string>{"$A$5"}));
    EXPECT_EQ(findAll(area, "tru?"), (std::vector<std::string>{"$A$6"}));
    EXPECT_EQ(findAll(area, "5.0"), (std::vector<std::string>{"$A$7"}));
    EXPECT_EQ(findAll(area, "5~*"), (std::vector<std::string>{}));
}

std::vector<std::string> addressesOf(const std::vector<Range>& ranges) {
    std::vector<std::string> addresses;
    for (const Range& range : ranges) addresses.push_back(range.address());
    return addresses;
}

TEST_F(RangeFindTest, FindEachVisitsWhatTheFindLoopVisitsInItsOrder) {
    put("A1", "%top%");
    put("C1", "%c1%");
    put("B2", "plain");
    put("A3", "%a3%");
    put("D3", 5.0);
    put("B4", "50% off");
    for (const std::string area : {"A1:D4", "B1:D4", "A2:D4", "C3:C3"}) {
        for (const std::string what : {"%*%", "5", "nothing"}) {
            SCOPED_TRACE(area + " " + what);
            EXPECT_EQ(addressesOf(findEach(at(area), what)), findAll(at(area), what));
        }
    }
    // The sheet's last search is the one FindNext goes on with.
    findEach(at("A1:D4"), "%*%");
    EXPECT_EQ(at("A1:D4").findNext(at("C1"))->address(), "$A$3");
    expectError([&] { findEach(at("A1:D4"), "x", 7); }, com::hr::kHostError,
                "Find: LookIn must be -4163 (values) or -4123 (formulas), not 7.");
}

TEST_F(RangeFindTest, NothingFoundGivesNoRange) {
    put("A1", "abc");
    EXPECT_FALSE(sheet->usedRange().find("%*%"));
    EXPECT_FALSE(at("B1:C9").find("abc"));
    EXPECT_FALSE(at("B1:C9").find(""));  // empty cells never match, not even an empty pattern
    EXPECT_EQ(sheet->cells().find("")->address(), "$A$1");
}

TEST_F(RangeFindTest, FindNextContinuesWithTheRememberedText) {
    put("A1", "x");
    put("A2", "y");
    put("A3", "x");
    Range area = at("A1:A3");
    auto hit = area.find("x");
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->address(), "$A$3");
    EXPECT_EQ(area.findNext(*hit)->address(), "$A$1");
    EXPECT_EQ(area.findNext(at("A1"))->address(), "$A$3");
}

TEST_F(RangeFindTest, LookInFormulasSearchesTheFormulaText) {
    // The formula is computed: its cells hold what makes its value the one cached.
    put("B1", 1.0);
    put("B2", 2.0);
    put("B3", 3.0);
    Formula f;
    f.text = "SUM(B1:B3)";
    f.cachedKind = CellKind::Number;
    f.cachedNumber = 6;
    Cell& cell = sheet->store().cellAt(1, 1);
    cell.kind = CellKind::Formula;
    cell.payload.formulaId = sheet->store().addFormula(f);
    EXPECT_EQ(get("A1"), Variant(6.0));
    EXPECT_FALSE(at("A1:A2").find("SUM"));
    EXPECT_EQ(at("A1:A2").find("SUM", lookin::kFormulas)->address(), "$A$1");
}

TEST_F(RangeFindTest, ReplaceLoopStopsWhenItComesBack) {
    // Writing over each hit as a fill loop does, then continuing after the written cell.
    put("B2", "%name%");
    put("D4", "Dear %name%,");
    Range used = sheet->usedRange();
    auto hit = used.find("%name%");
    ASSERT_TRUE(hit);
    std::string first = hit->address();
    int written = 0;
    while (hit) {
        hit->setValue("Ann");
        ++written;
        hit = used.findNext(*hit);
        if (!hit || hit->address() == first) break;
    }
    EXPECT_EQ(written, 2);
    EXPECT_EQ(get("B2"), Variant("Ann"));
    EXPECT_EQ(get("D4"), Variant("Ann"));
}

}  // namespace
}  // namespace tavlora::host::test
