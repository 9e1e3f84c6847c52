// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include "lib/hex_number.hpp"

namespace {

TEST(HexNumber, ReadsHexWithOptionalPrefixSignAndLeadingSpace)
{
    EXPECT_EQ(parse_hex_int("41"), 0x41);
    EXPECT_EQ(parse_hex_int("0x0041"), 0x41);
    EXPECT_EQ(parse_hex_int("0XfF"), 0xFF);
    EXPECT_EQ(parse_hex_int("  \t\n1b"), 0x1B);
    EXPECT_EQ(parse_hex_int("+10"), 0x10);
    EXPECT_EQ(parse_hex_int("-1"), -1);
    EXPECT_EQ(parse_hex_int("-0x10"), -0x10);
}

TEST(HexNumber, StopsAtTheFirstNonDigitAndGivesZeroWithoutDigits)
{
    EXPECT_EQ(parse_hex_int("12g4"), 0x12);
    EXPECT_EQ(parse_hex_int("xyz"), 0);
    EXPECT_EQ(parse_hex_int(""), 0);
    EXPECT_EQ(parse_hex_int("0x"), 0);
    EXPECT_EQ(parse_hex_int("0xg"), 0);
    EXPECT_EQ(parse_hex_int("- 5"), 0);
    EXPECT_EQ(parse_hex_int("1 2"), 1);
}

TEST(HexNumber, AWholeNumberLeavesNothingOverAndHasADigit)
{
    for (const char* whole : {"41", "0x0041", " -0X1f", "+0", "100000041"})
        EXPECT_TRUE(is_whole_hex_number(whole)) << whole;
    for (const char* mistyped : {"4O", "12g4", "", " ", "0x", "-", "1 2", "5a ", "0xg", "12\xff"})
        EXPECT_FALSE(is_whole_hex_number(mistyped)) << mistyped;
}

TEST(HexNumber, ClampsAtTheIntLimitsInsteadOfWrapping)
{
    EXPECT_EQ(parse_hex_int("7fffffff"), 0x7FFFFFFF);
    EXPECT_EQ(parse_hex_int("80000000"), 0x7FFFFFFF);
    EXPECT_EQ(parse_hex_int("100000041"), 0x7FFFFFFF);   // never the token 0x41
    EXPECT_EQ(parse_hex_int("ffffffffffffffffffff"), 0x7FFFFFFF);
    EXPECT_EQ(parse_hex_int("-80000000"), INT32_MIN);
    EXPECT_EQ(parse_hex_int("-80000001"), INT32_MIN);
    EXPECT_EQ(parse_hex_int("-ffffffffffffffffffff"), INT32_MIN);
}

TEST(HexNumber, BytesAbove0x7FAreNotWhiteSpaceOrDigits)
{
    EXPECT_EQ(parse_hex_int("\xa0" "12"), 0);
    EXPECT_EQ(parse_hex_int("12\xff"), 0x12);
}

}  // namespace
