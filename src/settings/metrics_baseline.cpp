// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/metrics_baseline.hpp"

#include <fstream>
#include <map>

#include "lib/text_file.hpp"
#include "lib/tool_error.hpp"
#include "settings/request_verdict.hpp"
#include "settings/user_settings_reader.hpp"

namespace {

[[noreturn]] void refuse(const std::string& file_name, int line, const std::string& why)
{
    throw tool_error{1, format_text("Error: baseline %s, line %d: %s\n", file_name.c_str(), line, why.c_str())};
}

}  // namespace

std::vector<baseline_setting> read_baseline(const settings_context& context, const std::string& file_name)
{
    std::ifstream in;
    if (!open_text_file(file_name, in))
        throw tool_error{1, format_text("Error: cannot open baseline %s\n", file_name.c_str())};
    std::vector<baseline_setting> settings;
    std::map<std::string, std::pair<std::size_t, int>> seen;   // name: its place in settings, its line
    user_settings_line line;
    while (read_user_settings_line(in, line)) {
        const request_verdict verdict = judge_request(context, line);
        switch (verdict.outcome) {
        case request_outcome::comment:
            continue;
        case request_outcome::malformed:
            refuse(file_name, line.number, "not a setting line (NAME : VALUE): " + line.text);
        case request_outcome::unknown_name:
        case request_outcome::case_differs:
        case request_outcome::not_present:
            refuse(file_name, line.number, "this machine has no setting " + line.name);
        case request_outcome::value_not_offered:
        case request_outcome::missing_token:
            refuse(file_name, line.number, "setting " + line.name + " offers no value " + line.value + " here");
        default:
            break;
        }
        if (auto earlier = seen.find(line.name); earlier != seen.end()) {
            if (settings[earlier->second.first].value != line.value)
                refuse(file_name, line.number,
                       format_text("%s is named again with another value than on line %d", line.name.c_str(),
                                   earlier->second.second));
            continue;
        }
        seen[line.name] = {settings.size(), line.number};
        // Unchanged is the one verdict of a setting at the baseline's value;
        // a change would write it, and two values set are not it either.
        settings.push_back({line.name, line.value, verdict.outcome != request_outcome::unchanged});
    }
    if (in.bad())
        throw tool_error{1, format_text("Error: cannot read baseline %s\n", file_name.c_str())};
    return settings;
}
