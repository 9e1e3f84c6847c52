// SPDX-License-Identifier: GPL-2.0-or-later
#include <cstdio>
#include <cstdlib>

#include "fuzz_target.hpp"

void silence_standard_output()
{
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        fuzz_failure("cannot send standard output to /dev/null");
}

void fuzz_failure(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

#ifndef CMOSCFG_FUZZ_REPLAY
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silence_standard_output();
    return 0;
}
#endif
