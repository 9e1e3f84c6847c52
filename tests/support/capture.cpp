// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/capture.hpp"

#include <cstdio>
#include <gtest/gtest.h>

#include "lib/process_exit.hpp"

captured_run capture_run(const std::function<void()>& body)
{
    captured_run result;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    try {
        body();
    } catch (const process_exit& exit) {
        result.exit_status = exit.status;
    } catch (...) {
        std::fflush(stdout);
        testing::internal::GetCapturedStdout();
        throw;
    }
    std::fflush(stdout);
    result.out = testing::internal::GetCapturedStdout();
    return result;
}
