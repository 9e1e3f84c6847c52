// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hw/boot_record.hpp"
#include "hw/journal.hpp"
#include "settings/settings_context.hpp"

// Three states of every setting, which the tool keeps as data: what this boot
// booted with (the boot record), what the next boot will read (CMOS now) and
// what the tool last wrote (the journal). `setting status` and `setting
// verify` compare them.

// The records of the machine, read once.
struct machine_records {
    std::optional<std::string> boot_id;      // of the boot now running
    std::optional<boot_record> record;       // the boot record of this boot; none when missing or of another boot
    bool record_of_another_boot = false;     // a record was found, made in an earlier boot
    std::vector<journal_record> journal;     // oldest first
};

machine_records read_machine_records(machine& m);

// The last value the tool was asked to write for a setting, and by whom.
struct last_write {
    std::string value;
    std::string time;
    std::string who;   // "uid N", or "uid N (sudo USER)"
    bool this_boot = false;
};

struct setting_truth {
    const setting_node* setting = nullptr;
    std::optional<std::string> booted;      // none when unknown (no record); "" when not present at boot
    std::string next_boot;                  // "" when not present
    std::optional<last_write> written;
    bool changed_outside = false;           // CMOS differs from what the tool's last write left
    bool pending() const { return booted && *booted != next_boot; }
};

// Every setting of the settings file, in list order.
std::vector<setting_truth> settings_truth(const settings_context& context, const machine_records& records);

// Whether the next boot will read something this boot did not boot with.
// Without a record of this boot, only a journaled write of this boot is
// known to wait for the next one.
bool reboot_pending(const machine_records& records, const std::vector<setting_truth>& truths);

// How a change the tool made before this boot came out.
enum class change_outcome { applied, not_applied, reset_to_defaults, overwritten, rolled_back, unknown };

struct verified_change {
    std::string name;
    std::string written;
    std::optional<std::string> booted;      // none when unknown
    change_outcome outcome = change_outcome::unknown;
    std::string reason;                     // for a person: why that outcome
};

// Every setting the tool changed before this boot, by the last such change.
std::vector<verified_change> verify_changes(const settings_context& context, const machine_records& records);
