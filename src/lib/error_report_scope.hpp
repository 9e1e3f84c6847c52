// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

// A run prints an error's message at its top, after the error has unwound
// everything below. Some holds must not end before that message is out: a
// termination signal held back during a CMOS write would otherwise act as the
// hold ends and kill the run before it says why it stopped, and another
// cmoscfg waiting for the write lock would start before it. While the top of
// the run keeps a scope, such a hold that an error unwinds hands its release
// to the scope, which performs the releases, in the order they were handed
// over, once the message is printed.
class error_report_scope {
public:
    error_report_scope();
    ~error_report_scope();   // releases whatever is still waiting
    error_report_scope(const error_report_scope&) = delete;
    error_report_scope& operator=(const error_report_scope&) = delete;

    void release_held();
};

// Called by a hold as an error unwinds it. With a scope alive, keeps release
// for it and returns true; without one (code called on its own, as tests do),
// returns false and the caller releases at once.
bool release_after_error_report(std::function<void()> release);
