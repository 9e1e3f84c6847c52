// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/apply_recovery.hpp"

#include <cstring>
#include <map>
#include <set>

#include "hw/cmos_access.hpp"
#include "lib/tool_error.hpp"

namespace {

using byte_place = std::pair<std::uint16_t, std::uint8_t>;

// Each byte the apply wrote: its value before the apply, and every value the
// apply gave it on the way (a checksum byte changes with every token).
struct written_place {
    std::uint8_t before = 0;
    std::set<std::uint8_t> values;
};

// The standard method's sum of a bank, written where the first token of the
// bank keeps it; nothing when no token uses the port.
void sum_bank_afresh(const token_access& on, std::uint16_t index_port, std::vector<cmos_byte_change>& repairs)
{
    for (const token_entry& e : on.token_table) {
        if (e.index_port != index_port)
            continue;
        const int sum = calc_checksum(on.cmos, 0, e.index_port, e.checksum_start, e.checksum_end);
        repairs.push_back({index_port, e.checksum_location, static_cast<std::uint8_t>((sum >> 8) & 0xFF)});
        repairs.push_back({index_port, static_cast<std::uint8_t>(e.checksum_location + 1),
                           static_cast<std::uint8_t>(sum & 0xFF)});
        return;
    }
}

std::optional<journal_record> open_apply_of(machine& m)
{
    try {
        return open_apply(m.records_directory(machine::records::journal, false));
    } catch (const tool_error&) {
        // A journal directory that is not the tool's own holds no apply of
        // its own either; the run's own journaling says so.
        return std::nullopt;
    }
}

}  // namespace

void settle_open_apply(const token_access& on)
{
    if (open_apply_of(on.cmos))
        write_session::change held(on.writes);
}

std::optional<rollback_report> roll_back_open_apply(const token_access& on)
{
    std::optional<journal_record> open = open_apply_of(on.cmos);
    if (!open)
        return std::nullopt;

    std::vector<byte_place> order;
    std::map<byte_place, written_place> places;
    for (const journaled_byte& byte : open->bytes) {
        const byte_place place{byte.index_port, byte.location};
        auto [found, first] = places.try_emplace(place);
        if (first) {
            found->second.before = byte.before;
            order.push_back(place);
        }
        found->second.values.insert(byte.after);
    }

    rollback_report report;
    report.apply_id = open->apply_id;
    report.apply_time = open->time;
    std::vector<cmos_byte_change> restores;
    std::vector<journaled_byte> written;
    std::set<std::uint16_t> banks_with_left;
    for (const byte_place& place : order) {
        const written_place& w = places[place];
        const std::uint8_t now = on.cmos.read_cmos_byte(place.first, place.second);
        if (now == w.before)
            continue;
        if (w.values.count(now) == 0) {
            report.left.push_back({place.first, place.second, now});
            banks_with_left.insert(place.first);
            continue;
        }
        restores.push_back({place.first, place.second, w.before});
        written.push_back({place.first, place.second, now, w.before});
    }
    if (!restores.empty())
        on.writes.write_unjournaled(restores);
    report.restored = restores.size();

    if (on.update_method == UPDATE_METHOD_STANDARD) {
        std::vector<cmos_byte_change> repairs;
        for (std::uint16_t bank : banks_with_left)
            sum_bank_afresh(on, bank, repairs);
        std::vector<cmos_byte_change> changed;
        for (const cmos_byte_change& repair : repairs) {
            const std::uint8_t now = on.cmos.read_cmos_byte(repair.index_port, repair.location);
            if (now != repair.value) {
                changed.push_back(repair);
                written.push_back({repair.index_port, repair.location, now, repair.value});
            }
        }
        if (!changed.empty())
            on.writes.write_unjournaled(changed);
    }
    report.journal_error = on.writes.mark_apply(report.apply_id, apply_mark::rolled_back, written, report.left);
    return report;
}

std::string rollback_notice(const rollback_report& report)
{
    std::string notice = format_text("cmoscfg: rolled back the apply %s, which did not finish: %zu CMOS bytes put back\n",
                                     report.apply_id.c_str(), report.restored);
    for (const left_byte& byte : report.left)
        notice += format_text("cmoscfg: warning: CMOS byte %x:%02x left at %02x: written by another since the apply\n",
                              static_cast<unsigned>(byte.index_port), static_cast<unsigned>(byte.location),
                              static_cast<unsigned>(byte.found));
    if (report.journal_error != 0)
        notice += format_text("cmoscfg: warning: the roll-back was not journaled: %s\n",
                              std::strerror(report.journal_error));
    return notice;
}
