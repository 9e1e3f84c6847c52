// SPDX-License-Identifier: GPL-2.0-or-later
// cmoscfg-cmos-state: prints CMOS bytes through the tool's own machine back
// end: the hardware, or the image that CMOSCFG_IMAGE names. The hardware test
// suite records with it what each command left in CMOS, in a QEMU guest and
// on the machine image that stands for it, and compares the two. One line:
// each range as PORT:FIRST-LAST and its bytes, ranges separated by " | ".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hw/machine_choice.hpp"

namespace {

struct cmos_range {
    unsigned port = 0, first = 0, last = 0;
};

// PORT:FIRST-LAST, all hexadecimal, for example 70:40-7f.
bool parse_range(const char* text, cmos_range& range)
{
    char tail = 0;
    return std::sscanf(text, "%x:%x-%x%c", &range.port, &range.first, &range.last, &tail) == 3 &&
           range.port <= 0xFFFF && range.first <= range.last && range.last <= 0xFF;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT:FIRST-LAST...   (hexadecimal, e.g. 70:40-7f)\n", argv[0]);
        return 2;
    }
    std::unique_ptr<machine> m = machine_from_environment();
    if (int error = m->raise_io_privilege(); error != 0) {
        std::fprintf(stderr, "%s: cannot raise the I/O privilege level: %s\n", argv[0], std::strerror(error));
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        cmos_range range;
        if (!parse_range(argv[i], range)) {
            std::fprintf(stderr, "%s: not a range: %s\n", argv[0], argv[i]);
            return 2;
        }
        std::printf("%s%02x:%02x-%02x", i > 1 ? " | " : "", range.port, range.first, range.last);
        for (unsigned location = range.first; location <= range.last; ++location)
            std::printf(" %02x", m->read_cmos_byte(static_cast<std::uint16_t>(range.port),
                                                   static_cast<std::uint8_t>(location)));
    }
    std::printf("\n");
    return 0;
}
