// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/write_session.hpp"

#include <exception>

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

void write_session::finish()
{
    lock_.reset();
    signals_.reset();
}
