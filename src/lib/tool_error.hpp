// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// An error of the tool: the exact text the user sees and the exit status it
// ends the run with. Code that meets an error throws one and prints nothing;
// the top of the run (run_cmoscfg) prints the text, unchanged, to standard
// output and ends with the status. A caller may catch it to ask what a
// request would do: `setting check` records the error of a line whose write
// would fail as that line's verdict.
struct tool_error {
    int status;
    std::string text;
    // A hint for a person at the keyboard, printed after the text on standard
    // error, and only when that is a terminal: scripts and logs that compare
    // the text see it unchanged. Empty for most errors.
    std::string terminal_note = {};
};

// The text formatted as printf would print it.
[[gnu::format(printf, 1, 2)]] std::string format_text(const char* format, ...);
