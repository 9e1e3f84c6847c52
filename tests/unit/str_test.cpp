// SPDX-License-Identifier: GPL-2.0-or-later
// The positional string module: position conversion, searches, fields, and the
// preconditions that stay active in optimised builds.
#include <gtest/gtest.h>

#include "lib/str.hpp"

namespace {

// The C library's assertion message for condition, raised inside operation.
std::string assertion(const std::string& operation, const std::string& condition)
{
    return operation + ".*Assertion `" + condition + "' failed";
}

TEST(StrPositions, PositivePositionsCountFromTheStartAndNonPositiveFromTheEnd)
{
    EXPECT_EQ(Str_sub("abc", 1, 0), "abc");
    EXPECT_EQ(Str_sub("abc", 1, 4), "abc");
    EXPECT_EQ(Str_sub("abc", -3, 0), "abc");
    EXPECT_EQ(Str_sub("abc", -1, 0), "c");
    EXPECT_EQ(Str_sub("abc", 2, -1), "b");
    EXPECT_EQ(Str_sub("abc", -2, 3), "b");
    EXPECT_EQ(Str_sub("abc", 2, 2), "");
    EXPECT_EQ(Str_sub("abc", 4, 0), "");
    EXPECT_EQ(Str_sub("", 1, 0), "");
    EXPECT_EQ(Str_sub("abcdef", 1, 5), "abcd");
    EXPECT_EQ(Str_sub("abcdef", 3, 0), "cdef");
}

TEST(StrPositions, SwappedRangesAreTurnedRound)
{
    EXPECT_EQ(Str_sub("abc", 3, 1), "ab");
    EXPECT_EQ(Str_sub("abc", 0, 2), "bc");
    EXPECT_EQ(Str_len("abcdef", 5, 2), 3);
    EXPECT_EQ(Str_find("a:b:c", 0, 3, ":"), 4);
}

TEST(StrPositions, APositionBeyondTheEndMeansTheEnd)
{
    EXPECT_EQ(Str_sub("abc", 1, 99), "abc");
    EXPECT_EQ(Str_sub("abc", 1, 5), "abc");
    EXPECT_EQ(Str_sub("abc", 99, 2), "bc");
    EXPECT_EQ(Str_len("abc", 2, 1000), 2);
    // Both beyond the end: the empty range at the end.
    EXPECT_EQ(Str_len("abc", 10, 10), 0);
    EXPECT_EQ(Str_find("abc", 10, 10, ""), 4);
    EXPECT_EQ(Str_sub("abc", 10, 10), "");
    EXPECT_EQ(Str_countchar("aaa", 1, 50, 'a'), 3);
}

TEST(StrPositions, LengthOfARange)
{
    EXPECT_EQ(Str_len("abc", 1, 0), 3);
    EXPECT_EQ(Str_len("abc", 2, 2), 0);
    EXPECT_EQ(Str_len("abc", -1, 0), 1);
    EXPECT_EQ(Str_len("", 1, 0), 0);
}

TEST(StrCat, JoinsTwoRanges)
{
    EXPECT_EQ(Str_cat("abc", 1, 0, "def", 1, 0), "abcdef");
    EXPECT_EQ(Str_cat("abc", 2, 0, "def", 1, 2), "bcd");
    EXPECT_EQ(Str_cat("abc", 1, 0, "", 1, 0), "abc");
    EXPECT_EQ(Str_cat("", 1, 0, "", 1, 0), "");
    EXPECT_EQ(Str_cat("abc", 0, -2, "def", -1, 0), "bcf");
}

TEST(StrFind, EmptyPatternIsFoundAtTheStartOfTheRange)
{
    EXPECT_EQ(Str_find("abc", 1, 0, ""), 1);
    EXPECT_EQ(Str_find("abc", 2, 0, ""), 2);
    EXPECT_EQ(Str_find("abc", 0, 3, ""), 3);
    EXPECT_EQ(Str_find("", 1, 0, ""), 1);
}

TEST(StrFind, OneBytePatterns)
{
    EXPECT_EQ(Str_find("a:b:c", 1, 0, ":"), 2);
    EXPECT_EQ(Str_find("a:b:c", 3, 0, ":"), 4);
    EXPECT_EQ(Str_find("a:b:c", 1, 2, ":"), 0);
    EXPECT_EQ(Str_find("abc", 1, 0, "x"), 0);
    EXPECT_EQ(Str_find("", 1, 0, "x"), 0);
}

TEST(StrFind, LongerPatternsMustLieWhollyInsideTheRange)
{
    EXPECT_EQ(Str_find("abcbc", 1, 0, "bc"), 2);
    EXPECT_EQ(Str_find("abcbc", 3, 0, "bc"), 4);
    EXPECT_EQ(Str_find("abc", 1, 3, "bc"), 0);
    EXPECT_EQ(Str_find("abc", 1, 4, "bc"), 2);
    EXPECT_EQ(Str_find("abc", 1, 0, "abcd"), 0);
    EXPECT_EQ(Str_find("abc", 1, 0, "bd"), 0);
    EXPECT_EQ(Str_find("PowerServer K2D07", 1, 0, "2D07"), 14);
    EXPECT_EQ(Str_find("K2D07", 1, 0, "K2D07"), 1);
}

TEST(StrFindchar, FindsAndCountsBytesInsideTheRange)
{
    EXPECT_EQ(Str_findchar("key:value", 1, 0, ':'), 4);
    EXPECT_EQ(Str_sub("key:value", 1, 4), "key");
    EXPECT_EQ(Str_sub("key:value", 5, 0), "value");
    EXPECT_EQ(Str_findchar("keyvalue", 1, 0, ':'), 0);
    EXPECT_EQ(Str_findchar("a:b:c", 3, 0, ':'), 4);
    EXPECT_EQ(Str_findchar("a:b:c", 1, 2, ':'), 0);
    EXPECT_EQ(Str_countchar("a:b:c", 1, 0, ':'), 2);
    EXPECT_EQ(Str_countchar("a:b:c", 3, 0, ':'), 1);
    EXPECT_EQ(Str_countchar("", 1, 0, ':'), 0);
    EXPECT_EQ(Str_countchar("a,b,,c", 1, 0, ','), 3);
}

TEST(StrFindchar, HighBytesCompareAsSignedChar)
{
    const char text[] = "caf\xE9";
    EXPECT_EQ(Str_findchar(text, 1, 0, -0x17), 4);
    EXPECT_EQ(Str_findchar(text, 1, 0, 0xE9), 0);
    EXPECT_EQ(Str_countchar(text, 1, 0, -0x17), 1);
}

TEST(StrField, SplitsAtEverySeparatorKeepingEmptyFields)
{
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", 1), "a");
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", 2), "b");
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", 3), "");
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", 4), "c");
    EXPECT_EQ(Str_field(",a", 1, 0, ",", 1), "");
    EXPECT_EQ(Str_field("a,", 1, 0, ",", 2), "");
    EXPECT_EQ(Str_field("", 1, 0, ",", 1), "");
    EXPECT_EQ(Str_field("name:value", 1, 0, ":", 2), "value");
    EXPECT_EQ(Str_field("a::b::c", 1, 0, "::", 3), "c");
    EXPECT_EQ(Str_field("a:::b", 1, 0, "::", 2), ":b");
}

TEST(StrField, MissingFieldsAreNull)
{
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", 5), std::nullopt);
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", 0), std::nullopt);
    EXPECT_EQ(Str_field("a,b,,c", 1, 0, ",", -1), std::nullopt);
    EXPECT_EQ(Str_field("abc", 1, 0, ",", 1), "abc");
    EXPECT_EQ(Str_field("abc", 1, 0, ",", 2), std::nullopt);
    EXPECT_EQ(Str_field("", 1, 0, ",", 2), std::nullopt);
}

TEST(StrField, SearchesTheRangeButTheLastFieldRunsToTheEnd)
{
    EXPECT_EQ(Str_field("a,b,c", 1, 3, ",", 2), "b,c");
    EXPECT_EQ(Str_field("a,b,c", 1, 3, ",", 3), std::nullopt);
    EXPECT_EQ(Str_field("a,b,c", 3, 0, ",", 1), "b");
}

TEST(StrField, AnEmptySeparatorEndsForAnyFieldNumber)
{
    EXPECT_EQ(Str_field("abc", 1, 0, "", 1), "");
    EXPECT_EQ(Str_field("abc", 1, 0, "", 3), "");
    EXPECT_EQ(Str_field("abc", 1, 0, "", 0), std::nullopt);
}

TEST(StrCopy, CopiesAndTurnsNullIntoEmpty)
{
    EXPECT_EQ(Str_copy("K2A07"), "K2A07");
    EXPECT_EQ(Str_copy(nullptr), "");
    EXPECT_EQ(Str_copy(""), "");
}

using StrDeathTest = testing::Test;

TEST_F(StrDeathTest, ARangeStartingBeforeTheStringFailsTheRangeCondition)
{
    EXPECT_DEATH(Str_sub("", -1, 0), assertion("Str_sub", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_sub("abc", -4, 0), assertion("Str_sub", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_sub("abc", 2, -9), assertion("Str_sub", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_len("abc", -5, 1), assertion("Str_len", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_find("abc", -5, 0, "a"), assertion("Str_find", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_findchar("abc", -5, 0, 'a'), assertion("Str_findchar", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_countchar("abc", -5, 0, 'a'), assertion("Str_countchar", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_cat("abc", -5, 0, "d", 1, 0), assertion("Str_cat", "i1 >= 0 && j1 <= len"));
    EXPECT_DEATH(Str_cat("abc", 1, 0, "d", -2, 0), assertion("Str_cat", "i2 >= 0 && j2 <= len"));
    EXPECT_DEATH(Str_field("abc", -5, 0, ",", 1), assertion("Str_find", "i >= 0 && j <= len"));
}

TEST_F(StrDeathTest, NullStringsFailTheirConditionInOrder)
{
    EXPECT_DEATH(Str_sub(nullptr, 1, 0), assertion("Str_sub", "s"));
    EXPECT_DEATH(Str_len(nullptr, 1, 0), assertion("Str_len", "s"));
    EXPECT_DEATH(Str_findchar(nullptr, 1, 0, 'a'), assertion("Str_findchar", "s"));
    EXPECT_DEATH(Str_countchar(nullptr, 1, 0, 'a'), assertion("Str_countchar", "s"));
    EXPECT_DEATH(Str_find(nullptr, -9, 0, nullptr), assertion("Str_find", "s"));
    EXPECT_DEATH(Str_find("abc", -9, 0, nullptr), assertion("Str_find", "i >= 0 && j <= len"));
    EXPECT_DEATH(Str_find("abc", 1, 0, nullptr), assertion("Str_find", "str"));
    EXPECT_DEATH(Str_cat(nullptr, 1, 0, nullptr, 1, 0), assertion("Str_cat", "s1"));
    EXPECT_DEATH(Str_cat("abc", 1, 0, nullptr, 1, 0), assertion("Str_cat", "s2"));
    EXPECT_DEATH(Str_field(nullptr, 1, 0, ",", 1), assertion("Str_find", "s"));
    EXPECT_DEATH(Str_field("abc", 1, 0, nullptr, 1), assertion("Str_find", "str"));
}

}  // namespace
