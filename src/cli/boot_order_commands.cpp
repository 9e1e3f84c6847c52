// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/boot_order_commands.hpp"

#include <cstdio>
#include <string>

#include "cli/boot_order_tables.hpp"
#include "cli/platform_table.hpp"
#include "cli/write_arguments.hpp"
#include "hw/cmos_access.hpp"
#include "hw/token_write.hpp"
#include "lib/tool_error.hpp"

namespace {

[[noreturn]] void halt(const char* message)
{
    throw tool_error{1, format_text("%s\nHalting.\n\n", message)};
}

// Where the platform keeps its boot order; chosen by the exact model name.
boot_order_place boot_order_of_platform(const std::string& platform_name)
{
    const platform_descriptor* platform = platform_named(platform_name);
    return platform != nullptr ? platform->boot_order : BOOT_ORDER_UNKNOWN;
}

void refuse_boot_order_of_settings()
{
    std::puts("");
    std::puts("For platform K2F07 and K2G07, boot order is included in BIOS settings,");
    std::puts("So this function is no longer used.");
    std::puts("");
    std::puts("Please run 'cmoscfg setting save' and see the settings called 'boot_device_N'.");
    std::puts("");
}

void print_bootorder_usage(const command_line& line)
{
    std::puts("");
    std::printf("Usage:  %s  bootorder  list|get|set  [index]  [device_num]\n", line.program_name());
    std::puts("");
    std::puts("Supported platforms:  k2a07  k2b07  k2c07  k2c08  k2c09  k2e07");
    std::puts("");
    std::printf("Index ranges from 1 to %d.  Index N corresponds to the Nth boot device.\n", BOOT_DEVICE_COUNT);
    std::puts("");
    std::puts("The mapping of device_num to particular devices happens during BIOS bootup.  It");
    std::puts("can change based on add-in NICs and discovered hardware.  Infiniband and 10gb");
    std::puts("ethernet NICs");
    std::puts("are known to cause this.  So:");
    std::puts("");
    std::puts("A NUMBER-TO-DEVICE MAPPING IS ONLY VALID FOR A PARTICULAR HARDWARE CONFIG.");
    std::puts("");
    std::puts("The recommended way to use this tool:");
    std::puts("    1.  Boot a machine that has the hardware config you're interested in");
    std::puts("    2.  Enter BIOS setup.  Write down the boot order.");
    std::printf("    3.  Run '%s bootorder (platform) list'\n", line.program_name());
    std::puts("    4.  Compare the two lists; this is the device_num mapping for this");
    std::puts("\t      hardware config.");
    std::puts("");
    std::puts("Example:  Set 1st boot device to device_number 3:");
    std::printf("    %s bootorder set 1 3\n", line.program_name());
    std::puts("");
}

void print_raw_table_line(const char* platform, const std::string& slot, const std::string& index_port,
                          const std::string& location, const std::string& mask)
{
    std::printf("%6s  %13s  %8s  %3s  %4s  \n", platform, slot.c_str(), index_port.c_str(), location.c_str(),
                mask.c_str());
}

std::string hex_text(const char* format, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

void print_bootorder_raw_usage(const command_line& line)
{
    std::puts("");
    std::printf("Usage:  %s  bootorder_raw  get|set  idx_port  location  mask_bits  [device_num]\n",
                line.program_name());
    std::puts("");
    std::puts("Mask bits are not inverted.  Device number is natural (do not need to shift).");
    std::puts("");
    print_raw_table_line("K2A07", "Boot Device #", "idx_port", "loc", "mask");
    print_raw_table_line("", "-------------", "--------", "---", "----");
    // The first five slots of the K2A07 as examples.
    const boot_device_table& k2a07 = k2a07_boot_devices;
    for (int slot = 1; slot <= 5; ++slot) {
        const boot_device_row& row = k2a07[static_cast<std::size_t>(slot - 1)];
        print_raw_table_line("", std::to_string(slot), hex_text("%x", row.index_port), hex_text("%02x", row.location),
                             hex_text("%02x", row.mask));
    }
    std::puts("");
    std::puts("So, for the K2A07, to get the 2nd boot device:");
    std::puts("");
    std::printf("    %s bootorder_raw get 72 a4 0f\n", line.program_name());
    std::puts("");
    std::puts("To then change the 2nd boot device to be device 3:");
    std::puts("");
    std::printf("    %s bootorder_raw set 72 a4 0f 3\n", line.program_name());
    std::puts("");
}

const boot_device_row& slot_of(const boot_device_table& table, int index)
{
    if (index < 1 || index > BOOT_DEVICE_COUNT)
        halt("Invalid boot index");
    return table[static_cast<std::size_t>(index - 1)];
}

int list_slots(machine& m, const boot_device_table& table)
{
    for (int index = 1; index <= BOOT_DEVICE_COUNT; ++index) {
        const boot_device_row& row = table[static_cast<std::size_t>(index - 1)];
        std::printf("Boot #%d:  device id: %d\n", index, read_cmos_shifted(m, row.index_port, row.location, row.mask));
    }
    std::puts("");
    return 0;
}

int get_slot(machine& m, const command_line& line, const boot_device_table& table)
{
    if (line.size() < 4)
        halt("Boot index is required.");
    const boot_device_row& row = slot_of(table, line.number(3));
    std::printf("%d\n", read_cmos_shifted(m, row.index_port, row.location, row.mask));
    return 0;
}

int set_slot(const token_access& tokens, const command_line& line, const boot_device_table& table)
{
    if (line.size() < 5)
        halt("Boot index and target value are required.");
    require_no_more_words(line, 5);
    require_hex_numbers(line, 3, 4);
    int index = line.number(3);
    int device = line.number(4);
    const boot_device_row& row = slot_of(table, index);
    require_byte_number(line, 4, "device number");
    set_d4_field(tokens, row.index_port, row.location, row.mask, device);
    return 0;
}

}  // namespace

command_status bootorder_command(run_context& run, const command_line& line)
{
    boot_order_place boot_order = boot_order_of_platform(run.platform_name);
    if (boot_order.home == boot_order_home::bios_settings) {
        refuse_boot_order_of_settings();
        return 0;
    }
    if (line.size() < 3) {
        print_bootorder_usage(line);
        return 0;
    }
    if (boot_order.home != boot_order_home::cmos_slots)
        return std::nullopt;
    const boot_device_table& table = *boot_order.slots;
    const std::string& sub_word = line[2];
    if (sub_word == "list")
        return list_slots(run.cmos(), table);
    if (sub_word == "get")
        return get_slot(run.cmos(), line, table);
    if (sub_word == "set")
        return set_slot(run.tokens(), line, table);
    return std::nullopt;
}

command_status bootorder_raw_command(run_context& run, const command_line& line)
{
    if (line.size() < 6) {
        print_bootorder_raw_usage(line);
        return 0;
    }
    const std::string& sub_word = line[2];
    int index_port = line.number(3);
    int location = line.number(4);
    int mask = line.number(5);
    if (sub_word == "get") {
        // A zero mask is refused here with a message and status 1.
        std::printf("%d\n", read_cmos_shifted(run.cmos(), index_port, location, mask));
        return 0;
    }
    if (sub_word == "set") {
        // Six words name the field but not the number to put into it; nothing
        // is written rather than a guessed value.
        if (line.size() < 7)
            halt("Device number is required.");
        require_no_more_words(line, 7);
        require_hex_numbers(line, 3, 6);
        require_port_number(line, 3);
        require_byte_number(line, 4, "location");
        require_byte_number(line, 5, "mask");
        require_byte_number(line, 6, "device number");
        set_d4_field(run.tokens(), index_port, location, mask, line.number(6));
        return 0;
    }
    return std::nullopt;
}
