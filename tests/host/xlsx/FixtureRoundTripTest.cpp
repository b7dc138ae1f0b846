#include <gtest/gtest.h>

#include "support/XlsxTestSupport.h"
#include "host/xlsx/PackageWriter.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

// Every shared workbook reads, and saved unchanged reads back with the same content.
class FixtureRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureRoundTrip, SavedUnchangedReadsBackTheSame) {
    auto original = readXlsx(fixture(GetParam()));
    TempDir dir;
    auto saved = dir.file(GetParam());
    host::xlsx::writeWorkbook(*original, saved.string());
    auto reread = readXlsx(saved);
    EXPECT_EQ(describeWorkbook(*original), describeWorkbook(*reread));
    // Saving the re-read workbook gives the same again (nothing drifts from save to save).
    auto savedAgain = dir.file("again-" + GetParam());
    host::xlsx::writeWorkbook(*reread, savedAgain.string());
    EXPECT_EQ(describeWorkbook(*original), describeWorkbook(*readXlsx(savedAgain)));
    EXPECT_EQ(zipListing(saved), zipListing(savedAgain));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRoundTrip, ::testing::ValuesIn(fixtureNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace tavlora::test
