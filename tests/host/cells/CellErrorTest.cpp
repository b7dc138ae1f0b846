#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/cells/CellError.h"

namespace tavlora::host {
namespace {

using com::Variant;
using com::hr::runtime;

TEST(CellError, EveryValueReadsBackByTextAndByNumber) {
    std::set<std::string_view> texts;
    std::set<int32_t> numbers;
    int32_t previous = 0;
    for (const CellError& error : cellErrors()) {
        EXPECT_TRUE(texts.insert(error.text).second) << error.text;
        EXPECT_TRUE(numbers.insert(error.number).second) << error.text;
        EXPECT_GT(error.number, previous) << "the table is in number order";
        previous = error.number;
        EXPECT_EQ(findCellError(error.text), &error);
        EXPECT_EQ(findCellError(runtime(error.number)), &error);
        EXPECT_EQ(cellErrorValue(error.text), Variant::error(runtime(error.number)));
        EXPECT_EQ(cellErrorText(runtime(error.number)), error.text);
        EXPECT_EQ(keptErrorText(error.text), error.text);
    }
    EXPECT_EQ(cellErrors().size(), 15u);
}

TEST(CellError, NumbersAnAutomationClientKnows) {
    EXPECT_EQ(cellErrorValue("#NULL!"), Variant::error(runtime(2000)));
    EXPECT_EQ(cellErrorValue("#DIV/0!"), Variant::error(runtime(2007)));
    EXPECT_EQ(cellErrorValue("#VALUE!"), Variant::error(runtime(2015)));
    EXPECT_EQ(cellErrorValue("#REF!"), Variant::error(runtime(2023)));
    EXPECT_EQ(cellErrorValue("#NAME?"), Variant::error(runtime(2029)));
    EXPECT_EQ(cellErrorValue("#NUM!"), Variant::error(runtime(2036)));
    EXPECT_EQ(cellErrorValue("#N/A"), Variant::error(runtime(2042)));
    EXPECT_EQ(cellErrorValue("#GETTING_DATA"), Variant::error(runtime(2043)));
    EXPECT_EQ(cellErrorValue("#SPILL!"), Variant::error(runtime(2045)));
    EXPECT_EQ(cellErrorValue("#CALC!"), Variant::error(runtime(2050)));
}

TEST(CellError, LetterCaseIsIgnoredAndTheTableSpellingKept) {
    EXPECT_EQ(findCellError("#spill!"), findCellError("#SPILL!"));
    EXPECT_EQ(findCellError("#Getting_Data"), findCellError("#GETTING_DATA"));
    EXPECT_EQ(keptErrorText("#n/a"), "#N/A");
    EXPECT_EQ(keptErrorText("#div/0!"), "#DIV/0!");
}

TEST(CellError, UnknownTextsAndCodes) {
    // A text the table does not know is kept as it is, and reads as #VALUE!.
    EXPECT_EQ(findCellError("#FOO!"), nullptr);
    EXPECT_EQ(findCellError("#SPILL"), nullptr);
    EXPECT_EQ(findCellError(""), nullptr);
    EXPECT_EQ(findCellError("#N/A "), nullptr);
    EXPECT_EQ(keptErrorText("#FOO!"), "#FOO!");
    EXPECT_EQ(keptErrorText("#foo!"), "#foo!");
    EXPECT_EQ(cellErrorValue("#FOO!"), Variant::error(runtime(2015)));
    // A code the table does not know writes #VALUE!; only the runtime error family counts.
    EXPECT_EQ(findCellError(runtime(2044)), nullptr);
    EXPECT_EQ(findCellError(static_cast<com::HRESULT>(0x800207FAu)), nullptr);
    EXPECT_EQ(cellErrorText(runtime(9999)), "#VALUE!");
    EXPECT_EQ(cellErrorText(com::hr::kDispParamNotFound), "#VALUE!");
}

TEST(CellError, TheTextACellHolds) {
    StringPool strings;
    FormulaList formulas;
    Cell error{1, CellKind::Error, 0, 0, {}};
    error.payload.stringId = strings.intern("#FOO!");
    EXPECT_EQ(heldErrorText(error, strings, formulas), "#FOO!");

    formulas.push_back(Formula("1/0", CellKind::Error, 0, "#DIV/0!"));
    formulas.push_back(Formula("1+1", CellKind::Number, 2));
    Cell cached{2, CellKind::Formula, 0, 0, {}};
    cached.payload.formulaId = 0;
    EXPECT_EQ(heldErrorText(cached, strings, formulas), "#DIV/0!");
    cached.payload.formulaId = 1;
    EXPECT_EQ(heldErrorText(cached, strings, formulas), std::nullopt);
    cached.payload.formulaId = 7;  // no such formula
    EXPECT_EQ(heldErrorText(cached, strings, formulas), std::nullopt);

    Cell text{3, CellKind::String, 0, 0, {}};
    text.payload.stringId = strings.intern("#N/A");
    EXPECT_EQ(heldErrorText(text, strings, formulas), std::nullopt) << "a text that looks like an error is a text";

    // An error cell whose text is missing from the pool still shows, and saves, as an error.
    error.payload.stringId = 99;
    EXPECT_EQ(heldErrorText(error, strings, formulas), "#N/A");
}

}  // namespace
}  // namespace tavlora::host
