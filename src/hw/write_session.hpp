// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hw/journal.hpp"
#include "hw/machine.hpp"
#include "lib/signal_hold.hpp"

// Every CMOS write of a run goes through its one write session. The session
// takes the machine's CMOS write lock at the run's first change and keeps it
// until the run ends, so that no other cmoscfg process comes in between two
// changes of one command (two lines of a settings file, a setting and the
// next default). Termination signals are held only while a change is made,
// so Ctrl-C still stops a long run between two changes, never inside one.
// A session that keeps a journal appends one record of the run's writes to
// it (hw/journal.hpp) as the run ends, while the lock is still held.
//
// A run prints an error's message at its top, after the error has unwound
// everything below. Neither the lock nor a signal held back during a change
// that the error ended may go before the message is out: the signal would
// kill the run before it says why it stopped, and another cmoscfg would start
// before it. So both stay with the session until finish().
class write_session {
public:
    explicit write_session(machine& m) : machine_(m) {}
    ~write_session() { finish(); }
    write_session(const write_session&) = delete;
    write_session& operator=(const write_session&) = delete;

    // One change of several bytes (a token byte and its checksum), whole as
    // seen by other cmoscfg processes and by signals. Create it before the
    // first read of the change and keep it until its last byte is written.
    // Changes nest: a caller may hold one around several.
    class change {
    public:
        explicit change(write_session& session);
        ~change();
        change(const change&) = delete;
        change& operator=(const change&) = delete;

    private:
        write_session& session_;
        int errors_in_flight_;
    };

    bool holds_lock() const { return lock_ != nullptr; }

    // Called at the run's first change, once the lock is taken and before
    // anything is read, and never again: it rolls back an apply that a run
    // which died left open (hw/apply_recovery.hpp).
    void set_recovery(std::function<void()> recover) { recovery_ = std::move(recover); }

    // Writes the bytes of one change, in order, inside a change; each byte's
    // value before is read first, all of them before the first write.
    void write(std::span<const cmos_byte_change> bytes);

    // From now on the run's writes are journaled, as a run of command.
    void keep_journal(std::vector<std::string> command);
    // A setting that the run was asked to change, for its journal record.
    void note_request(const std::string& name, const std::string& value);

    // An apply's first journal record, inside a change and before its first
    // byte: every byte it will write, in order, and what it was asked. Flushed
    // to the disk before it returns the apply's id; a tool_error, with
    // nothing written, when the journal cannot take it.
    std::string begin_apply(std::vector<journaled_byte> plan, std::vector<journaled_request> requests);
    // The mark that ends an apply; the system's error number when the
    // journal could not take it, 0 when it did.
    int mark_apply(const std::string& apply_id, apply_mark mark, std::vector<journaled_byte> bytes = {},
                   std::vector<left_byte> left = {});
    // A change whose bytes the run's own journal record leaves out: an
    // apply's and a roll-back's, which have records of their own.
    void write_unjournaled(std::span<const cmos_byte_change> bytes);

    // Appends the journal record, gives back the lock, then lets any signal
    // that a failed change held back act. The run calls it once its error,
    // if any, is printed. A journal that cannot be written is told on
    // standard error; nothing else of the run changes.
    void finish();

private:
    void append_to_journal() noexcept;
    // A record of this run with nothing in it yet: when, who, the command.
    journal_record stamped_record() const;

    machine& machine_;
    // Taken before signals are held, so that a run waiting for it can still
    // be interrupted, and released first.
    std::unique_ptr<cmos_write_lock> lock_;
    std::optional<signal_hold> signals_;
    int open_changes_ = 0;
    bool journaled_ = false;
    journal_record journal_;
    std::function<void()> recovery_;
};
