// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/capture.hpp"

#include <cstdio>
#include <gtest/gtest.h>

#include "lib/tool_error.hpp"

captured_run capture_run(const std::function<void()>& body)
{
    captured_run result;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    try {
        body();
    } catch (const tool_error& error) {
        // What the top of the run would print.
        std::fputs(error.text.c_str(), stdout);
        result.exit_status = error.status;
    } catch (...) {
        std::fflush(stdout);
        testing::internal::GetCapturedStdout();
        throw;
    }
    std::fflush(stdout);
    result.out = testing::internal::GetCapturedStdout();
    return result;
}
