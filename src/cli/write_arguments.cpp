// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/write_arguments.hpp"

#include <cstdio>
#include <set>
#include <string>

#include "lib/tool_error.hpp"
#include "lib/unexpected_argument.hpp"

namespace {

// The CMOS banks a write may go through: the two fixed banks of the PC's
// real-time clock chip, and every bank a token of the SMBIOS table names.
std::set<int> cmos_index_ports(const d4_token_table& token_table)
{
    std::set<int> ports{0x70, 0x72};
    for (const token_entry& e : token_table)
        ports.insert(e.index_port);
    return ports;
}

// A negative number is out of range too: it reaches the ports as its low bits.
void require_at_most(const command_line& line, int i, const char* what, int largest, const char* range)
{
    int n = line.number(i);
    if (n < 0 || n > largest)
        throw tool_error{1, format_text("Error: %s out of range (%s): %s\n", what, range, line[i].c_str())};
}

}  // namespace

void require_hex_numbers(const command_line& line, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        if (!is_whole_hex_number(line[i].c_str())) {
            throw tool_error{1, format_text("Error: not a hexadecimal number: %s\n", line[i].c_str())};
        }
    }
}

void require_byte_number(const command_line& line, int i, const char* what)
{
    require_at_most(line, i, what, 0xFF, "00 to ff");
}

void require_port_number(const command_line& line, int i)
{
    require_at_most(line, i, "index port", 0xFFFF, "0000 to ffff");
}

void require_cmos_index_port(const d4_token_table& token_table, const command_line& line, int i)
{
    require_port_number(line, i);
    int port = line.number(i);
    std::set<int> ports = cmos_index_ports(token_table);
    if (ports.contains(port))
        return;
    std::string banks;
    for (int p : ports)
        banks += format_text("%s%x", banks.empty() ? "" : " ", static_cast<unsigned>(p));
    throw tool_error{1, format_text("Error: index port %x is not a CMOS bank of this machine (its banks: %s)\n",
                                    static_cast<unsigned>(port), banks.c_str())};
}

void require_no_more_words(const command_line& line, int used)
{
    refuse_words_after(line.words, static_cast<std::size_t>(used));
}
