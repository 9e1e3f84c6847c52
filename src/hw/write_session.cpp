// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/write_session.hpp"

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
        journal_.time = utc_time_now();
        journal_.uid = ::getuid();
        if (const char* sudo_user = std::getenv("SUDO_USER"))
            journal_.sudo_user = sudo_user;
        journal_.boot_id = machine_.boot_id();
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
