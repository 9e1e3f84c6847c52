// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lib/held_directory.hpp"

// The one seam between the tool and the machine it runs on. Everything that
// touches hardware goes through it: bytes in, bytes out, no knowledge of
// tokens, checksums or settings. The back end is chosen once at start-up.

// Physical memory, read like a file with absolute seeks.
class physical_memory {
public:
    virtual ~physical_memory() = default;
    // Moves to an absolute physical address; false when that is refused.
    virtual bool seek(std::uint64_t address) = 0;
    // Reads up to size bytes from the current address onwards and advances past
    // them. Returns the number of bytes read, 0 at the end, -1 on an error.
    virtual long read(void* buffer, std::size_t size) = 0;
};

// The two kinds of hardware access that the kernel may refuse.
enum class hardware_access { io_ports, physical_memory };

// A hold on the right to write CMOS, exclusive among all cmoscfg processes of
// the machine; released when destroyed (or when the process ends).
class cmos_write_lock {
public:
    virtual ~cmos_write_lock() = default;
};

// One byte of a change of several CMOS bytes.
struct cmos_byte_change {
    std::uint16_t index_port;
    std::uint8_t location;
    std::uint8_t value;
};

class machine {
public:
    virtual ~machine() = default;

    virtual bool is_root() = 0;
    // Raises the I/O privilege level so that CMOS ports may be used. Returns 0,
    // or the system's error number when the kernel refuses.
    virtual int raise_io_privilege() = 0;

    // The name under which physical memory is opened, for messages.
    virtual std::string physical_memory_path() = 0;
    // Opens physical memory for reading; nullptr when it cannot be opened,
    // and then physical_memory_error() tells why.
    virtual std::unique_ptr<physical_memory> open_physical_memory() = 0;
    // The system's error number of the last failed open_physical_memory();
    // 0 when the back end has none to tell.
    virtual int physical_memory_error() { return 0; }

    // What is wrong and what to try, as lines to print after the message of a
    // refused access; error is what raise_io_privilege or
    // physical_memory_error gave. Only the kernel's refusals need explaining,
    // so a back end that does not ask the kernel has nothing to add.
    virtual std::vector<std::string> diagnose_refusal(hardware_access access, int error);

    // One CMOS byte through a bank's index port: the location goes to the
    // index port, the data through index port + 1.
    virtual std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) = 0;
    virtual void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) = 0;
    // Writes several bytes as one change, in order: a token byte and the
    // checksum that guards it. Where a write can fail for want of room, or be
    // cut short by a kill between bytes, the back end makes the change land
    // whole or not at all; elsewhere it is the bytes written back to back.
    // A tool_error when the change cannot be written.
    virtual void write_cmos_change(std::span<const cmos_byte_change> change);

    // Waits until no other cmoscfg process is writing this machine's CMOS and
    // takes the lock. A tool_error when it cannot be taken.
    virtual std::unique_ptr<cmos_write_lock> lock_cmos_writes() = 0;

    // The text of the platform record kept with a capture of a machine (see
    // hw/platform_record.hpp), which then stands for the product name that
    // dmidecode would report; nullopt where there is none. The hardware has
    // none: it is identified by its own dmidecode. A tool_error
    // when a record exists but cannot be read.
    virtual std::optional<std::string> recorded_platform() { return std::nullopt; }

    // The PATH that the shell commands (dmidecode, grep, cut, date) run with,
    // or nullptr for the caller's own. On the hardware the tool runs as root,
    // so a `date` in the caller's working directory or PATH must not run; an
    // image keeps the caller's PATH, which tests use for their stand-ins.
    virtual const char* shell_command_path() { return nullptr; }

    // The directory of a machine image, where its own settings file may be
    // kept beside it; nullopt for the hardware, which has no such place.
    virtual std::optional<std::string> image_directory() { return std::nullopt; }
    // A file kept in that directory (its settings file), opened for reading
    // as every file of the image is (see held_directory::open_regular);
    // missing where there is no image.
    virtual opened_file open_image_file(const std::string& name)
    {
        (void)name;
        return {};
    }

    // The kernel's id of the boot now running; a new one after every reboot.
    // An image's is the text of its file "boot_id", so that a reboot of an
    // image is a new text there. nullopt where there is none.
    virtual std::optional<std::string> boot_id() { return std::nullopt; }

    // Where the machine's records are kept: the boot record where a reboot
    // clears it, the journal where it outlives reboots. On the hardware these
    // are directories of root's own, made when missing and create is true;
    // an image keeps both in its own directory, as it was opened. The
    // directory may have failed to open (a held_directory without a
    // descriptor); a tool_error when it is not the tool's own.
    enum class records { boot_record, journal };
    virtual const held_directory& records_directory(records which, bool create);
};
