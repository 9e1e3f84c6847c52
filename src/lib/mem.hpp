// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Allocation that never returns failure: when the heap is exhausted the run
// ends with "failed to malloc the request." (or "error1 in malloc" when no
// source file is named) and status 1. nbytes must be above 0, checked in every
// build. file names the caller's source for that choice; line is not used.
void* Mem_alloc(long nbytes, const char* file, int line);

// Mem_alloc for the calling source file and line.
#define MEM_ALLOC(nbytes) Mem_alloc((nbytes), __FILE__, __LINE__)
