// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/request_verdict.hpp"

#include "lib/text_utils.hpp"

namespace {

// A setting whose name differs from name in letter case only; nullptr when none.
const setting_node* same_name_but_case(const settings_database& settings, const std::string& name)
{
    std::string wanted = name;
    lowercase_string(wanted);
    for (const setting_node& setting : settings.setting_list) {
        std::string candidate = setting.name;
        lowercase_string(candidate);
        if (candidate == wanted)
            return &setting;
    }
    return nullptr;
}

request_outcome outcome_of(write_target::refusal why)
{
    switch (why) {
    case write_target::refusal::none:
        return request_outcome::change;
    case write_target::refusal::missing_token:
        return request_outcome::missing_token;
    case write_target::refusal::value_not_offered:
    case write_target::refusal::unknown_name:
        break;
    }
    return request_outcome::value_not_offered;
}

}  // namespace

bool request_verdict::stops_readfile() const
{
    return outcome == request_outcome::malformed || outcome == request_outcome::two_values_set ||
           outcome == request_outcome::value_not_offered || outcome == request_outcome::missing_token ||
           outcome == request_outcome::fails;
}

bool request_verdict::is_problem() const
{
    return outcome != request_outcome::change && outcome != request_outcome::unchanged &&
           outcome != request_outcome::comment;
}

request_verdict judge_request(const settings_context& context, const user_settings_line& line,
                              const reading_watch& watch)
{
    request_verdict verdict;
    if (line.what == user_settings_line::kind::skipped)
        return verdict;
    if (line.what == user_settings_line::kind::malformed) {
        verdict.outcome = request_outcome::malformed;
        return verdict;
    }
    // Readfile asks whether the setting is present, and only then reads it
    // strictly: two reads, as CMOS is read twice.
    verdict.reading = read_named_setting(context, line.name, watch);
    if (!verdict.reading.present()) {
        verdict.outcome = request_outcome::not_present;
        if (verdict.reading.settings == 0) {
            verdict.similar = same_name_but_case(context.settings, line.name);
            verdict.outcome = verdict.similar != nullptr ? request_outcome::case_differs : request_outcome::unknown_name;
        }
        return verdict;
    }
    verdict.reading = read_named_setting(context, line.name, watch);
    if (verdict.reading.set.size() != 1) {
        verdict.outcome = request_outcome::two_values_set;
        return verdict;
    }
    if (verdict.reading.set_names() == line.value) {
        verdict.outcome = request_outcome::unchanged;
        return verdict;
    }
    verdict.target = find_write_target(context, line.name, line.value);
    verdict.outcome = outcome_of(verdict.target.why);
    return verdict;
}
