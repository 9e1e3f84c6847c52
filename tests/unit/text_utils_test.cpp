// SPDX-License-Identifier: GPL-2.0-or-later
// In-place trimming and case folding shared by the front end and the settings
// readers.
#include <gtest/gtest.h>

#include "lib/text_utils.hpp"

namespace {

std::string trimmed(std::string s)
{
    trim_string(s);
    return s;
}

TEST(TrimString, RemovesLeadingWhiteSpaceAndTrailingBlanksAndNewlines)
{
    EXPECT_EQ(trimmed("  abc \t\n"), "abc");
    EXPECT_EQ(trimmed("\r\v\f abc"), "abc");
    EXPECT_EQ(trimmed("a b\tc"), "a b\tc");
    EXPECT_EQ(trimmed("abc"), "abc");
    EXPECT_EQ(trimmed("x"), "x");
    EXPECT_EQ(trimmed(" K2A07\n"), "K2A07");
}

TEST(TrimString, WhiteSpaceAloneBecomesEmpty)
{
    EXPECT_EQ(trimmed(""), "");
    EXPECT_EQ(trimmed(" \t\n \n"), "");
    EXPECT_EQ(trimmed("\r\n"), "");
    EXPECT_EQ(trimmed("\v\f\r"), "");
}

TEST(TrimString, ACarriageReturnStopsTheTrailingTrim)
{
    EXPECT_EQ(trimmed("  abc \t\r\n"), "abc \t\r");
    EXPECT_EQ(trimmed("abc\f"), "abc\f");
    EXPECT_EQ(trimmed("abc\v "), "abc\v");
}

TEST(CaseFolding, ChangesOnlyAsciiLetters)
{
    std::string s = "PowerServer k2d07 \xE9\xC9-_1";
    uppercase_string(s);
    EXPECT_EQ(s, "POWERSERVER K2D07 \xE9\xC9-_1");
    lowercase_string(s);
    EXPECT_EQ(s, "powerserver k2d07 \xE9\xC9-_1");
    std::string empty;
    uppercase_string(empty);
    EXPECT_EQ(empty, "");
}

}  // namespace
