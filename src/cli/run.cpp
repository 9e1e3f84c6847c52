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
#include "cli/run_context.hpp"
#include "cli/startup.hpp"
#include "hw/apply_recovery.hpp"
#include "hw/machine_choice.hpp"
#include "lib/tool_error.hpp"

namespace {

// Exhausted memory anywhere ends the run with one message, never a crash.
int report_exhausted_memory()
{
    std::puts("failed to malloc the request.");
    std::fflush(stdout);
    return 1;
}

// The one place where an error is printed and ends the run. The run's write
// session gives back its lock and held signals only after this.
int report_error(const tool_error& error)
{
    std::fputs(error.text.c_str(), stdout);
    std::fflush(stdout);
    if (!error.terminal_note.empty() && ::isatty(STDERR_FILENO) == 1)
        std::fprintf(stderr, "%s\n", error.terminal_note.c_str());
    return error.status;
}

// setting json, setting check --json and setting apply --json print a JSON
// document, setting metrics a metrics file: nothing else may share standard
// output with it. Known from the words alone, since the start-up traces
// before any command runs.
bool prints_a_document(const command_line& line)
{
    if (line.size() < 3 || (line[1] != "setting" && line[1] != "settings"))
        return false;
    if (line[2] == "json" || line[2] == "metrics")
        return true;
    if (line[2] == "check")
        return line.size() > 3 && line[3] == "--json";
    // apply takes its options in any order before the file.
    return line[2] == "apply" && ((line.size() > 3 && line[3] == "--json") || (line.size() > 4 && line[4] == "--json"));
}

// Unlike an error's message, this one follows the release of the run's holds,
// as an unwinding would have released them.
int report_exhausted_memory(std::optional<run_context>& run)
{
    if (run)
        run->writes.finish();
    return report_exhausted_memory();
}

}  // namespace

int run_cmoscfg(int argc, char** argv)
{
    // Outlives the catch below, so that the write session ends after the
    // error's message.
    std::optional<run_context> run;
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
        run.emplace(machine_from_environment());
        run->trace.traces_to_standard_error = prints_a_document(line);
        run_startup(*run);
        run->writes.keep_journal(line.words);
        // Before anything else is read under the lock, an apply that a dead
        // run left half done is undone.
        run->writes.set_recovery([&ours = *run] {
            if (std::optional<rollback_report> report = roll_back_open_apply(ours.tokens()))
                std::fputs(rollback_notice(*report).c_str(), stderr);
        });
        int status = 0;
        if (line.size() < 2)
            print_usage(line.program_name());
        else
            status = dispatch_command(*run, line);
        std::fflush(stdout);
        return status;
    } catch (const tool_error& error) {
        return report_error(error);
    } catch (const std::bad_alloc&) {
        return report_exhausted_memory(run);
    } catch (const std::length_error&) {
        return report_exhausted_memory(run);
    }
}
