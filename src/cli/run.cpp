// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/run.hpp"

#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <unistd.h>

#include "cli/command_line.hpp"
#include "cli/dispatch.hpp"
#include "cli/early_options.hpp"
#include "cli/help_texts.hpp"
#include "cli/startup.hpp"
#include "hw/machine.hpp"
#include "lib/debug_trace.hpp"
#include "lib/error_report_scope.hpp"
#include "lib/tool_error.hpp"

namespace {

// Exhausted memory anywhere ends the run with one message, never a crash.
int report_exhausted_memory()
{
    std::puts("failed to malloc the request.");
    std::fflush(stdout);
    return 1;
}

// The one place where an error is printed and ends the run.
int report_error(const tool_error& error, error_report_scope& holds)
{
    std::fputs(error.text.c_str(), stdout);
    std::fflush(stdout);
    if (!error.terminal_note.empty() && ::isatty(STDERR_FILENO) == 1)
        std::fprintf(stderr, "%s\n", error.terminal_note.c_str());
    holds.release_held();
    return error.status;
}

// setting json and setting check --json print a JSON document: nothing else
// may share standard output with it. Known from the words alone, since the
// start-up traces before any command runs.
bool prints_a_document(const command_line& line)
{
    if (line.size() < 3 || (line[1] != "setting" && line[1] != "settings"))
        return false;
    return line[2] == "json" || (line[2] == "check" && line.size() > 3 && line[3] == "--json");
}

}  // namespace

int run_cmoscfg(int argc, char** argv)
{
    error_report_scope holds;
    try {
        command_line line;
        for (int i = 0; i < argc; ++i)
            line.words.emplace_back(argv[i]);
        if (line.words.empty())
            line.words.emplace_back("cmoscfg");
        if (std::optional<int> status = answer_early_options(line)) {
            std::fflush(stdout);
            return *status;
        }
        if (prints_a_document(line))
            trace_to_standard_error();
        install_machine(machine_from_environment());
        run_startup();
        int status = 0;
        if (line.size() < 2)
            print_usage(line.program_name());
        else
            status = dispatch_command(line);
        std::fflush(stdout);
        return status;
    } catch (const tool_error& error) {
        return report_error(error, holds);
    } catch (const std::bad_alloc&) {
        // Unlike an error's message, this one follows the holds' release, as
        // the unwinding would have released them.
        holds.release_held();
        return report_exhausted_memory();
    } catch (const std::length_error&) {
        holds.release_held();
        return report_exhausted_memory();
    }
}
