// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

// What a piece of code printed and, if it ended the run, with which status.
struct captured_run {
    std::string out;
    std::optional<int> exit_status;   // nullopt: it returned normally
};

// Runs body with standard output captured; an error it throws is printed
// and its status kept, as the top of the run does.
captured_run capture_run(const std::function<void()>& body);
