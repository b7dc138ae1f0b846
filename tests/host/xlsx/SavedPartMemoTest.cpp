#include "host/xlsx/SavedPartMemo.h"

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

}  // namespace
}  // namespace tavlora::host::xlsx
