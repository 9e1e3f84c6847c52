// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// Every setting of the settings file with its state on this machine, as one
// JSON document for programs (fleet tools, templates): the platform, the
// settings file, and for each setting in list order its section, subsection,
// name, current value (null when not present), default, the value names this
// machine offers, and whether it is at its default. The reads and checks are
// those of `setting save`: two values set at once are the
// listing's error, before anything is printed.
//
// Names and values are bytes from files. Valid UTF-8 passes unchanged (control
// characters such as a carriage return escaped as JSON requires); each byte
// sequence that is not valid UTF-8 becomes U+FFFD, so any file gives a valid
// document. Such a name can be read but not matched from JSON.
std::string settings_json_document();

// `setting json`: prints the document; words after it are ignored. Returns the
// exit status.
int setting_json_command(const std::vector<std::string>& words);
