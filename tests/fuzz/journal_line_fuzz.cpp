// SPDX-License-Identifier: GPL-2.0-or-later
// The journal's reader on any line, as a damaged or hand-edited journal
// holds: it never fails, and what it takes for a record reads back the same
// once written again, so a roll-back never works from a record it misread.
#include <string>

#include "fuzz_target.hpp"
#include "hw/journal.hpp"

FUZZ_TARGET(journal_line)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::optional<journal_record> record = parse_journal_line(line);
    if (!record)
        return 0;
    fuzz_check(record->mark == apply_mark::none || !record->apply_id.empty(), "a mark of no apply was taken");
    std::string written = format_journal_line(*record);
    fuzz_check(!written.empty() && written.back() == '\n' && written.find('\n') == written.size() - 1,
               "a record was not written as one line");
    written.pop_back();
    std::optional<journal_record> again = parse_journal_line(written);
    fuzz_check(again.has_value(), "a record written again no longer reads");
    std::string rewritten = format_journal_line(*again);
    rewritten.pop_back();
    fuzz_check(rewritten == written, "a record reads back otherwise than it was written");
    return 0;
}
