// SPDX-License-Identifier: GPL-2.0-or-later
// `setting check` (the dry run of readfile) over any user settings file, on
// the fixed machine: it may report anything, but it never writes a CMOS byte
// and never takes the write lock. An input whose first line is "#direct"
// runs under the direct update method, any other under the standard one.
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz_target.hpp"
#include "settings/settings_check.hpp"
#include "settings_machine.hpp"

FUZZ_TARGET(setting_check)
{
    static engine_run& run = prepared_run();
    memory_machine& m = run.machine;
    reset_machine(m);
    const int locks_before = m.locks_taken;
    const bool direct = size >= 7 && std::memcmp(data, "#direct", 7) == 0;
    run.update_method = direct ? UPDATE_METHOD_DIRECT : UPDATE_METHOD_STANDARD;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    run_to_end([&] { check_user_settings(run.context(), in); });
    fuzz_check(m.writes.empty(), "setting check wrote a CMOS byte");
    fuzz_check(m.locks_taken == locks_before, "setting check took the write lock");
    return 0;
}
