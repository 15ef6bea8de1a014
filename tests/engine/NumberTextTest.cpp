#include "engine/values/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace engine;

namespace {
std::string canonical(const char* text) {
    auto d = parseDecimal(text);
    return d ? d->text : "(none)";
}
std::string rounded(const char* text, int decimals, bool* inexact = nullptr) {
    return roundDecimal(*parseDecimal(text), decimals, inexact).text;
}
} // namespace

TEST(NumberText, DecimalsKeepEveryDigitAndTheirDecimals) {
    EXPECT_EQ(canonical("12345678901234567890"), "12345678901234567890");
    EXPECT_EQ(canonical("  +007.50 "), "7.50");
    EXPECT_EQ(canonical("-0.00"), "0.00"); // zero has no sign
    EXPECT_EQ(canonical(".5"), "0.5");
    EXPECT_EQ(canonical("5."), "5");
    EXPECT_EQ(canonical("1.5e3"), "1500");
    EXPECT_EQ(canonical("-25E-3"), "-0.025");
    for (const char* bad : {"", "-", ".", "1,5", "1.2.3", "1e", "e5", "inf", "nan", "0x10", "1 2"})
        EXPECT_EQ(canonical(bad), "(none)") << bad;
}

TEST(NumberText, RoundingIsHalfAwayFromZeroOnTheDigits) {
    EXPECT_EQ(rounded("2.675", 2), "2.68");
    EXPECT_EQ(rounded("-2.675", 2), "-2.68");
    EXPECT_EQ(rounded("9.995", 2), "10.00");
    EXPECT_EQ(rounded("0.5", 0), "1");
    EXPECT_EQ(rounded("-0.004", 2), "0.00");
    EXPECT_EQ(rounded("12.5", 3), "12.500");
    bool inexact = false;
    rounded("1.2300", 2, &inexact);
    EXPECT_FALSE(inexact) << "dropping zeros loses nothing";
    rounded("1.234", 2, &inexact);
    EXPECT_TRUE(inexact);
    // The double nearest 2.675 lies below it; its shortest digits do not.
    EXPECT_EQ(formatNumber(2.675, 2), "2.68");
}

TEST(NumberText, NumbersAreWrittenWithoutExponents) {
    EXPECT_EQ(formatNumber(100000, -1), "100000");
    EXPECT_EQ(formatNumber(3e7, -1), "30000000");
    EXPECT_EQ(formatNumber(1e21, -1), "1000000000000000000000");
    EXPECT_EQ(formatNumber(5e-7, -1), "0.0000005");
    EXPECT_EQ(formatNumber(-0.0, -1), "0");
    // A double prints the value it holds, which is why N values stay decimals.
    EXPECT_EQ(formatNumber(12345678901234567890.0, 0), "12345678901234567168");
    EXPECT_EQ(formatDecimal(*parseDecimal("12.50"), -1), "12.5");
    EXPECT_EQ(formatDecimal(*parseDecimal("12.50"), 1), "12.5");
}

TEST(NumberText, OrderAndConversions) {
    auto d = [](const char* t) { return *parseDecimal(t); };
    EXPECT_LT(compareDecimals(d("-10"), d("-9.99")), 0);
    EXPECT_EQ(compareDecimals(d("1.50"), d("1.5")), 0);
    EXPECT_GT(compareDecimals(d("99999999999999999999"), d("99999999999999999998")), 0);
    EXPECT_EQ(toInt64(d("9223372036854775807")), INT64_MAX);
    EXPECT_FALSE(toInt64(d("9223372036854775808")));
    EXPECT_FALSE(toInt64(d("1.5")));
    EXPECT_TRUE(sameNumber(d("0.1"), 0.1));
    EXPECT_FALSE(sameNumber(d("12345678901234567890"), 12345678901234567890.0));
    EXPECT_EQ(toDouble(d("-1e400")), -HUGE_VAL);
    EXPECT_FALSE(parseNumber("1e400"));
    EXPECT_FALSE(parseNumber("nan"));
    EXPECT_EQ(parseInteger("+42"), 42);
    EXPECT_FALSE(parseInteger("4.2"));
}
