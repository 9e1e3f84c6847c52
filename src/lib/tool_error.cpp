// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/tool_error.hpp"

#include <cstdarg>
#include <cstdio>

std::string format_text(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        // The string's own terminating byte takes the one vsnprintf adds.
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}
