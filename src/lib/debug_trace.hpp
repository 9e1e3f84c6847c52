// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Set once at start-up when the environment variable DEBUG exists; trace lines
// are printed only while it is 1. Tracing never changes what the tool does.
extern int debug_enabled;

// Trace lines go to standard output, except after this call: a command whose
// standard output is a document for programs (JSON) sends them to standard
// error, so that DEBUG never spoils the document. Called before the start-up,
// which traces too.
void trace_to_standard_error();

// Prints like printf, but only while tracing is on.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
