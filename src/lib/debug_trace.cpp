// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/debug_trace.hpp"

#include <cstdarg>
#include <cstdio>

int debug_enabled = 0;

void trace(const char* format, ...)
{
    if (!debug_enabled)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
}
