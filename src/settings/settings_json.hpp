// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/nested_json.hpp"
#include "settings/settings_context.hpp"

// Every setting of the settings file with its state on this machine, as one
// JSON document for programs (fleet tools, templates): the platform, the
// settings file, and for each setting in list order its section, subsection,
// name, current value (null when not present), default, the value names this
// machine offers, and whether it is at its default. The reads are those of
// `setting save`. A setting with several values set at once has a null value,
// a "problem" that says so and its "set_values"; problems counts them.
//
// Names and values are bytes from files. Valid UTF-8 passes unchanged (control
// characters such as a carriage return escaped as JSON requires); each byte
// sequence that is not valid UTF-8 becomes U+FFFD, so any file gives a valid
// document. Such a name can be read but not matched from JSON.
//
// The document goes to write a setting at a time, as each is read. Returns
// the problems.
int write_settings_json(const settings_context& context, const text_sink& write);

// The names of values as a JSON array, for this document and the check's.
nlohmann::ordered_json value_names(const std::vector<const stoken_node*>& values);

// `setting json`: prints the document; words after it are ignored. Returns the
// exit status: 1 when a setting has a problem, the document printed all the same.
int setting_json_command(const settings_context& context, const std::vector<std::string>& words);
