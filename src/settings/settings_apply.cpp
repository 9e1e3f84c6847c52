// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_apply.hpp"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "hw/apply_recovery.hpp"
#include "lib/text_file.hpp"
#include "lib/tool_error.hpp"
#include "lib/unexpected_argument.hpp"
#include "settings/boot_truth.hpp"
#include "settings/setting_usage.hpp"
#include "settings/settings_check.hpp"
#include "settings/settings_check_json.hpp"

namespace {

using json = nlohmann::ordered_json;

struct apply_options {
    bool as_json = false;
    bool skip_missing = false;
    std::string file_name;
};

// The options come before the file; a word after it is refused, as every
// writing command refuses one.
std::optional<apply_options> read_options(const std::vector<std::string>& words)
{
    apply_options options;
    std::size_t i = 3;
    for (; i < words.size(); ++i) {
        if (words[i] == "--json")
            options.as_json = true;
        else if (words[i] == "--skip-missing")
            options.skip_missing = true;
        else
            break;
    }
    if (i >= words.size())
        return std::nullopt;
    options.file_name = words[i];
    refuse_words_after(words, i + 1);
    return options;
}

bool missing_name(const check_entry& entry)
{
    switch (entry.verdict.outcome) {
    case request_outcome::unknown_name:
    case request_outcome::case_differs:
    case request_outcome::not_present:
        return true;
    default:
        return false;
    }
}

// Why the file is not applied; "" when it is.
std::string refusal(const settings_check_result& result, const std::vector<check_entry>& entries, bool skip_missing)
{
    if (result.stop_line != 0)
        return format_text("readfile would stop at line %d", result.stop_line);
    int missing = 0;
    for (const check_entry& entry : entries)
        missing += missing_name(entry) ? 1 : 0;
    if (missing != 0 && !skip_missing)
        return format_text("%d %s not on this system (--skip-missing applies the rest)", missing,
                           missing == 1 ? "setting named is" : "settings named are");
    return "";
}

// Every byte the apply writes, in the order readfile would write it, with its
// value before that write and after it.
std::vector<journaled_byte> planned_bytes(machine& cmos, const std::vector<cmos_byte_change>& writes)
{
    std::map<std::pair<std::uint16_t, std::uint8_t>, std::uint8_t> now;
    std::vector<journaled_byte> plan;
    for (const cmos_byte_change& byte : writes) {
        auto [value, first] = now.try_emplace({byte.index_port, byte.location});
        if (first)
            value->second = cmos.read_cmos_byte(byte.index_port, byte.location);
        plan.push_back({byte.index_port, byte.location, value->second, byte.value});
        value->second = byte.value;
    }
    return plan;
}

// Each change as readfile makes it, a token byte and its checksum at once,
// so that a firmware booting in the middle finds every bank's sum right.
void write_changes(write_session& writes, const settings_check_result& result)
{
    std::size_t begin = 0;
    for (std::size_t end : result.change_ends_until_stop) {
        writes.write_unjournaled(std::span(result.writes_until_stop).subspan(begin, end - begin));
        begin = end;
    }
}

// The apply cannot be left open: it is rolled back at once, while the lock
// is still held, and the error says how it ended.
tool_error rolled_back_now(const token_access& tokens, tool_error error)
{
    try {
        roll_back_open_apply(tokens);
        error.text += "The apply was rolled back: nothing of it is left.\n";
    } catch (const tool_error&) {
        error.text += "The apply could not be rolled back now: the next run that writes CMOS rolls it back.\n";
    }
    return error;
}

void print_outcome(const std::vector<check_entry>& changes, const std::string& apply_id)
{
    for (const check_entry& e : changes)
        std::printf("Line %d:  %s:  changed from %s to %s\n", e.line.number, e.line.name.c_str(),
                    e.verdict.reading.set_names().c_str(), e.line.value.c_str());
    if (changes.empty())
        std::puts("No changes needed: nothing written.\n");
    else
        std::printf("\n%zu settings changed, applied whole (journal record %s).\n\n", changes.size(), apply_id.c_str());
}

// The document tells what the machine's status would: whether a reboot is
// pending now, and each changed setting's value at boot and at the next
// boot, so that a caller needs no second run to learn them.
void print_outcome_json(const settings_context& context, const std::vector<check_entry>& changes,
                        const std::string& apply_id)
{
    const machine_records records = read_machine_records(context.tokens.cmos);
    const std::vector<setting_truth> truths = settings_truth(context, records);
    std::map<std::string, const setting_truth*> truth_of;
    for (const setting_truth& truth : truths)
        truth_of.try_emplace(truth.setting->name, &truth);
    json list = json::array();
    for (const check_entry& e : changes) {
        auto truth = truth_of.find(e.line.name);
        json booted = nullptr;
        if (truth != truth_of.end() && truth->second->booted)
            booted = *truth->second->booted;
        list.push_back({{"line", e.line.number},
                        {"name", e.line.name},
                        {"before", e.verdict.reading.set_names()},
                        {"after", e.line.value},
                        {"booted", booted},
                        {"next_boot", truth != truth_of.end() ? truth->second->next_boot : e.line.value}});
    }
    json document = {{"applied", true},
                     {"journal_record", apply_id.empty() ? json(nullptr) : json(apply_id)},
                     {"pending_reboot", reboot_pending(records, truths)},
                     {"changes", list}};
    std::puts(document.dump(2, ' ', false, json::error_handler_t::replace).c_str());
}

}  // namespace

int setting_apply_command(const settings_context& context, const std::vector<std::string>& words)
{
    std::optional<apply_options> options = read_options(words);
    if (!options) {
        print_setting_usage();
        std::puts("ERROR:  you must provide the filename of the settings to apply.\n");
        return 1;
    }
    std::ifstream in;
    if (!open_text_file(options->file_name, in))
        throw tool_error{1, format_text("Error:  cannot open user bios settings file for reading:  %s\n\n",
                                        options->file_name.c_str())};

    // From the judging to the mark no other cmoscfg writes, and no signal
    // ends the run: it ends whole either way.
    const token_access& tokens = context.tokens;
    write_session::change whole(tokens.writes);
    std::vector<check_entry> entries;
    settings_check_document verdicts;
    settings_check_result result = check_user_settings(context, in, [&](const check_entry& e) {
        entries.push_back(e);
        if (options->as_json)
            verdicts.add(e);
    });
    if (in.bad())
        throw tool_error{1, format_text("Error:  cannot read user bios settings file:  %s\n\n",
                                        options->file_name.c_str())};

    if (std::string reason = refusal(result, entries, options->skip_missing); !reason.empty()) {
        if (options->as_json) {
            json document = {{"applied", false},
                             {"journal_record", nullptr},
                             {"changes", json::array()},
                             {"refused", reason},
                             {"check", json::parse(verdicts.finish(result))}};
            std::puts(document.dump(2, ' ', false, json::error_handler_t::replace).c_str());
        } else {
            for (const check_entry& e : entries)
                print_check_line(e);
            std::printf("\nNot applied, nothing written: %s.\n\n", reason.c_str());
        }
        return 1;
    }

    std::vector<check_entry> changes;
    std::vector<journaled_request> requests;
    for (const check_entry& e : entries) {
        if (e.verdict.outcome == request_outcome::change) {
            changes.push_back(e);
            requests.push_back({e.line.name, e.line.value});
        }
    }
    std::string apply_id;
    if (!changes.empty()) {
        apply_id = tokens.writes.begin_apply(planned_bytes(tokens.cmos, result.writes_until_stop), std::move(requests));
        try {
            write_changes(tokens.writes, result);
        } catch (const tool_error& failed) {
            throw rolled_back_now(tokens, failed);
        }
        if (int error = tokens.writes.mark_apply(apply_id, apply_mark::committed); error != 0)
            throw rolled_back_now(tokens, {1, format_text("Error:  cannot journal that the apply is complete:  %s\n",
                                                          std::strerror(error))});
    }
    if (options->as_json)
        print_outcome_json(context, changes, apply_id);
    else
        print_outcome(changes, apply_id);
    return 0;
}
