// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <istream>
#include <string>

#include "lib/debug_trace.hpp"
#include "lib/held_directory.hpp"
#include "settings/setting_list.hpp"

// How the settings file was found, for what loading it takes beyond its name.
struct settings_file_source {
    // A file of a machine image: opened without following a symbolic link, as
    // every file of an image is. Its name was not typed by the user, so NONE
    // in the image's directory name does not mean "no settings file".
    bool in_image = false;
    // That file, opened from the image's directory: the loader reads it and
    // closes the descriptor.
    opened_file image_file;
    // Where else the file was looked for, and how to change that: shown on a
    // terminal when the file cannot be opened (tool_error::terminal_note).
    std::string search_note;
};

// Loads the platform settings file at path into settings, or enters
// degraded mode when the path contains "NONE". A tool_error with a message
// naming the line when the file cannot be opened or a line is malformed, and
// "Error: refusing settings file PATH: REASON" when another user owns it or
// may write it (see distrust_reason).
void load_settings(settings_database& settings, const std::string& path, const settings_file_source& source,
                   const tracer& trace);

// The same, from a stream (the file's contents), for callers and tests that
// have the text already.
void load_settings_from(settings_database& settings, std::istream& in);
