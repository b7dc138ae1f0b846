#include <gtest/gtest.h>

#include <cmath>

#include "FunctionCalls.h"

namespace tavlora::host::formula::familytest {
namespace {

class FinancialFunctions : public ::testing::Test {
protected:
    Value f(std::string_view name, std::vector<Value> args) { return call(grid, name, std::move(args)); }
    double n(std::string_view name, std::vector<Value> args) {
        Value v = f(name, std::move(args));
        EXPECT_TRUE(v.isNumber()) << name;
        return v.isNumber() ? v.asNumber() : 0;
    }
    GridContext grid;
};

// The values of the application's documentation examples.
TEST_F(FinancialFunctions, Annuities) {
    EXPECT_NEAR(n("PMT", {num(0.08 / 12), num(10), num(10000)}), -1037.03208935915, 1e-9);
    EXPECT_NEAR(n("PMT", {num(0.08 / 12), num(10), num(10000), num(0), num(1)}), -1030.16432717797, 1e-9);
    EXPECT_NEAR(n("PMT", {num(0), num(10), num(1000)}), -100, 1e-12);
    EXPECT_NEAR(n("PV", {num(0.08 / 12), num(240), num(500)}), -59777.1458511878, 1e-7);
    EXPECT_NEAR(n("FV", {num(0.06 / 12), num(10), num(-200), num(-500), num(1)}), 2581.40337406012, 1e-9);
    EXPECT_NEAR(n("FV", {num(0), num(12), num(-100)}), 1200, 1e-12);
    EXPECT_NEAR(n("NPER", {num(0.12 / 12), num(-100), num(-1000), num(10000), num(1)}), 59.6738656742946, 1e-9);
    EXPECT_NEAR(n("NPER", {num(0), num(-100), num(1000)}), 10, 1e-12);
    EXPECT_EQ(f("PMT", {num(0.1), num(0), num(1000)}), err(ErrorValue::Num));
    EXPECT_EQ(f("NPER", {num(0.1), num(-100), num(1000)}), err(ErrorValue::Num));  // interest eats the payment
    EXPECT_NEAR(n("NPER", {num(0.1), num(100), num(1000)}), -7.27254089734172, 1e-9);
    EXPECT_EQ(f("PMT", {txt("x"), num(10), num(1000)}), err(ErrorValue::Value));
}

TEST_F(FinancialFunctions, NetPresentValueCountsNumbersInRangesOnly) {
    EXPECT_NEAR(n("NPV", {num(0.1), num(-10000), num(3000), num(4200), num(6800)}), 1188.44341233522, 1e-8);
    grid.setRow(0, 1, 1, {num(-10000), txt("note"), num(3000), Value::boolean(true), num(4200), num(6800)});
    EXPECT_NEAR(n("NPV", {num(0.1), ref(1, 1, 1, 6)}), 1188.44341233522, 1e-8);
    // Written directly, a boolean and a numeric text count.
    EXPECT_NEAR(n("NPV", {num(0.1), Value::boolean(true), txt("2")}), 1 / 1.1 + 2 / 1.21, 1e-12);
    EXPECT_EQ(f("NPV", {num(0.1), txt("x")}), err(ErrorValue::Value));
    EXPECT_EQ(f("NPV", {num(-1), num(1)}), err(ErrorValue::Div0));
    grid.set(0, 1, 2, err(ErrorValue::NA));
    EXPECT_EQ(f("NPV", {num(0.1), ref(1, 1, 1, 6)}), err(ErrorValue::NA));
}

TEST_F(FinancialFunctions, RatesByNewtonsMethod) {
    Value flows = column({num(-70000), num(12000), num(15000), num(18000), num(21000), num(26000)});
    EXPECT_NEAR(n("IRR", {flows}), 0.0866309480365316, 1e-9);
    Value shortFlows = column({num(-70000), num(12000), num(15000), num(18000), num(21000)});
    EXPECT_NEAR(n("IRR", {shortFlows}), -0.0212448482734, 1e-9);
    EXPECT_NEAR(n("IRR", {column({num(-70000), num(12000), num(15000)}), num(-0.1)}), -0.443506941334, 1e-9);
    EXPECT_EQ(f("IRR", {column({num(100), num(200)})}), err(ErrorValue::Num));  // no sign change
    EXPECT_NEAR(n("RATE", {num(48), num(-200), num(8000)}), 0.00770147248820137, 1e-12);
    EXPECT_NEAR(n("RATE", {num(10), num(0), num(-100), num(200)}), std::pow(2.0, 0.1) - 1, 1e-10);
    EXPECT_EQ(f("RATE", {num(10), num(100), num(100)}), err(ErrorValue::Num));  // no rate gives 0
    EXPECT_EQ(f("RATE", {num(0), num(-200), num(8000)}), err(ErrorValue::Num));
}

}  // namespace
}  // namespace tavlora::host::formula::familytest
