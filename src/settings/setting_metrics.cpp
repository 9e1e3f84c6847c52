// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_metrics.hpp"

#include <cstdio>
#include <ctime>
#include <optional>
#include <set>

#include "lib/build_info.hpp"
#include "lib/metrics_text.hpp"
#include "lib/replaced_file.hpp"
#include "lib/sha256.hpp"
#include "lib/tool_error.hpp"
#include "lib/unexpected_argument.hpp"
#include "settings/boot_truth.hpp"
#include "settings/metrics_baseline.hpp"

namespace {

struct metrics_options {
    std::optional<std::string> baseline;
    std::optional<std::string> output;
};

metrics_options read_options(const std::vector<std::string>& words)
{
    metrics_options options;
    std::size_t i = 3;
    for (; i < words.size(); ++i) {
        std::optional<std::string>* value = words[i] == "--baseline" ? &options.baseline
                                            : words[i] == "--output" ? &options.output
                                                                     : nullptr;
        if (value == nullptr || value->has_value())
            break;
        if (i + 1 >= words.size())
            throw tool_error{1, format_text("Error: %s needs a file name\n", words[i].c_str())};
        *value = words[++i];
    }
    refuse_words_after(words, i);
    return options;
}

// Seconds since the epoch of a time of the form 2026-12-10T17:45:00Z.
std::optional<long long> epoch_seconds(const std::string& time)
{
    std::tm utc {};
    const char* end = ::strptime(time.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    if (end == nullptr || *end != '\0')
        return std::nullopt;
    return static_cast<long long>(::timegm(&utc));
}

constexpr change_outcome every_outcome[] = {change_outcome::applied,     change_outcome::not_applied,
                                            change_outcome::overwritten, change_outcome::reset_to_defaults,
                                            change_outcome::rolled_back, change_outcome::unknown};

void settings_metrics(metrics_text& out, const std::vector<setting_truth>& truths)
{
    out.family("cmoscfg_setting_info", "gauge",
               "A setting's value for the next boot (CMOS now) and as this boot booted it (\"\" when unknown or "
               "not present), and whether the next boot's is its default.");
    // A settings file may name a setting twice: one series a name, the first.
    std::set<std::string> told;
    for (const setting_truth& truth : truths) {
        const setting_node& setting = *truth.setting;
        if (!told.insert(setting.name).second)
            continue;
        out.sample("cmoscfg_setting_info",
                   {{"setting", setting.name},
                    {"next_boot", truth.next_boot},
                    {"booted", truth.booted ? *truth.booted : std::string()},
                    {"at_default", truth.next_boot == setting.default_value ? "true" : "false"}},
                   1);
    }
}

void baseline_metrics(metrics_text& out, const std::vector<baseline_setting>& baseline)
{
    out.family("cmoscfg_setting_drift", "gauge",
               "1 when the next boot reads another value of the setting than the baseline's.");
    long long drifting = 0;
    for (const baseline_setting& setting : baseline) {
        out.sample("cmoscfg_setting_drift", {{"setting", setting.name}}, setting.drifting ? 1 : 0);
        drifting += setting.drifting ? 1 : 0;
    }
    out.family("cmoscfg_settings_drifting", "gauge", "How many settings of the baseline drift from it.");
    out.sample("cmoscfg_settings_drifting", drifting);
}

void boot_metrics(metrics_text& out, const machine_records& records, bool pending, long long now)
{
    out.family("cmoscfg_pending_reboot", "gauge", "1 when the next boot reads settings this boot did not boot with.");
    out.sample("cmoscfg_pending_reboot", pending ? 1 : 0);
    out.family("cmoscfg_boot_record_present", "gauge",
               "1 when this boot has a boot record, so that the booted values are known.");
    out.sample("cmoscfg_boot_record_present", records.record ? 1 : 0);
    if (!records.record)
        return;
    if (std::optional<long long> made = epoch_seconds(records.record->time)) {
        out.family("cmoscfg_boot_record_age_seconds", "gauge", "Seconds since this boot's record was made.");
        out.sample("cmoscfg_boot_record_age_seconds", now - *made);
    }
}

// As status tells the banks: each bank whose checksum the tool can sum now
// (the standard update method keeps one a bank; the direct method's word is
// the firmware's own), and at boot when the record kept it.
void bank_metrics(metrics_text& out, const machine_records& records, const std::vector<bank_checksum>& now)
{
    if (now.empty())
        return;
    out.family("cmoscfg_bank_checksum_valid", "gauge",
               "1 when the CMOS bank's checksum holds, at boot (from the boot record) or now.");
    for (const bank_checksum& bank : now) {
        const std::string port = format_text("%x", static_cast<unsigned>(bank.index_port));
        if (records.record) {
            for (const bank_checksum& booted : records.record->banks) {
                if (booted.index_port == bank.index_port)
                    out.sample("cmoscfg_bank_checksum_valid", {{"port", port}, {"when", "boot"}},
                               booted.valid() ? 1 : 0);
            }
        }
        out.sample("cmoscfg_bank_checksum_valid", {{"port", port}, {"when", "now"}}, bank.valid() ? 1 : 0);
    }
}

void verify_metrics(metrics_text& out, const std::vector<verified_change>& changes)
{
    out.family("cmoscfg_verify_changes", "gauge",
               "The settings the tool changed before this boot, by what became of the change (setting verify).");
    std::size_t applied = 0;
    for (change_outcome outcome : every_outcome) {
        long long count = 0;
        for (const verified_change& change : changes)
            count += change.outcome == outcome ? 1 : 0;
        out.sample("cmoscfg_verify_changes", {{"outcome", change_outcome_word(outcome)}}, count);
        if (outcome == change_outcome::applied)
            applied = static_cast<std::size_t>(count);
    }
    out.family("cmoscfg_verify_all_applied", "gauge",
               "1 when every change made before this boot was applied, or there was none (setting verify's status 0).");
    out.sample("cmoscfg_verify_all_applied", applied == changes.size() ? 1 : 0);
}

void apply_metrics(metrics_text& out, const machine_records& records)
{
    const journal_record* apply = nullptr;
    for (const journal_record& record : records.journal) {
        if (record.state != apply_state::not_an_apply)
            apply = &record;
    }
    if (apply == nullptr)
        return;
    if (std::optional<long long> when = epoch_seconds(apply->time)) {
        out.family("cmoscfg_last_apply_timestamp_seconds", "gauge", "When the journal's last apply began.");
        out.sample("cmoscfg_last_apply_timestamp_seconds", *when);
    }
    out.family("cmoscfg_last_apply_rolled_back", "gauge", "1 when the last apply did not finish and was rolled back.");
    out.sample("cmoscfg_last_apply_rolled_back", apply->state == apply_state::rolled_back ? 1 : 0);
    out.family("cmoscfg_last_apply_open", "gauge",
               "1 when the last apply did not finish and is not rolled back yet (the next run that writes does).");
    out.sample("cmoscfg_last_apply_open", apply->state == apply_state::open ? 1 : 0);
}

void identity_metrics(metrics_text& out, const settings_database& settings, long long now)
{
    out.family("cmoscfg_platform_info", "gauge", "The server model whose settings file is in use.");
    out.sample("cmoscfg_platform_info", {{"platform", settings.settings_platform}}, 1);
    const std::string digest = sha256_hex(settings.settings_file_bytes);
    out.family("cmoscfg_settings_file_info", "gauge", "The settings file in use and the SHA-256 of its bytes.");
    out.sample("cmoscfg_settings_file_info", {{"path", settings.settings_file_in_use}, {"sha256", digest}}, 1);
    out.family("cmoscfg_build_info", "gauge", "The version of cmoscfg that made these metrics.");
    out.sample("cmoscfg_build_info", {{"version", build_version}}, 1);
    out.family("cmoscfg_metrics_timestamp_seconds", "gauge", "When these metrics were made.");
    out.sample("cmoscfg_metrics_timestamp_seconds", now);
}

}  // namespace

int setting_metrics_command(const settings_context& context, const std::vector<std::string>& words)
{
    const metrics_options options = read_options(words);
    // The baseline first: a bad one ends the run before anything else is read.
    std::optional<std::vector<baseline_setting>> baseline;
    if (options.baseline)
        baseline = read_baseline(context, *options.baseline);

    const machine_records records = read_machine_records(context.tokens.cmos);
    const std::vector<setting_truth> truths = settings_truth(context, records);
    const std::vector<bank_checksum> now =
        bank_checksums(context.tokens.cmos, context.tokens.token_table, context.tokens.update_method);
    const long long time_now = static_cast<long long>(std::time(nullptr));

    metrics_text out;
    settings_metrics(out, truths);
    if (baseline)
        baseline_metrics(out, *baseline);
    boot_metrics(out, records, reboot_pending(records, truths), time_now);
    bank_metrics(out, records, now);
    verify_metrics(out, verify_changes(context, records));
    apply_metrics(out, records);
    identity_metrics(out, context.settings, time_now);

    if (options.output)
        replace_file(*options.output, out.text());
    else
        std::fwrite(out.text().data(), 1, out.text().size(), stdout);
    return 0;
}
