#include "host/xlsx/SavedPartMemo.h"

#include "host/xlsx/ContentTypes.h"
#include "host/xlsx/Relationships.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tavlora::host::xlsx {
namespace {

std::shared_ptr<const SavedPartMemo::Part> partOf(std::string bytes, std::string deflated = "deflated") {
    auto part = std::make_shared<SavedPartMemo::Part>();
    part->bytes = std::move(bytes);
    part->deflated = std::move(deflated);
    return part;
}

TEST(SavedPartMemo, APartIsOnlyFoundForTheSameNameAndTheSameBytes) {
    SavedPartMemo memo;
    memo.keep("xl/styles.xml", partOf("<styleSheet/>"));
    ASSERT_NE(memo.find("xl/styles.xml", "<styleSheet/>"), nullptr);
    EXPECT_EQ(memo.find("xl/styles.xml", "<styleSheet/>")->deflated, "deflated");
    EXPECT_EQ(memo.find("xl/styles.xml", "<styleSheet />"), nullptr);
    EXPECT_EQ(memo.find("xl/styles.xml", "<styleSheet/"), nullptr);  // a prefix of the kept bytes
    EXPECT_EQ(memo.find("xl/workbook.xml", "<styleSheet/>"), nullptr);

    // A part kept again under its name replaces the one before.
    memo.keep("xl/styles.xml", partOf("<styleSheet><fonts/></styleSheet>"));
    EXPECT_EQ(memo.find("xl/styles.xml", "<styleSheet/>"), nullptr);
    EXPECT_NE(memo.find("xl/styles.xml", "<styleSheet><fonts/></styleSheet>"), nullptr);
}

// A part known by the object it was made from is found only for that very object and the same
// changes: an equal object elsewhere, or other changes, make their own.
TEST(SavedPartMemo, APartMadeFromASourceIsFoundOnlyForThatSourceAndTheSameChanges) {
    SavedPartMemo memo;
    auto source = std::make_shared<const std::string>("listing");
    auto equal = std::make_shared<const std::string>("listing");
    auto part = std::make_shared<SavedPartMemo::Part>();
    part->bytes = "<Types/>";
    part->deflated = "deflated";
    part->inputs = "1:a";
    part->source = source;
    memo.keep("[Content_Types].xml", part);
    EXPECT_NE(memo.findMadeFrom("[Content_Types].xml", source, "1:a"), nullptr);
    EXPECT_EQ(memo.findMadeFrom("[Content_Types].xml", equal, "1:a"), nullptr);
    EXPECT_EQ(memo.findMadeFrom("[Content_Types].xml", source, "1:b"), nullptr);
    EXPECT_EQ(memo.findMadeFrom("[Content_Types].xml", source, ""), nullptr);
    EXPECT_EQ(memo.findMadeFrom("[Content_Types].xml", nullptr, "1:a"), nullptr);
    EXPECT_EQ(memo.findMadeFrom("_rels/.rels", source, "1:a"), nullptr);
    // Known by its source, it is not found by spelled inputs alone, nor the other way round.
    EXPECT_EQ(memo.findMadeFrom("[Content_Types].xml", std::string_view("1:a")), nullptr);
}

TEST(SavedPartMemo, KeepsWithinItsBudgetAndNeverALargePart) {
    SavedPartMemo memo(100);
    memo.keep("a.xml", partOf(std::string(40, 'a'), std::string(10, 'd')));
    memo.keep("b.xml", partOf(std::string(45, 'b'), std::string(10, 'd')));  // 105 in all: over
    EXPECT_EQ(memo.heldBytes(), 50u);
    EXPECT_EQ(memo.find("b.xml", std::string(45, 'b')), nullptr);
    memo.keep("a.xml", partOf(std::string(80, 'a'), std::string(10, 'd')));  // replacing frees the old
    EXPECT_EQ(memo.heldBytes(), 90u);

    SavedPartMemo roomy(size_t(64) << 20);
    std::string large(SavedPartMemo::kLargestPart + 1, 'x');
    roomy.keep("xl/worksheets/sheet1.xml", partOf(large));
    EXPECT_EQ(roomy.find("xl/worksheets/sheet1.xml", large), nullptr);
    EXPECT_EQ(roomy.heldBytes(), 0u);
}

// A part made from spelled inputs is found for those inputs only; one known by its bytes alone
// is never found by inputs, and the inputs count in the budget.
TEST(SavedPartMemo, APartMadeFromInputsIsOnlyFoundForTheSameInputs) {
    SavedPartMemo memo;
    auto part = std::make_shared<SavedPartMemo::Part>();
    part->bytes = "<Relationships/>";
    part->deflated = "deflated";
    part->inputs = "1:a";
    memo.keep("_rels/.rels", part);
    EXPECT_EQ(memo.findMadeFrom("_rels/.rels", "1:a"), part);
    EXPECT_EQ(memo.findMadeFrom("_rels/.rels", "1:b"), nullptr);
    EXPECT_EQ(memo.findMadeFrom("xl/_rels/workbook.xml.rels", "1:a"), nullptr);
    EXPECT_EQ(memo.heldBytes(), part->bytes.size() + part->deflated.size() + part->inputs.size());

    memo.keep("xl/styles.xml", partOf("<styleSheet/>"));
    EXPECT_EQ(memo.findMadeFrom("xl/styles.xml", ""), nullptr);
}

// Lists that write different XML never spell alike, however their texts split into fields.
TEST(SavedPartMemo, DifferentInputsNeverSpellAlike) {
    const Relationship plain{"rId1", "type", "sheet.xml", false};
    const RelationshipList lists[] = {
        {},
        {plain},
        {{"rId1", "type", "sheet.xml", true}},
        {{"rId1t", "ype", "sheet.xml", false}},
        {{"rId1", "type", "sheet.xml1", false}},
        {plain, plain},
    };
    for (size_t i = 0; i < std::size(lists); ++i)
        for (size_t k = 0; k < i; ++k)
            EXPECT_NE(relationshipsSpelling(lists[i]), relationshipsSpelling(lists[k])) << i << " and " << k;
    EXPECT_EQ(relationshipsSpelling({plain}), relationshipsSpelling({plain}));

    ContentTypes a, b;
    a.setDefault("xml", "application/xml");
    b.setDefault("xml", "application/xml");
    EXPECT_EQ(a.spelling(), b.spelling());
    b.setOverride("xl/workbook.xml", "application/xml");
    EXPECT_NE(a.spelling(), b.spelling());
    a.setDefault("xl/workbook.xml", "application/xml");  // the same fields as a Default, not an Override
    EXPECT_NE(a.spelling(), b.spelling());
}

}  // namespace
}  // namespace tavlora::host::xlsx
