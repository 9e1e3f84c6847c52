// SPDX-License-Identifier: GPL-2.0-or-later
// A zero-byte request is a programming error; the check stays active in
// optimised builds.
#undef NDEBUG
#include <cassert>

#include "lib/mem.hpp"

#include <cstdio>
#include <cstdlib>

#include "lib/process_exit.hpp"

void* Mem_alloc(long nbytes, const char* file, int /*line*/)
{
    assert(nbytes > 0);
    void* block = std::malloc(static_cast<std::size_t>(nbytes));
    if (block == nullptr) {
        std::puts(file != nullptr ? "failed to malloc the request." : "error1 in malloc");
        end_process(1);
    }
    return block;
}
