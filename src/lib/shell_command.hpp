// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Runs command through the shell and returns everything it wrote to its
// standard output, line ends included. Standard output is flushed first.
// When the shell cannot be started, or the command ends with a non-zero exit
// code or is killed by a signal (reported as 128 + the signal number, as the
// shell itself does), the run ends with that code as its status after
// printing the command and the code.
std::string run_shell_command(const std::string& command);
