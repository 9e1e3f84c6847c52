// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// One fuzz target is one function of the input bytes. Built with clang and
// -fsanitize=fuzzer it becomes libFuzzer's entry point (one executable per
// target); in the ordinary build every target is registered by name with the
// corpus replayer instead, so that a checked-in input that once failed fails
// the ordinary test run too.

#include <cstddef>
#include <cstdint>

#include "lib/tool_error.hpp"

#ifdef CMOSCFG_FUZZ_REPLAY
using fuzz_function = int (*)(const std::uint8_t* data, std::size_t size);
bool register_fuzz_target(const char* name, fuzz_function function);
#define FUZZ_TARGET(name)                                                                \
    static int fuzz_##name(const std::uint8_t* data, std::size_t size);                 \
    [[maybe_unused]] static const bool registered_##name =                              \
        register_fuzz_target(#name, fuzz_##name);                                        \
    static int fuzz_##name(const std::uint8_t* data, std::size_t size)
#else
#define FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#endif

// Standard output goes to /dev/null: the code under test prints a lot, and
// the fuzzer's own report goes to standard error.
void silence_standard_output();

// A broken invariant: names it on standard error and aborts, which both
// libFuzzer and the replayer report as a finding.
[[noreturn]] void fuzz_failure(const char* what);
inline void fuzz_check(bool holds, const char* what)
{
    if (!holds)
        fuzz_failure(what);
}

// Runs one input through code that may end the run: a tool_error with status
// 0 or 1 is an intended end, any other status is a finding. Other exceptions
// propagate, and libFuzzer reports them as a crash. True when body returned.
template <typename Body>
bool run_to_end(Body body)
{
    try {
        body();
        return true;
    } catch (const tool_error& error) {
        fuzz_check(error.status == 0 || error.status == 1, "the run ended with a status other than 0 or 1");
        return false;
    }
}
