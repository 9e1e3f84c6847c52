// SPDX-License-Identifier: GPL-2.0-or-later
// The user settings reader (`setting readfile`) over any text, against an
// in-memory machine with two CMOS banks and a fixed platform settings file.
// An input whose first line is "#direct" runs under the direct update
// method, any other under the standard one. After every run the stored
// checksums must agree with the bytes, and no byte may have been written
// outside the write lock.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "fuzz_target.hpp"
#include "settings/bulk_apply.hpp"
#include "settings_machine.hpp"

namespace {

// The user settings file lives in memory and is opened by its /proc name.
int memory_file()
{
    int fd = memfd_create("user-settings", 0);
    fuzz_check(fd >= 0, "cannot create the in-memory settings file");
    return fd;
}

}  // namespace

FUZZ_TARGET(user_settings)
{
    static engine_run& run = prepared_run();
    memory_machine& m = run.machine;
    static const int fd = memory_file();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    fuzz_check(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
               "cannot write the in-memory settings file");

    const bool direct = size >= 7 && std::memcmp(data, "#direct", 7) == 0;
    run.update_method = direct ? UPDATE_METHOD_DIRECT : UPDATE_METHOD_STANDARD;
    reset_machine(m);
    run_to_end([&] { read_user_settings(run.context(), path); });
    // The run ends: its write session gives the lock back.
    run.writes.finish();

    fuzz_check(m.writes_outside_lock == 0, "a CMOS byte written outside the write lock");
    fuzz_check(!m.locked, "the write lock left held");
    if (direct) {
        const int bytes = sum(m, BANK_A, 0x40, 0x4F) + sum(m, BANK_B, 0x20, 0x2F);
        fuzz_check(word(m, BANK_A, DIRECT_HIGH) == (bytes & 0xFFFF), "the direct word disagrees with the bytes");
    } else {
        fuzz_check(word(m, BANK_A, 0x50) == sum(m, BANK_A, 0x40, 0x4F), "bank 70's checksum disagrees with its bytes");
        fuzz_check(word(m, BANK_B, 0x30) == sum(m, BANK_B, 0x20, 0x2F), "bank 72's checksum disagrees with its bytes");
    }
    return 0;
}
