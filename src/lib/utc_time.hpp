// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The time now in UTC, as 2026-12-10T17:45:00Z: how records and the journal
// tell when, the same on every machine of a fleet.
std::string utc_time_now();
