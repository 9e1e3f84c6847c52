// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/debug_trace.hpp"

#include <cstdarg>
#include <cstdio>

void tracer::operator()(const char* format, ...) const
{
    if (!debug_enabled)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(traces_to_standard_error ? stderr : stdout, format, arguments);
    va_end(arguments);
}
