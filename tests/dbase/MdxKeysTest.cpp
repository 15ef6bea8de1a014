#include "engine/dbase/MdxKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace engine::dbase::mdx;

namespace {
std::string hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    out.pop_back();
    return out;
}
} // namespace

// The byte layouts decoded from files of other xBase implementations.
TEST(MdxKeys, NumericAndDateKeysHaveTheirOnDiskBytes) {
    EXPECT_EQ(hex(encodeNumber(123.45)), "37 15 12 34 50 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeNumber(-46541.07)), "39 9D 46 54 10 70 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeNumber(0)), "34 01 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeNumber(-0.0)), "34 01 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeNumber(0.05)), "33 05 50 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeNumber(10)), "36 05 10 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeNumber(0.1)), "34 05 10 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(hex(encodeDate(2451545)), "00 00 00 80 2C B4 42 41"); // 2000-01-01
    EXPECT_EQ(decodeDate(encodeDate(2433283)), 2433283.0);          // 1950-01-01
    EXPECT_EQ(hex(encodeDate(0)), "7D C3 94 25 AD 49 B2 54");       // blank: 1.0E100
    for (double v : {123.45, -46541.07, 1e-4, 99999999.99, -1.0, 12345678901234567890.0, 0.0})
        EXPECT_EQ(decodeNumber(encodeNumber(v)), v);
    // The rounded-up digit count other writers use decodes the same.
    std::string evenCount = encodeNumber(123.45);
    evenCount[1] = 0x19;
    EXPECT_EQ(decodeNumber(evenCount), 123.45);
    EXPECT_EQ(compareKeys('N', evenCount, encodeNumber(123.45)), 0);
}

TEST(MdxKeys, KeysCompareByValue) {
    std::mt19937 rng(3);
    std::vector<double> values = {0, -0.001, 0.001, 1, -1, 10, -10, 0.5, 1e15, -1e15, 99.99};
    for (int i = 0; i < 300; ++i)
        values.push_back(static_cast<double>(static_cast<int>(rng() % 2000001) - 1000000) / 1000.0);
    for (double a : values)
        for (double b : {0.0, -0.001, 0.001, 5.5, -5.5, 1e15}) {
            int want = a < b ? -1 : a > b ? 1 : 0;
            int got = compareKeys('N', encodeNumber(a), encodeNumber(b));
            EXPECT_EQ(got < 0 ? -1 : got > 0 ? 1 : 0, want) << a << " vs " << b;
        }
    EXPECT_LT(compareKeys('D', encodeDate(2451545), encodeDate(2451546)), 0);
    EXPECT_LT(compareKeys('D', encodeDate(2451546), encodeDate(0)), 0);
    EXPECT_LT(compareKeys('C', "AB ", "AC "), 0);
    EXPECT_LT(compareKeys('C', "AB", "AB "), 0); // a partial key sorts before its completions
    EXPECT_GT(compareKeys('C', "\xE9", "z"), 0); // bytes, unsigned
}
