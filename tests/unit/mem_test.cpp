// SPDX-License-Identifier: GPL-2.0-or-later
// Checked allocation: a block or the end of the run, never a null pointer.
#include <climits>
#include <cstring>
#include <gtest/gtest.h>

#include "lib/mem.hpp"
#include "support/address_sanitizer.hpp"
#include "support/capture.hpp"

namespace {

TEST(MemAlloc, GivesAWritableBlock)
{
    auto* block = static_cast<char*>(MEM_ALLOC(16));
    ASSERT_NE(block, nullptr);
    std::memset(block, 'x', 16);
    EXPECT_EQ(block[15], 'x');
    std::free(block);
}

TEST(MemAlloc, AnImpossibleRequestEndsTheRunWithItsMessage)
{
#if UNDER_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer aborts on impossible requests instead of failing them";
#else
    captured_run named = capture_run([] { Mem_alloc(LONG_MAX, "str.cpp", 1); });
    EXPECT_EQ(named.exit_status, 1);
    EXPECT_EQ(named.out, "failed to malloc the request.\n");

    captured_run unnamed = capture_run([] { Mem_alloc(LONG_MAX, nullptr, 0); });
    EXPECT_EQ(unnamed.exit_status, 1);
    EXPECT_EQ(unnamed.out, "error1 in malloc\n");
#endif
}

using MemAllocDeathTest = testing::Test;

TEST_F(MemAllocDeathTest, ARequestOfNoBytesFailsItsCondition)
{
    EXPECT_DEATH(Mem_alloc(0, "str.cpp", 1), "Mem_alloc.*Assertion `nbytes > 0' failed");
    EXPECT_DEATH(Mem_alloc(-8, "str.cpp", 1), "Mem_alloc.*Assertion `nbytes > 0' failed");
}

}  // namespace
