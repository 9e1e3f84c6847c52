// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_check.hpp"

#include <cstdio>
#include <fstream>

#include "hw/cmos_rehearsal.hpp"
#include "lib/text_file.hpp"
#include "lib/tool_error.hpp"
#include "settings/setting_usage.hpp"
#include "settings/settings_check_json.hpp"
#include "settings/user_settings_run.hpp"

namespace {

// Names and values as the report shows them: a control character (a carriage
// return left by a CR LF file, a tab) is written as an escape, since it would
// be invisible and yet makes the name differ.
std::string visible(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            shown += escape;
        } else
            shown += c;
    }
    return shown;
}

// The values a setting offers, for the user to choose from.
std::string offered_values(const setting_reading& reading)
{
    std::string offered;
    for (const stoken_node* value : reading.offered)
        offered += (offered.empty() ? "" : ", ") + visible(value->value_name);
    return offered;
}

// An error's text on one line: its lines joined, the blank ones dropped.
std::string failure_line(const std::string& text)
{
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            line += (line.empty() ? "" : "  ") + text.substr(start, end - start);
        start = end + 1;
    }
    return line;
}

}  // namespace

void print_check_line(const check_entry& entry)
{
    const request_verdict& verdict = entry.verdict;
    const int number = entry.line.number;
    const std::string shown_name = visible(entry.line.name);
    const char* name = shown_name.c_str();
    const std::string shown_value = visible(entry.line.value);
    const char* value = shown_value.c_str();
    switch (verdict.outcome) {
    case request_outcome::comment:
        return;
    case request_outcome::malformed:
        std::printf("Line %d:  PROBLEM:  malformed, a request is one name, ':' and one value:  %s\n", number,
                    visible(entry.line.text).c_str());
        return;
    case request_outcome::case_differs:
        std::printf("Line %d:  %s:  PROBLEM:  no such setting; only the case differs from %s\n", number, name,
                    visible(verdict.similar->name).c_str());
        return;
    case request_outcome::unknown_name:
        std::printf("Line %d:  %s:  PROBLEM:  no such setting\n", number, name);
        return;
    case request_outcome::not_present:
        std::printf("Line %d:  %s:  PROBLEM:  not present on this system\n", number, name);
        return;
    case request_outcome::two_values_set:
        std::printf("Line %d:  %s:  PROBLEM:  %zu of its values are set at once\n", number, name,
                    verdict.reading.set.size());
        return;
    case request_outcome::unchanged:
        std::printf("Line %d:  %s:  already %s\n", number, name, value);
        return;
    case request_outcome::value_not_offered:
        std::printf("Line %d:  %s:  PROBLEM:  %s is not one of its values:  %s\n", number, name, value,
                    offered_values(verdict.reading).c_str());
        return;
    case request_outcome::missing_token:
        std::printf("Line %d:  %s:  PROBLEM:  the token %04x of %s is not on this system\n", number, name,
                    static_cast<unsigned>(verdict.target.value->token_id), value);
        return;
    case request_outcome::change:
        std::printf("Line %d:  %s:  would change from %s to %s\n", number, name,
                    visible(verdict.reading.set_names()).c_str(), value);
        return;
    case request_outcome::fails:
        std::printf("Line %d:  %s:  PROBLEM:  readfile would fail here:  %s\n", number, name,
                    visible(failure_line(verdict.failure)).c_str());
        return;
    }
}

namespace {

void print_check_summary(const settings_check_result& result)
{
    std::printf("\n%d settings would change, %d problems.\n", result.changes, result.problems);
    if (result.stop_line != 0)
        std::printf("readfile would stop at line %d.\n\n", result.stop_line);
    else
        std::puts("readfile would complete.\n");
}

// Readfile's walk, told of every verdict, stopping at none of them.
class check_recorder : public user_settings_observer {
public:
    check_recorder(settings_check_result& result, const cmos_rehearsal& rehearsal,
                   const std::function<void(const check_entry&)>& each_line)
        : result_(result), rehearsal_(rehearsal), each_line_(each_line)
    {
    }

    void judged(const user_settings_line&, const request_verdict&) override {}

    bool goes_on_after(const tool_error&) override { return true; }

    void done(const user_settings_line& line, const request_verdict& verdict) override
    {
        if (verdict.outcome == request_outcome::change) {
            ++result_.changes;
            // Readfile makes no change past the line where it stops.
            if (result_.stop_line == 0)
                ++result_.changes_until_stop;
        }
        if (verdict.is_problem())
            ++result_.problems;
        if (verdict.stops_readfile() && result_.stop_line == 0) {
            result_.stop_line = line.number;
            result_.writes_until_stop = rehearsal_.recorded_writes();
            result_.change_ends_until_stop = rehearsal_.recorded_change_ends();
        }
        if (each_line_)
            each_line_({line, verdict});
    }

private:
    settings_check_result& result_;
    const cmos_rehearsal& rehearsal_;
    const std::function<void(const check_entry&)>& each_line_;
};

}  // namespace

settings_check_result check_user_settings(const settings_context& context, std::istream& in,
                                          const std::function<void(const check_entry&)>& each_line)
{
    settings_check_result result;
    cmos_rehearsal rehearsal(context.tokens.cmos);
    write_session rehearsed_writes(rehearsal);
    const token_access& real = context.tokens;
    token_access rehearsed{rehearsal, real.token_table, real.update_method, rehearsed_writes, real.trace};
    check_recorder recorder(result, rehearsal, each_line);
    run_user_settings({context.settings, rehearsed}, in, recorder);
    if (result.stop_line == 0) {
        result.writes_until_stop = rehearsal.recorded_writes();
        result.change_ends_until_stop = rehearsal.recorded_change_ends();
    }
    return result;
}

int setting_check_command(const settings_context& context, const std::vector<std::string>& words)
{
    const bool as_json = words.size() > 3 && words[3] == "--json";
    const std::size_t file_word = as_json ? 4 : 3;
    if (words.size() <= file_word) {
        print_setting_usage();
        std::puts("ERROR:  you must provide the filename of the settings to check.\n");
        return 1;
    }
    const std::string& file_name = words[file_word];
    std::ifstream in;
    if (!open_text_file(file_name, in))
        throw tool_error{1, format_text("Error:  cannot open user bios settings file for reading:  %s\n\n",
                                        file_name.c_str())};
    const tool_error read_error{1, format_text("Error:  cannot read user bios settings file:  %s\n\n",
                                               file_name.c_str())};
    if (as_json) {
        // Printed as it is made. A file that cannot be read to its end ends
        // the run with the error and the document unfinished, so no program
        // can take it for a whole one.
        settings_check_document document(standard_output_sink());
        settings_check_result result = check_user_settings(context, in, [&document](const check_entry& e) { document.add(e); });
        if (in.bad())
            throw read_error;
        document.finish(result);
        return result.status();
    }
    settings_check_result result = check_user_settings(context, in, print_check_line);
    print_check_summary(result);
    if (in.bad())
        throw read_error;
    return result.status();
}
