// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/debug_trace.hpp"

#include <cstdarg>
#include <cstdio>

int debug_enabled = 0;

namespace {

bool traces_to_standard_error = false;

}  // namespace

void trace_to_standard_error()
{
    traces_to_standard_error = true;
}

void trace(const char* format, ...)
{
    if (!debug_enabled)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(traces_to_standard_error ? stderr : stdout, format, arguments);
    va_end(arguments);
}
