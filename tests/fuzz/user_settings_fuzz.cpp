// The user settings reader (`setting readfile`) over any text, against an
// in-memory machine with two CMOS banks and a fixed platform settings file.
// An input whose first line is "#direct" runs under the direct update
// method, any other under the standard one. After every run the stored
// checksums must agree with the bytes, and no byte may have been written
// outside the write lock.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>

#include "fuzz_target.hpp"
#include "hw/token_table.hpp"
#include "hw/update_method.hpp"
#include "settings/bulk_apply.hpp"
#include "settings/settings_loader.hpp"
#include "support/memory_machine.hpp"

namespace {

constexpr std::uint16_t BANK_A = 0x70, BANK_B = 0x72;
constexpr std::uint8_t DIRECT_HIGH = 0x3E;   // and its low byte at 0x3F

token_entry token(std::uint16_t port, std::uint16_t id, std::uint8_t location, std::uint8_t and_mask,
                  std::uint8_t or_mask)
{
    if (port == BANK_A)
        return {BANK_A, BANK_A + 1, 0, 0x40, 0x4F, 0x50, id, location, and_mask, or_mask};
    return {BANK_B, BANK_B + 1, 0, 0x20, 0x2F, 0x30, id, location, and_mask, or_mask};
}

const char* const SETTINGS_FILE =
    "## Processor\n"
    "### Features\n"
    "Virtualization, Enabled, 10:Enabled, 11:Disabled\n"
    "Power, Balanced, 20:Performance, 21:Balanced, 22:Saving\n"
    "Both, A, 30:A, 31:B\n"
    "Partly, On, 10:On, 99:Off\n"
    "Twice, x, 10:x, 11:y\n"
    "Twice, x, 20:z, 21:w, 11:y2\n"
    "Missing, a, 98:a, 99:b\n"
    "## Second bank\n"
    "Upper, Low, 40:Low, 41:High, 42:Both\n";

int word(memory_machine& m, std::uint16_t port, std::uint8_t high)
{
    return m.read_cmos_byte(port, high) * 256 + m.read_cmos_byte(port, static_cast<std::uint8_t>(high + 1));
}

int sum(memory_machine& m, std::uint16_t port, int first, int last)
{
    int total = 0;
    for (int k = first; k <= last; ++k)
        total += m.read_cmos_byte(port, static_cast<std::uint8_t>(k));
    return total & 0xFFFF;
}

void put_word(std::vector<std::uint8_t>& bank, std::uint8_t high, int value)
{
    bank[high] = static_cast<std::uint8_t>(value >> 8);
    bank[high + 1u] = static_cast<std::uint8_t>(value);
}

// Settings at their default, away from it, ambiguous (Both) and absent.
void reset_machine(memory_machine& m)
{
    m.cmos.clear();
    m.writes.clear();
    m.writes_outside_lock = 0;
    std::vector<std::uint8_t> a(256, 0), b(256, 0);
    a[0x41] = 0x01;
    a[0x42] = 0x02;
    a[0x43] = 0x01;
    b[0x21] = 0x0C;
    m.cmos[BANK_A] = a;
    m.cmos[BANK_B] = b;
    put_word(m.cmos[BANK_A], 0x50, sum(m, BANK_A, 0x40, 0x4F));
    put_word(m.cmos[BANK_B], 0x30, sum(m, BANK_B, 0x20, 0x2F));
    // The direct word follows the token bytes of both banks.
    put_word(m.cmos[BANK_A], DIRECT_HIGH, sum(m, BANK_A, 0x40, 0x4F) + sum(m, BANK_B, 0x20, 0x2F));
}

memory_machine& prepared_machine()
{
    memory_machine& m = install_memory_machine();
    set_token_table({token(BANK_A, 0x10, 0x41, 0xFE, 0x01), token(BANK_A, 0x11, 0x41, 0xFE, 0x00),
                     token(BANK_A, 0x20, 0x42, 0xFC, 0x00), token(BANK_A, 0x21, 0x42, 0xFC, 0x01),
                     token(BANK_A, 0x22, 0x42, 0xFC, 0x02), token(BANK_A, 0x30, 0x43, 0xFE, 0x01),
                     token(BANK_A, 0x31, 0x43, 0xFE, 0x01), token(BANK_B, 0x40, 0x21, 0xF0, 0x03),
                     token(BANK_B, 0x41, 0x21, 0xF0, 0x0C), token(BANK_B, 0x42, 0x21, 0xF0, 0x0F)});
    std::istringstream settings(SETTINGS_FILE);
    load_settings_from(settings);
    return m;
}

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
    static memory_machine& m = prepared_machine();
    static const int fd = memory_file();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    fuzz_check(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
               "cannot write the in-memory settings file");

    const bool direct = size >= 7 && std::memcmp(data, "#direct", 7) == 0;
    update_method = direct ? UPDATE_METHOD_DIRECT : UPDATE_METHOD_STANDARD;
    reset_machine(m);
    run_to_end([] { read_user_settings(path); });

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
