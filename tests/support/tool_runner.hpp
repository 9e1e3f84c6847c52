// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct tool_result {
    int status = -1;     // exit status, or 128 + signal
    std::string out;     // everything written to standard output
    std::string err;     // everything written to standard error
};

// Environment changes for one run: a value sets the variable, nullopt unsets it.
using environment = std::map<std::string, std::optional<std::string>>;

struct tool_invocation {
    std::vector<std::string> arguments;          // after the program name
    environment env;                             // on top of a minimal PATH-only environment
    std::string program_name = "cmoscfg";        // argv[0] as the tool sees it
    std::string executable = CMOSCFG_BINARY;
    std::string working_directory;               // empty: the test's own
    bool unprivileged = false;                   // drop to uid/gid 65534 when run as root
    int timeout_seconds = 60;                    // killed when still running after this
    int standard_output_fd = -1;                 // when set, the tool's standard output (out stays empty)
    int standard_error_fd = -1;                  // when set, the tool's standard error (err stays empty)
    bool standard_error_expected = false;        // unless set, anything on standard error fails the test
};

// Runs the tool to completion (killed after timeout_seconds) and collects its output.
tool_result run_tool(const tool_invocation& invocation);
