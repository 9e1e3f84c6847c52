// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/write_session.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <unistd.h>

#include "lib/tool_error.hpp"
#include "lib/utc_time.hpp"

write_session::change::change(write_session& session)
    : session_(session), errors_in_flight_(std::uncaught_exceptions())
{
    if (session_.open_changes_ == 0) {
        if (!session_.lock_)
            session_.lock_ = session_.machine_.lock_cmos_writes();
        if (!session_.signals_)
            session_.signals_.emplace();
    }
    ++session_.open_changes_;
    if (session_.recovery_) {
        std::function<void()> recover = std::move(session_.recovery_);
        session_.recovery_ = nullptr;
        try {
            recover();
        } catch (...) {
            // No destructor runs for a change that was never made.
            --session_.open_changes_;
            throw;
        }
    }
}

write_session::change::~change()
{
    --session_.open_changes_;
    // Ended by an error on its way up: the held signals stay with the session.
    if (session_.open_changes_ == 0 && std::uncaught_exceptions() <= errors_in_flight_)
        session_.signals_.reset();
}

void write_session::write(std::span<const cmos_byte_change> bytes)
{
    change held(*this);
    std::vector<journaled_byte> written;
    if (journaled_) {
        for (const cmos_byte_change& byte : bytes)
            written.push_back({byte.index_port, byte.location, machine_.read_cmos_byte(byte.index_port, byte.location),
                               byte.value});
    }
    machine_.write_cmos_change(bytes);
    journal_.bytes.insert(journal_.bytes.end(), written.begin(), written.end());
}

void write_session::write_unjournaled(std::span<const cmos_byte_change> bytes)
{
    change held(*this);
    machine_.write_cmos_change(bytes);
}

journal_record write_session::stamped_record() const
{
    journal_record record;
    record.time = utc_time_now();
    record.uid = ::getuid();
    if (const char* sudo_user = std::getenv("SUDO_USER"))
        record.sudo_user = sudo_user;
    record.boot_id = machine_.boot_id();
    record.command = journal_.command;
    return record;
}

std::string write_session::begin_apply(std::vector<journaled_byte> plan, std::vector<journaled_request> requests)
{
    journal_record record = stamped_record();
    // Unique among the journal's applies: one apply a run, one run a process
    // id at a time.
    record.apply_id = record.time + "-" + std::to_string(::getpid());
    record.requests = std::move(requests);
    record.bytes = std::move(plan);
    const held_directory* directory = nullptr;
    try {
        directory = &machine_.records_directory(machine::records::journal, true);
    } catch (const tool_error& refused) {
        throw tool_error{refused.status, refused.text + "Nothing was written: an apply is journaled first.\n"};
    }
    if (int error = append_journal(*directory, record); error != 0)
        throw tool_error{1, format_text("Error:  cannot write the journal %s:  %s\n"
                                        "Nothing was written: an apply is journaled first.\n",
                                        directory->path_of("journal").c_str(), std::strerror(error))};
    return record.apply_id;
}

int write_session::mark_apply(const std::string& apply_id, apply_mark mark, std::vector<journaled_byte> bytes,
                              std::vector<left_byte> left)
{
    journal_record record = stamped_record();
    record.apply_id = apply_id;
    record.mark = mark;
    record.bytes = std::move(bytes);
    record.left = std::move(left);
    try {
        return append_journal(machine_.records_directory(machine::records::journal, true), record);
    } catch (const tool_error&) {
        return EACCES;   // a directory that is not the tool's own; begin_apply told why
    }
}

void write_session::keep_journal(std::vector<std::string> command)
{
    journaled_ = true;
    journal_.command = std::move(command);
}

void write_session::note_request(const std::string& name, const std::string& value)
{
    if (journaled_)
        journal_.requests.push_back({name, value});
}

void write_session::finish()
{
    if (journaled_ && !journal_.bytes.empty())
        append_to_journal();
    lock_.reset();
    signals_.reset();
}

// Never fails the run: it ends here, its writes made and told, and the
// session may be ending as an error unwinds.
void write_session::append_to_journal() noexcept
{
    std::string problem;
    try {
        journal_record stamped = stamped_record();
        stamped.requests = std::move(journal_.requests);
        stamped.bytes = std::move(journal_.bytes);
        journal_ = std::move(stamped);
        const held_directory& directory = machine_.records_directory(machine::records::journal, true);
        if (int error = append_journal(directory, journal_); error != 0)
            problem = " in " + directory.path_of("journal") + ": " + std::strerror(error);
    } catch (const tool_error& refused) {
        problem = refused.text;
        while (!problem.empty() && problem.back() == '\n')
            problem.pop_back();
        problem = ": " + problem;
    } catch (const std::exception& failure) {
        problem = std::string(": ") + failure.what();
    }
    if (!problem.empty())
        std::fprintf(stderr, "cmoscfg: warning: the write was not journaled%s\n", problem.c_str());
    journal_.bytes.clear();
    journal_.requests.clear();
}
