// SPDX-License-Identifier: GPL-2.0-or-later
// The machine image description parser over any text. A malformed line is
// refused with std::runtime_error; an accepted description names only tables
// it has, and keeps every CMOS bank whole.
#include <stdexcept>
#include <string>

#include "fuzz_target.hpp"
#include "image/machine_image.hpp"

FUZZ_TARGET(image_description)
{
    machine_image image;
    try {
        image = parse_image_description(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    for (const entry_point_image& entry : image.entry_points)
        fuzz_check(entry.table < image.tables.size(), "an entry point names a missing table");
    for (const auto& [port, bytes] : image.cmos)
        fuzz_check(bytes.size() == 256, "a CMOS bank that is not 256 bytes");
    return 0;
}
