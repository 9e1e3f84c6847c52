// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/startup.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/platform.hpp"
#include "cli/settings_file_resolution.hpp"
#include "hw/access_diagnosis.hpp"
#include "hw/token_table.hpp"
#include "lib/debug_trace.hpp"
#include "lib/tool_error.hpp"
#include "lib/shell_command.hpp"
#include "settings/settings_loader.hpp"

namespace {

void require_root(machine& m)
{
    if (!m.is_root()) {
        throw tool_error{1, "You must be root to use this tool.\n"};
    }
}

// Without I/O privilege the first port access would kill the process with a
// segmentation fault, so a refusal is reported before any port is touched.
void raise_io_privilege(machine& m)
{
    int error = m.raise_io_privilege();
    if (error != 0) {
        throw tool_error{1, format_text("Error: unable to raise the I/O privilege level: %s\n", std::strerror(error)) +
                                io_privilege_diagnosis(m, error)};
    }
}

// Platform identification and the settings listings read the product name
// and the date through the shell, so a system where this build cannot run
// shell commands is caught here. The
// command text is what the user sees when it fails, hence the hint in it.
void probe_shell()
{
    run_shell_command("echo;echo There may be a problem using this version of cmoscfg on this system.  "
                      "Try the other version and see the README file for more information.  Hit ctrl-c.");
}

}  // namespace

void run_startup(run_context& run)
{
    machine& m = run.cmos();
    require_root(m);
    raise_io_privilege(m);
    // The shell, and the commands it runs, find their programs by PATH.
    if (const char* path = m.shell_command_path())
        ::setenv("PATH", path, 1);
    probe_shell();
    if (std::getenv("DEBUG") != nullptr)
        run.trace.debug_enabled = 1;
    run.token_table = load_token_table(m, run.trace);
    identify_platform(run);
    run.settings.settings_platform = run.platform_name;
    settings_file_choice settings = resolve_settings_file(m, run.platform_name, run.trace);
    load_settings(run.settings, settings.name, settings.source, run.trace);
}
