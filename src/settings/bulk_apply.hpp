// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <istream>
#include <string>

#include "settings/settings_context.hpp"

// Applies a user settings file (the format `setting save` prints), request by
// request, reporting each; stops with a tool_error at a malformed line or a failed set.
void read_user_settings(const settings_context& context, const std::string& file_name);

// The same from a stream that is open already; on a read error of the stream
// it stops without the closing count, for the caller to report.
void read_user_settings_from(const settings_context& context, std::istream& in);

// Puts every present setting that is not at its default back to its default.
void set_each_default(const settings_context& context);
