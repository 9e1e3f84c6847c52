// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Every error of the tool ends the run at the place where it is met. The run is
// ended by throwing this object, which main turns into the exit status, so that
// tests can call code that "ends the process" and check the status.
struct process_exit {
    int status;
};

// Flushes standard output and ends the run with the given status.
[[noreturn]] void end_process(int status);
