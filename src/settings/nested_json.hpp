// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Documents too large to hold whole are written a piece at a time, each
// piece with the same bytes as the whole document's dump would give it.

// Where the pieces go: standard output, or a string for a caller that
// needs the text.
using text_sink = std::function<void(std::string_view)>;

// Standard output as a sink; a failed write shows at the exit's check.
text_sink standard_output_sink();

// value as nlohmann's dump(2) of a whole document holds it, depth levels
// down: two spaces a level, U+FFFD for bytes that are not UTF-8, and every
// line after the first indented by the depth.
std::string nested_json(const nlohmann::ordered_json& value, int depth);
