// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Where a run's trace lines go. Start-up turns tracing on when the
// environment variable DEBUG exists; tracing never changes what the tool does.
class tracer {
public:
    // 1 while trace lines are printed.
    int debug_enabled = 0;
    // Trace lines go to standard output, except for a command whose standard
    // output is a document for programs (JSON): there they go to standard
    // error, so that DEBUG never spoils the document.
    bool traces_to_standard_error = false;

    // Prints like printf, but only while tracing is on.
    void operator()(const char* format, ...) const __attribute__((format(printf, 2, 3)));
};
