// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/bulk_apply.hpp"

#include <cstdio>

#include "lib/text_file.hpp"
#include "lib/tool_error.hpp"
#include "settings/setting_state.hpp"
#include "settings/user_settings_run.hpp"

namespace {

// Readfile's report: each request on a line of its own with what became of
// it; a line it cannot carry out ends the run with its message.
class readfile_report : public user_settings_observer {
public:
    void before_judging(const user_settings_line& line) override
    {
        std::printf("  requested setting:  %-29s  to state  %-19s", line.name.c_str(), line.value.c_str());
    }

    reading_watch watch(const user_settings_line& line) override { return reporting_missing_tokens(line.name); }

    void judged(const user_settings_line& line, const request_verdict& verdict) override
    {
        switch (verdict.outcome) {
        case request_outcome::comment:
            return;
        case request_outcome::malformed:
            throw tool_error{1, format_text("Invalid/malformed setting found on line %d:\n%s\n\n", line.number,
                                            line.text.c_str())};
        case request_outcome::unknown_name:
        case request_outcome::case_differs:
        case request_outcome::not_present:
            std::puts("     (skipping--setting not present on system)");
            return;
        case request_outcome::two_values_set:
            throw strict_read_refusal(line.name, verdict.reading);
        case request_outcome::unchanged:
            std::puts("     (skipping--already set)");
            return;
        case request_outcome::change:
            std::puts("     (adjusting)");
            ++changed;
            return;
        case request_outcome::value_not_offered:
        case request_outcome::missing_token:
            std::puts("     (adjusting)");
            throw write_refusal(line.name, line.value, verdict.target);
        case request_outcome::fails:
            // Readfile stops at the error itself, never judging past it.
            return;
        }
    }

    int changed = 0;
};

}  // namespace

void read_user_settings_from(const settings_context& context, std::istream& in)
{
    readfile_report report;
    run_user_settings(context, in, report);
    if (!in.bad())
        std::printf("\n%d settings changed.\n\n", report.changed);
}

void read_user_settings(const settings_context& context, const std::string& file_name)
{
    std::ifstream in;
    if (!open_text_file(file_name, in))
        throw tool_error{1, format_text("Error:  cannot open user bios settings file for reading:  %s\n\n",
                                        file_name.c_str())};
    read_user_settings_from(context, in);
    if (in.bad())
        throw tool_error{1, format_text("Error:  cannot read user bios settings file:  %s\n\n", file_name.c_str())};
}

void set_each_default(const settings_context& context)
{
    int changed = 0;
    for (const setting_node& setting : context.settings.setting_list) {
        if (!setting_present(context, setting.name.c_str())) {
            std::printf("(Setting not present:  %s)\n", setting.name.c_str());
            continue;
        }
        for (const stoken_node& value : setting.stokens) {
            if (!value.is_default || setting_is_at(context, setting.name, value.value_name))
                continue;
            std::printf("setting %-29s to %s\n", setting.name.c_str(), value.value_name.c_str());
            set_setting(context, setting.name, value.value_name);
            ++changed;
            break;
        }
    }
    if (changed != 0)
        std::printf("\n%d settings changed.\n\n", changed);
    else
        std::puts("\nNo changes needed (all settings at default).\n");
}
