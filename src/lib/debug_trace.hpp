#pragma once

// Set once at start-up when the environment variable DEBUG exists; trace lines
// are printed only while it is 1. Tracing never changes what the tool does.
extern int debug_enabled;
