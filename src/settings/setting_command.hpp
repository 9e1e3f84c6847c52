#pragma once

#include <string>
#include <vector>

// The setting command family. words: the command line as given (program
// name, "setting" or "settings", the sub-command word and its arguments).
// Always ends the process.
[[noreturn]] void setting_command(const std::vector<std::string>& words);
