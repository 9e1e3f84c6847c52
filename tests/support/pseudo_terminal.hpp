// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// A pseudo-terminal in raw mode (no newline translation), to give the tool as
// its standard error: what it tells only a person at a terminal arrives here.
class pseudo_terminal {
public:
    // Where none can be made (a chroot without /dev/pts), ready() is false
    // and problem() says why: the test that needs one skips with it.
    pseudo_terminal();
    ~pseudo_terminal();
    pseudo_terminal(const pseudo_terminal&) = delete;
    pseudo_terminal& operator=(const pseudo_terminal&) = delete;

    bool ready() const { return terminal_ >= 0; }
    const std::string& problem() const { return problem_; }
    // The terminal's own side, for tool_invocation::standard_error_fd.
    int terminal_fd() const { return terminal_; }
    // Everything written to the terminal and not read yet.
    std::string pending_output();

private:
    int master_ = -1;
    int terminal_ = -1;
    std::string problem_;
};
