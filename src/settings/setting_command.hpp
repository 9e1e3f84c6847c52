#pragma once

#include <string>
#include <vector>

// The setting command family. words: the command line as given (program
// name, "setting" or "settings", the sub-command word and its arguments).
// Returns the exit status of the run.
int setting_command(const std::vector<std::string>& words);
