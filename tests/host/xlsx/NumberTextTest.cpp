#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "host/xlsx/NumberText.h"

namespace tavlora::host::xlsx {
namespace {

std::string text(double v) {
    std::string out;
    appendNumber(out, v);
    return out;
}

// What the writer must give: to_chars' shortest round trip, whole numbers below 1e15 as digits.
std::string reference(double v) {
    char buffer[64];
    char* end = std::fabs(v) < 1e15 && v == std::trunc(v) ? std::to_chars(buffer, buffer + 64, static_cast<int64_t>(v)).ptr
                                                         : std::to_chars(buffer, buffer + 64, v).ptr;
    return std::string(buffer, end);
}

TEST(NumberText, ShortestRoundTrip) {
    EXPECT_EQ(text(0), "0");
    EXPECT_EQ(text(-0.0), "0");
    EXPECT_EQ(text(-3), "-3");
    EXPECT_EQ(text(1e15), "1e+15");
    EXPECT_EQ(text(123456789012345), "123456789012345");
    EXPECT_EQ(text(0.1), "0.1");
    EXPECT_EQ(text(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(text(5e-324), "5e-324");
    EXPECT_EQ(std::stod(text(2.0 / 3)), 2.0 / 3);
}

TEST(NumberText, Decimals) {
    EXPECT_EQ(text(12.5), "12.5");
    EXPECT_EQ(text(-0.75), "-0.75");
    EXPECT_EQ(text(1234.99), "1234.99");
    EXPECT_EQ(text(0.000001), "1e-06");
    EXPECT_EQ(text(0.0001), "1e-04");
    EXPECT_EQ(text(0.001), "0.001");
    EXPECT_EQ(text(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(text(4294967295.5), "4294967295.5");
    EXPECT_EQ(text(4294967296.5), "4294967296.5");
    EXPECT_EQ(text(0.123456), "0.123456");
    EXPECT_EQ(text(0.1234567), "0.1234567");
    EXPECT_EQ(text(std::nextafter(3.0, 0.0)), "2.9999999999999996");
    EXPECT_EQ(text(std::nextafter(0.1, 0.0)), "0.09999999999999999");
}

// Every text is checked against the general algorithm: the same characters, not just the same value.
TEST(NumberText, SameAsGeneralShortestText) {
    std::mt19937_64 random(20261208);
    auto check = [](double v) { ASSERT_EQ(text(v), reference(v)) << "for " << reference(v); };
    // Numbers of one to eight decimals in every magnitude of the short form and around its limits.
    for (int decimals = 1; decimals <= 8; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        for (double top : {10.0, 1e3, 1e6, 4294967296.0, 1e10}) {
            std::uniform_int_distribution<int64_t> digits(0, static_cast<int64_t>(std::min(top * scale, 4e18)));
            for (int i = 0; i < 4000; ++i) {
                double v = static_cast<double>(digits(random)) / scale;
                check(v);
                check(-v);
                check(std::nextafter(v, 0.0));
                check(std::nextafter(v, 1e300));
            }
        }
    }
    // Results of arithmetic on such numbers: products, running sums, averages.
    std::uniform_int_distribution<int> cents(1, 1000000);
    double sum = 0;
    for (int i = 0; i < 50000; ++i) {
        double a = cents(random) / 100.0, b = cents(random) % 97 + 0.25 * (i % 4);
        sum += a;
        check(a * b);
        check(sum);
        check(sum / (i + 1));
        check(a * 1.1);
    }
    // Any bit pattern at all.
    for (int i = 0; i < 100000; ++i) {
        uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) check(v);
    }
    // Any double in the short form's range.
    std::uniform_real_distribution<double> range(0.05, 5e9);
    for (int i = 0; i < 100000; ++i) check(range(random));
}

}  // namespace
}  // namespace tavlora::host::xlsx
