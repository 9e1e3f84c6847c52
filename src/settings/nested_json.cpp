// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/nested_json.hpp"

#include <cstdio>

text_sink standard_output_sink()
{
    return [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); };
}

std::string nested_json(const nlohmann::ordered_json& value, int depth)
{
    const std::string indent(2 * static_cast<std::size_t>(depth), ' ');
    std::string text;
    for (char c : value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)) {
        text += c;
        if (c == '\n')
            text += indent;
    }
    return text;
}
