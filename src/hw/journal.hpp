// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lib/held_directory.hpp"

// The journal of CMOS writes: one line of JSON for every run that wrote CMOS,
// appended under the write lock and flushed to the disk, never rewritten. It
// outlives reboots, so that what a write meant can be compared with what the
// firmware booted with. It is bounded: once the file "journal" holds
// JOURNAL_LIMIT bytes, it becomes "journal.old" (replacing the one before)
// and a new file is begun, so at most twice that is kept.

inline constexpr std::uint64_t JOURNAL_LIMIT = 1024 * 1024;

// One byte of a run's writes, as it was and as it became.
struct journaled_byte {
    std::uint16_t index_port = 0;
    std::uint8_t location = 0;
    std::uint8_t before = 0;
    std::uint8_t after = 0;
};

// A setting that a run was asked to change, and to what.
struct journaled_request {
    std::string name;
    std::string value;
};

// A byte that a roll-back found changed by another writer since the apply,
// and so left as it found it.
struct left_byte {
    std::uint16_t index_port = 0;
    std::uint8_t location = 0;
    std::uint8_t found = 0;
};

// An apply (`setting apply`) writes its record before its first byte, with
// the bytes it will write, and ends it with a second record, its mark: that
// it committed, or that a later run rolled it back because the apply never
// got to its mark. A mark that rolled back holds the bytes it wrote.
enum class apply_mark { none, committed, rolled_back };
// What became of an apply's first record, as read_journal finds it.
enum class apply_state { not_an_apply, open, committed, rolled_back };

struct journal_record {
    std::string time;                    // UTC, as 2026-12-10T17:45:00Z
    std::optional<std::string> boot_id;  // of the boot the run wrote in
    unsigned uid = 0;
    std::optional<std::string> sudo_user;
    std::vector<std::string> command;    // the command words, the program's name first
    std::vector<journaled_request> requests;
    std::vector<journaled_byte> bytes;   // in the order written
    std::string apply_id;                // an apply's two records; "" for any other run
    apply_mark mark = apply_mark::none;
    std::vector<left_byte> left;         // a roll-back's bytes left as found
    apply_state state = apply_state::not_an_apply;  // not stored: read_journal tells it
};

std::string format_journal_line(const journal_record& record);

// The record of one line; nullopt for a line that is not one (a line cut
// short by a power loss, or damage).
std::optional<journal_record> parse_journal_line(const std::string& line);

// Appends record to the journal of directory; the system's error number
// when it could not be written, 0 when it was. A mark never begins a new
// file, so an apply's two records are always in the same one.
int append_journal(const held_directory& directory, const journal_record& record);

// Every whole record of the journal of directory, oldest first, each apply's
// first record with its state. A missing or damaged journal gives what can
// be read of it, and never an error.
std::vector<journal_record> read_journal(const held_directory& directory);

// The first record of an apply that has no mark: a run that died in the
// middle of its apply. The apply holds the write lock from its first record
// to its mark and the next writer rolls it back first, so only the last
// record of the journal can be one.
std::optional<journal_record> open_apply(const held_directory& directory);
