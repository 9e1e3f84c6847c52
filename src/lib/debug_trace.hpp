// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Set once at start-up when the environment variable DEBUG exists; trace lines
// are printed only while it is 1. Tracing never changes what the tool does.
extern int debug_enabled;

// Prints like printf, but only while tracing is on.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
