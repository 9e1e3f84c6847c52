// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_check_json.hpp"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "settings/settings_json.hpp"

namespace {

// Keeps the keys in the order written.
using json = nlohmann::ordered_json;

const char* outcome_word(request_outcome outcome)
{
    switch (outcome) {
    case request_outcome::change:
        return "change";
    case request_outcome::unchanged:
        return "unchanged";
    case request_outcome::unknown_name:
        return "unknown_name";
    case request_outcome::case_differs:
        return "case_differs";
    case request_outcome::not_present:
        return "not_present";
    case request_outcome::value_not_offered:
        return "value_not_offered";
    case request_outcome::two_values_set:
        return "two_values_set";
    case request_outcome::missing_token:
        return "missing_token";
    case request_outcome::malformed:
        return "malformed";
    case request_outcome::fails:
        return "fails";
    case request_outcome::comment:
        break;
    }
    return "comment";
}

json entry_object(const check_entry& entry)
{
    const user_settings_line& line = entry.line;
    const request_verdict& verdict = entry.verdict;
    const bool request = line.what == user_settings_line::kind::request;
    json object = {
        {"line", line.number},
        {"name", request ? json(line.name) : json(nullptr)},
        {"value", request ? json(line.value) : json(nullptr)},
        {"outcome", outcome_word(verdict.outcome)},
    };
    switch (verdict.outcome) {
    case request_outcome::change:
        object["before"] = verdict.reading.set_names();
        object["after"] = line.value;
        break;
    case request_outcome::unchanged:
        object["before"] = line.value;
        object["after"] = line.value;
        break;
    case request_outcome::value_not_offered:
        object["before"] = verdict.reading.set_names();
        object["offered"] = value_names(verdict.reading.offered);
        break;
    case request_outcome::missing_token: {
        char token[8];
        std::snprintf(token, sizeof token, "%04x", static_cast<unsigned>(verdict.target.value->token_id));
        object["before"] = verdict.reading.set_names();
        object["token"] = token;
        break;
    }
    case request_outcome::two_values_set:
        object["set_values"] = value_names(verdict.reading.set);
        break;
    case request_outcome::case_differs:
        object["similar_name"] = verdict.similar->name;
        break;
    case request_outcome::malformed:
        object["text"] = line.text;
        break;
    case request_outcome::fails:
        object["error"] = verdict.failure;
        break;
    case request_outcome::unknown_name:
    case request_outcome::not_present:
    case request_outcome::comment:
        break;
    }
    return object;
}

}  // namespace

void settings_check_document::add(const check_entry& entry)
{
    // As an element of "lines", two levels down.
    text_ += entries_ == 0 ? "\n    " : ",\n    ";
    ++entries_;
    text_ += nested_json(entry_object(entry), 2);
    pass_on();
}

void settings_check_document::pass_on()
{
    if (write_) {
        write_(text_);
        text_.clear();
    }
}

std::string settings_check_document::finish(const settings_check_result& result)
{
    json summary = {
        {"would_change", result.changes_until_stop},
        {"problems", result.problems},
        {"stop_line", result.stop_line != 0 ? json(result.stop_line) : json(nullptr)},
        {"completes", result.stop_line == 0},
    };
    text_ += entries_ == 0 ? "],\n  \"summary\": " : "\n  ],\n  \"summary\": ";
    text_ += nested_json(summary, 1);
    text_ += "\n}\n";
    pass_on();
    return std::move(text_);
}
