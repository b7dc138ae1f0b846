#include "com/Variant.h"

#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"

namespace tavlora::com {
namespace {

TEST(SafeArray, IndexesFromItsLowerBound) {
    Variant v = Variant::array({Variant(10), Variant(20), Variant(30)}, 1);
    SafeArray& array = *v.asArray();
    EXPECT_EQ(array.upperBound(), 3);
    EXPECT_EQ(array.at(1), Variant(10));
    EXPECT_EQ(array.at(3), Variant(30));
    array.at(2) = Variant("x");
    EXPECT_EQ(std::as_const(array).at(2), Variant("x"));
}

TEST(SafeArray, OutsideTheBoundsIsSubscriptOutOfRange) {
    Variant v = Variant::array({Variant(1), Variant(2)}, 1);
    const SafeArray& array = *v.asArray();
    EXPECT_COM_ERROR(array.at(0), hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(array.at(3), hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(array.at(INT32_MIN), hr::kSubscriptOutOfRange);

    SafeArray empty;
    EXPECT_EQ(empty.upperBound(), -1);
    EXPECT_COM_ERROR(empty.at(0), hr::kSubscriptOutOfRange);

    // Extreme bounds must not wrap around into a valid offset.
    SafeArray high{INT32_MAX, {Variant(1)}};
    EXPECT_EQ(high.at(INT32_MAX), Variant(1));
    EXPECT_COM_ERROR(high.at(INT32_MIN), hr::kSubscriptOutOfRange);
}

TEST(Variant, TypeTagsFollowTheHeldValue) {
    EXPECT_EQ(Variant().type(), VarType::Empty);
    EXPECT_EQ(Variant::null().type(), VarType::Null);
    EXPECT_EQ(Variant(true).type(), VarType::Boolean);
    EXPECT_EQ(Variant(int16_t{1}).type(), VarType::Integer);
    EXPECT_EQ(Variant(1).type(), VarType::Long);
    EXPECT_EQ(Variant(int64_t{1}).type(), VarType::LongLong);
    EXPECT_EQ(Variant(1.0).type(), VarType::Double);
    EXPECT_EQ(Variant::currency(1).type(), VarType::Currency);
    EXPECT_EQ(Variant::date(1).type(), VarType::Date);
    EXPECT_EQ(Variant("a").type(), VarType::String);
    EXPECT_EQ(Variant(ObjectPtr{}).type(), VarType::Object);
    EXPECT_EQ(Variant::array({}).type(), VarType::Array);
    EXPECT_EQ(Variant::error(5).type(), VarType::Error);

    EXPECT_TRUE(Variant::date(0).isNumeric());
    EXPECT_TRUE(Variant(int16_t{0}).isNumeric());
    EXPECT_FALSE(Variant(true).isNumeric());
    EXPECT_FALSE(Variant("1").isNumeric());
}

TEST(Variant, MissingIsOnlyTheOmittedArgumentMarker) {
    EXPECT_TRUE(Variant::missing().isMissing());
    EXPECT_FALSE(Variant::error(hr::kTypeMismatch).isMissing());
    EXPECT_FALSE(Variant().isMissing());
    EXPECT_FALSE(Variant::null().isMissing());
}

TEST(Variant, EqualityIsStrictAboutTypes) {
    EXPECT_EQ(Variant(1), Variant(1));
    EXPECT_NE(Variant(1), Variant(int16_t{1}));
    EXPECT_NE(Variant(1), Variant(1.0));
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_NE(Variant::date(1), Variant(1.0));
    EXPECT_EQ(Variant("a"), Variant(std::string("a")));
    EXPECT_NE(Variant("a"), Variant("A"));
}

TEST(Variant, ArraysCompareByContentAndObjectsByIdentity) {
    EXPECT_EQ(Variant::array({Variant(1), Variant("b")}), Variant::array({Variant(1), Variant("b")}));
    EXPECT_NE(Variant::array({Variant(1)}, 0), Variant::array({Variant(1)}, 1));
    EXPECT_NE(Variant::array({Variant(1)}), Variant::array({Variant(2)}));
    EXPECT_EQ(Variant(ObjectPtr{}), Variant(ObjectPtr{}));
}

}  // namespace
}  // namespace tavlora::com
