// SPDX-License-Identifier: GPL-2.0-or-later
// A zero-byte request is a programming error; the check stays active in
// optimised builds.
#undef NDEBUG
#include <cassert>

#include "lib/mem.hpp"

#include <cstdio>
#include <cstdlib>

#include "lib/tool_error.hpp"

void* Mem_alloc(long nbytes, const char* file, int /*line*/)
{
    assert(nbytes > 0);
    void* block = std::malloc(static_cast<std::size_t>(nbytes));
    // The top of the run prints the text; should even that text find no
    // memory, it prints the first message by itself.
    if (block == nullptr)
        throw tool_error{1, file != nullptr ? "failed to malloc the request.\n" : "error1 in malloc\n"};
    return block;
}
