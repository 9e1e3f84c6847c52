// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_status.hpp"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "hw/apply_recovery.hpp"
#include "lib/unexpected_argument.hpp"
#include "settings/boot_truth.hpp"

namespace {

using json = nlohmann::ordered_json;

bool wants_json(const std::vector<std::string>& words)
{
    const bool as_json = words.size() > 3 && words[3] == "--json";
    refuse_words_after(words, as_json ? 4 : 3);
    return as_json;
}

// A value as a person reads it.
std::string shown(const std::string& value)
{
    return value.empty() ? "(not present)" : value;
}

json value_or_null(const std::optional<std::string>& value)
{
    return value ? json(*value) : json(nullptr);
}

// Seconds since a time of the form 2026-12-10T17:45:00Z; nullopt when it is none.
std::optional<long long> age_of(const std::string& time)
{
    std::tm utc {};
    if (::strptime(time.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc) == nullptr)
        return std::nullopt;
    return static_cast<long long>(std::time(nullptr) - ::timegm(&utc));
}

std::string record_line(const machine_records& records)
{
    if (!records.boot_id)
        return "Boot record:  none; this machine has no boot id, so what it booted with is unknown.";
    if (!records.record)
        return records.record_of_another_boot
                   ? "Boot record:  only one of an earlier boot; what this boot booted with is unknown."
                   : "Boot record:  none for this boot; what it booted with is unknown.";
    const boot_record& record = *records.record;
    std::optional<long long> age = age_of(record.time);
    std::string made = record.at_boot ? "made at boot" : "made by hand after the boot, not by the boot unit";
    return "Boot record:  " + made + ", " + record.time +
           (age ? " (" + std::to_string(*age) + " s ago)" : std::string()) + ".";
}

json record_object(const machine_records& records, const std::vector<bank_checksum>& now)
{
    if (!records.record)
        return nullptr;
    const boot_record& record = *records.record;
    json banks = json::array();
    for (const bank_checksum& bank : record.banks) {
        bool valid_now = false;
        for (const bank_checksum& current : now)
            valid_now = valid_now || (current.index_port == bank.index_port && current.valid());
        banks.push_back({{"port", bank.index_port}, {"valid_at_boot", bank.valid()}, {"valid_now", valid_now}});
    }
    std::optional<long long> age = age_of(record.time);
    return {
        {"time", record.time},
        {"age_seconds", age ? json(*age) : json(nullptr)},
        {"at_boot", record.at_boot},
        {"banks", banks},
    };
}

// The journal's latest apply, or none.
const journal_record* last_apply(const machine_records& records)
{
    for (auto record = records.journal.rbegin(); record != records.journal.rend(); ++record) {
        if (record->state != apply_state::not_an_apply)
            return &*record;
    }
    return nullptr;
}

const char* apply_state_word(apply_state state)
{
    return state == apply_state::committed ? "committed" : state == apply_state::rolled_back ? "rolled_back" : "open";
}

const char* apply_state_text(apply_state state)
{
    return state == apply_state::committed     ? "committed"
           : state == apply_state::rolled_back ? "rolled back: it did not finish"
                                               : "open: it did not finish, and is rolled back by the next run that writes";
}

json last_apply_object(const machine_records& records)
{
    const journal_record* apply = last_apply(records);
    if (apply == nullptr)
        return nullptr;
    return {{"id", apply->apply_id}, {"time", apply->time}, {"state", apply_state_word(apply->state)}};
}

void print_status(const machine_records& records, const std::vector<setting_truth>& truths,
                  const std::vector<bank_checksum>& now, bool pending)
{
    std::puts(record_line(records).c_str());
    std::printf("Reboot pending:  %s\n", pending ? "yes" : "no");
    if (const journal_record* apply = last_apply(records))
        std::printf("Last apply:  %s, %s\n", apply->apply_id.c_str(), apply_state_text(apply->state));
    for (const bank_checksum& bank : now) {
        std::string at_boot = "unknown at boot";
        if (records.record) {
            for (const bank_checksum& booted : records.record->banks) {
                if (booted.index_port == bank.index_port)
                    at_boot = booted.valid() ? "valid at boot" : "INVALID at boot";
            }
        }
        std::printf("Bank %x checksum:  %s, %s now\n", static_cast<unsigned>(bank.index_port), at_boot.c_str(),
                    bank.valid() ? "valid" : "INVALID");
    }
    std::puts("");
    for (const setting_truth& truth : truths) {
        std::string line = truth.setting->name + ":  booted " + (truth.booted ? shown(*truth.booted) : "unknown") +
                           ", next boot " + shown(truth.next_boot);
        if (truth.pending())
            line += " (pending)";
        if (truth.written)
            line += "; last written " + truth.written->value + " at " + truth.written->time + " by " +
                    truth.written->who;
        if (truth.changed_outside)
            line += "; changed since outside that write";
        std::puts(line.c_str());
    }
}

const char* outcome_word(change_outcome outcome)
{
    switch (outcome) {
    case change_outcome::applied:
        return "applied";
    case change_outcome::not_applied:
        return "not_applied";
    case change_outcome::reset_to_defaults:
        return "reset_to_defaults";
    case change_outcome::overwritten:
        return "overwritten";
    case change_outcome::rolled_back:
        return "rolled_back";
    case change_outcome::unknown:
        break;
    }
    return "unknown";
}

}  // namespace

int setting_status_command(const settings_context& context, const std::vector<std::string>& words)
{
    const bool as_json = wants_json(words);
    settle_open_apply(context.tokens);
    machine_records records = read_machine_records(context.tokens.cmos);
    std::vector<setting_truth> truths = settings_truth(context, records);
    std::vector<bank_checksum> now =
        bank_checksums(context.tokens.cmos, context.tokens.token_table, context.tokens.update_method);
    const bool pending = reboot_pending(records, truths);
    if (!as_json) {
        print_status(records, truths, now, pending);
        return 0;
    }
    json settings = json::array();
    for (const setting_truth& truth : truths) {
        json written = nullptr;
        if (truth.written)
            written = {{"value", truth.written->value}, {"time", truth.written->time}, {"by", truth.written->who},
                       {"this_boot", truth.written->this_boot}};
        settings.push_back({
            {"name", truth.setting->name},
            {"booted", truth.booted ? json(*truth.booted) : json(nullptr)},
            {"next_boot", truth.next_boot},
            {"pending", truth.pending()},
            {"changed_outside", truth.changed_outside},
            {"last_written", written},
        });
    }
    json document = {
        {"boot_id", value_or_null(records.boot_id)},
        {"pending_reboot", pending},
        {"boot_record", record_object(records, now)},
    };
    // Only once there is an apply, so that a machine without one reads as before.
    if (json apply = last_apply_object(records); !apply.is_null())
        document["last_apply"] = apply;
    document["settings"] = settings;
    std::fputs((document.dump(2, ' ', false, json::error_handler_t::replace) + "\n").c_str(), stdout);
    return 0;
}

int setting_verify_command(const settings_context& context, const std::vector<std::string>& words)
{
    const bool as_json = wants_json(words);
    machine_records records = read_machine_records(context.tokens.cmos);
    std::vector<verified_change> changes = verify_changes(context, records);
    std::size_t applied = 0;
    for (const verified_change& change : changes)
        applied += change.outcome == change_outcome::applied ? 1 : 0;
    const bool all_applied = applied == changes.size();
    if (as_json) {
        json settings = json::array();
        for (const verified_change& change : changes) {
            settings.push_back({{"name", change.name}, {"written", change.written},
                                {"booted", value_or_null(change.booted)}, {"outcome", outcome_word(change.outcome)},
                                {"reason", change.reason}});
        }
        json document = {{"settings", settings}, {"all_applied", all_applied}};
        std::fputs((document.dump(2, ' ', false, json::error_handler_t::replace) + "\n").c_str(), stdout);
        return all_applied ? 0 : 1;
    }
    for (const verified_change& change : changes) {
        std::string line = change.name + ":  ";
        if (change.outcome == change_outcome::applied)
            line += "applied (" + change.written + ")";
        else if (change.outcome == change_outcome::unknown)
            line += "unknown: written " + change.written + "; " + change.reason;
        else if (change.outcome == change_outcome::rolled_back)
            line += "rolled back: written " + change.written + "; " + change.reason;
        else
            line += std::string(change.outcome == change_outcome::overwritten      ? "overwritten"
                                : change.outcome == change_outcome::reset_to_defaults ? "reset to defaults"
                                                                                      : "not applied") +
                    ": written " + change.written + ", booted " + shown(*change.booted) + "; " + change.reason;
        std::puts(line.c_str());
    }
    std::printf("\n%zu of %zu changes made before this boot applied.\n", applied, changes.size());
    return all_applied ? 0 : 1;
}
