#pragma once

#include <istream>
#include <string>

// Loads the platform settings file at path into setting_list, or enters
// degraded mode when the path contains "NONE". Ends the process with a message
// naming the line when the file cannot be opened or a line is malformed.
void load_settings(const std::string& path);

// The same, from a stream (the file's contents), for callers and tests that
// have the text already.
void load_settings_from(std::istream& in);
