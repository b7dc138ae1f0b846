// The named constants: every chart type name is one the host draws, and every type it draws has
// a name; the other groups match what the members read.
#include "tavlora/Constants.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/chart/ChartType.h"

namespace tavlora {
namespace {

TEST(NamedConstants, ChartTypesAreExactlyTheDrawableTypes) {
    std::set<int32_t> named;
    for (const auto& constant : kNamedConstants) {
        if (constant.group != "XlChartType") continue;
        EXPECT_TRUE(host::chartTypeTraits(constant.value).has_value()) << constant.name << " = " << constant.value;
        EXPECT_TRUE(named.insert(constant.value).second) << constant.name << " repeats a number";
    }
    // Every number from -5000 to 200 the host accepts has a name.
    for (int32_t number = -5000; number <= 200; ++number) {
        if (number == 0 || !host::chartTypeTraits(number)) continue;
        EXPECT_TRUE(named.count(number)) << number << " is drawable but has no name";
    }
    EXPECT_FALSE(host::chartTypeTraits(12345).has_value());
}

TEST(NamedConstants, NamesAreUniqueAndEnumeratorsAgree) {
    std::set<std::string_view> names;
    for (const auto& constant : kNamedConstants) EXPECT_TRUE(names.insert(constant.name).second) << constant.name;
    EXPECT_EQ(xlPie, 5);
    EXPECT_EQ(xl3DPie, -4102);
    EXPECT_EQ(xlDataLabelsShowNone, -4142);
    EXPECT_EQ(xlColumns, 2);
    EXPECT_EQ(EndMode_Delete, 2);
    EXPECT_EQ(headermode::ClearWhite_Clear, 1);
    EXPECT_EQ(ePosType_A1, tmplone::ePosType_A1);
}

}  // namespace
}  // namespace tavlora
