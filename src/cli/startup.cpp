#include "cli/startup.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hw/access_diagnosis.hpp"
#include "hw/machine.hpp"
#include "hw/token_table.hpp"
#include "lib/debug_trace.hpp"
#include "lib/process_exit.hpp"

namespace {

void require_root(machine& m)
{
    if (!m.is_root()) {
        std::puts("You must be root to use this tool.");
        end_process(1);
    }
}

// Without I/O privilege the first port access would kill the process with a
// segmentation fault, so a refusal is reported before any port is touched.
void raise_io_privilege(machine& m)
{
    int error = m.raise_io_privilege();
    if (error != 0) {
        std::printf("Error: unable to raise the I/O privilege level: %s\n", std::strerror(error));
        print_io_privilege_diagnosis(m, error);
        end_process(1);
    }
}

}  // namespace

void run_startup()
{
    machine& m = current_machine();
    require_root(m);
    raise_io_privilege(m);
    if (std::getenv("DEBUG") != nullptr)
        debug_enabled = 1;
    load_token_table();
}
