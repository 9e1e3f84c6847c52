// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/boot_truth.hpp"

#include <map>
#include <set>

#include "hw/cmos_access.hpp"
#include "lib/tool_error.hpp"
#include "settings/setting_reading.hpp"
#include "settings/value_token.hpp"

namespace {

using byte_place = std::pair<std::uint16_t, std::uint8_t>;

std::string who_wrote(const journal_record& record)
{
    std::string who = "uid " + std::to_string(record.uid);
    if (record.sudo_user)
        who += " (sudo " + *record.sudo_user + ")";
    return who;
}

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

bool of_this_boot(const journal_record& record, const machine_records& records)
{
    return records.boot_id && record.boot_id == records.boot_id;
}

// An apply that did not finish, and the roll-back that undid it: together
// they changed nothing anyone asked for.
bool undone(const journal_record& record)
{
    return record.state == apply_state::rolled_back || record.state == apply_state::open ||
           record.mark == apply_mark::rolled_back;
}

// A machine that reads as the boot record kept CMOS, for the same engine.
class booted_machine {
public:
    booted_machine(const settings_context& context, const boot_record& record)
        : cmos_(record), writes_(cmos_),
          tokens_{cmos_, context.tokens.token_table, record.update_method, writes_, context.tokens.trace}
    {
    }
    const token_access& tokens() const { return tokens_; }

private:
    recorded_cmos cmos_;
    write_session writes_;   // never written: a record is read only
    token_access tokens_;
};

// The bits of every byte that the setting's tokens use.
std::map<byte_place, std::uint8_t> setting_bits(const d4_token_table& token_table, const setting_node& setting)
{
    std::map<byte_place, std::uint8_t> bits;
    for (const stoken_node& value : setting.stokens) {
        if (const token_entry* token = value_token(token_table, value))
            bits[{token->index_port, token->location}] |= static_cast<std::uint8_t>(~token->and_mask & 0xFF);
    }
    return bits;
}

// What the tool's writes left in each byte they wrote, the latest last.
std::map<byte_place, std::uint8_t> journaled_bytes(const std::vector<journal_record>& journal)
{
    std::map<byte_place, std::uint8_t> left;
    for (const journal_record& record : journal) {
        for (const journaled_byte& byte : record.bytes)
            left[{byte.index_port, byte.location}] = byte.after;
    }
    return left;
}

bool differs_from_journal(const settings_context& context, const std::map<byte_place, std::uint8_t>& left,
                          const setting_node& setting)
{
    for (const auto& [place, mask] : setting_bits(context.tokens.token_table, setting)) {
        auto kept = left.find(place);
        if (kept == left.end())
            continue;
        auto now = static_cast<std::uint8_t>(read_cmos(context.tokens.cmos, place.first, place.second));
        if ((now & mask) != (kept->second & mask))
            return true;
    }
    return false;
}

// A later run of an earlier boot that changed the setting's bits without
// asking for the setting: what it ran, or nothing.
std::optional<std::string> later_overwrite(const machine_records& records, std::size_t after,
                                           const std::map<byte_place, std::uint8_t>& bits, const std::string& name)
{
    for (std::size_t i = after + 1; i < records.journal.size(); ++i) {
        const journal_record& record = records.journal[i];
        if (of_this_boot(record, records) || undone(record))
            continue;
        bool asked = false;
        for (const journaled_request& request : record.requests)
            asked = asked || request.name == name;
        if (asked)
            continue;
        for (const journaled_byte& byte : record.bytes) {
            auto used = bits.find({byte.index_port, byte.location});
            if (used != bits.end() && ((byte.before ^ byte.after) & used->second) != 0)
                return joined(record.command);
        }
    }
    return std::nullopt;
}

// Every present setting with a token in the bank booted at its default.
bool bank_booted_at_defaults(const settings_context& context, const booted_machine& booted, std::uint16_t port)
{
    bool any = false;
    for (const setting_node& setting : context.settings.setting_list) {
        bool in_bank = false;
        for (const auto& [place, mask] : setting_bits(context.tokens.token_table, setting))
            in_bank = in_bank || place.first == port;
        if (!in_bank)
            continue;
        setting_reading reading = read_one_setting(booted.tokens(), setting);
        if (!reading.present())
            continue;
        any = true;
        if (reading.set_names() != setting.default_value)
            return false;
    }
    return any;
}

const bank_checksum* bank_of(const boot_record& record, std::uint16_t port)
{
    for (const bank_checksum& bank : record.banks) {
        if (bank.index_port == port)
            return &bank;
    }
    return nullptr;
}

}  // namespace

machine_records read_machine_records(machine& m)
{
    machine_records records;
    records.boot_id = m.boot_id();
    if (std::optional<boot_record> record = read_boot_record(m.records_directory(machine::records::boot_record, false))) {
        if (records.boot_id && record->boot_id == records.boot_id)
            records.record = std::move(record);
        else
            records.record_of_another_boot = true;
    }
    records.journal = read_journal(m.records_directory(machine::records::journal, false));
    return records;
}

std::vector<setting_truth> settings_truth(const settings_context& context, const machine_records& records)
{
    std::optional<booted_machine> booted;
    if (records.record)
        booted.emplace(context, *records.record);
    std::map<std::string, last_write> last;
    for (const journal_record& record : records.journal) {
        if (undone(record))
            continue;
        for (const journaled_request& request : record.requests)
            last[request.name] = {request.value, record.time, who_wrote(record), of_this_boot(record, records)};
    }
    const std::map<byte_place, std::uint8_t> left = journaled_bytes(records.journal);

    std::vector<setting_truth> truths;
    for (const setting_node& setting : context.settings.setting_list) {
        setting_truth truth;
        truth.setting = &setting;
        truth.next_boot = read_one_setting(context.tokens, setting).set_names();
        if (booted)
            truth.booted = read_one_setting(booted->tokens(), setting).set_names();
        if (auto written = last.find(setting.name); written != last.end())
            truth.written = written->second;
        truth.changed_outside = differs_from_journal(context, left, setting);
        truths.push_back(std::move(truth));
    }
    return truths;
}

std::vector<verified_change> verify_changes(const settings_context& context, const machine_records& records)
{
    // The last change of every setting made before this boot, and where.
    std::map<std::string, std::pair<std::size_t, std::string>> changed;
    for (std::size_t i = 0; i < records.journal.size(); ++i) {
        if (of_this_boot(records.journal[i], records))
            continue;
        for (const journaled_request& request : records.journal[i].requests)
            changed[request.name] = {i, request.value};
    }
    std::optional<booted_machine> booted;
    if (records.record)
        booted.emplace(context, *records.record);

    std::vector<verified_change> changes;
    std::set<std::string> told;
    for (const setting_node& setting : context.settings.setting_list) {
        auto found = changed.find(setting.name);
        if (found == changed.end() || !told.insert(setting.name).second)
            continue;
        verified_change change;
        change.name = setting.name;
        change.written = found->second.second;
        if (const journal_record& last = records.journal[found->second.first]; undone(last)) {
            change.outcome = change_outcome::rolled_back;
            change.reason = "the apply " + last.apply_id + " did not finish and was rolled back";
            if (booted)
                change.booted = read_named_setting({context.settings, booted->tokens()}, setting.name).set_names();
            changes.push_back(std::move(change));
            continue;
        }
        if (!booted) {
            change.reason = records.record_of_another_boot ? "the boot record is of an earlier boot"
                                                           : "no boot record for this boot";
            changes.push_back(std::move(change));
            continue;
        }
        change.booted = read_named_setting({context.settings, booted->tokens()}, setting.name).set_names();
        std::map<byte_place, std::uint8_t> bits;
        for (int index : context.settings.settings_named(setting.name)) {
            for (const auto& [place, mask] : setting_bits(context.tokens.token_table, context.settings.setting_at(index)))
                bits[place] |= mask;
        }
        const bank_checksum* broken = nullptr;
        for (const auto& [place, mask] : bits) {
            const bank_checksum* bank = bank_of(*records.record, place.first);
            if (bank != nullptr && !bank->valid())
                broken = bank;
        }
        // Firmware that finds a bank's checksum wrong resets its settings,
        // whatever its bytes still hold.
        if (broken != nullptr) {
            change.outcome = change_outcome::reset_to_defaults;
            change.reason = format_text("the checksum of bank %x was invalid at boot",
                                        static_cast<unsigned>(broken->index_port));
        } else if (*change.booted == change.written) {
            change.outcome = change_outcome::applied;
        } else if (std::optional<std::string> overwrite = later_overwrite(records, found->second.first, bits,
                                                                          setting.name)) {
            change.outcome = change_outcome::overwritten;
            change.reason = "changed after it was written, by: " + *overwrite;
        } else {
            change.outcome = change_outcome::not_applied;
            change.reason = "the firmware booted another value";
            for (const auto& [place, mask] : bits) {
                if (bank_booted_at_defaults(context, *booted, place.first)) {
                    change.outcome = change_outcome::reset_to_defaults;
                    change.reason = format_text("the settings of bank %x booted at their defaults",
                                                static_cast<unsigned>(place.first));
                    break;
                }
            }
        }
        changes.push_back(std::move(change));
    }
    return changes;
}

bool reboot_pending(const machine_records& records, const std::vector<setting_truth>& truths)
{
    if (!records.record) {
        for (const journal_record& record : records.journal) {
            if (records.boot_id && record.boot_id == records.boot_id && !record.bytes.empty())
                return true;
        }
        return false;
    }
    for (const setting_truth& truth : truths) {
        if (truth.pending())
            return true;
    }
    return false;
}
