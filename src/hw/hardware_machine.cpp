// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/hardware_machine.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hw/access_diagnosis.hpp"
#include "hw/file_lock.hpp"
#include "hw/file_memory.hpp"
#include "lib/text_utils.hpp"
#include "lib/tool_error.hpp"
#include "lib/whole_file.hpp"

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define CMOSCFG_HAVE_PORT_IO 1
#else
#define CMOSCFG_HAVE_PORT_IO 0
#endif

bool hardware_machine::is_root()
{
    return ::geteuid() == 0;
}

int hardware_machine::raise_io_privilege()
{
#if CMOSCFG_HAVE_PORT_IO
    if (::iopl(3) != 0)
        return errno;
    return 0;
#else
    return ENOSYS;
#endif
}

std::string hardware_machine::physical_memory_path()
{
    return "/dev/mem";
}

std::unique_ptr<physical_memory> hardware_machine::open_physical_memory()
{
    return file_memory::open(physical_memory_path(), physical_memory_error_);
}

int hardware_machine::physical_memory_error()
{
    return physical_memory_error_;
}

// The kernel's refusals, explained from what this process can see of its
// situation. The message of a refused open names only the file, so the
// system's error text comes first.
std::vector<std::string> hardware_machine::diagnose_refusal(hardware_access access, int error)
{
    std::vector<std::string> lines;
    if (access == hardware_access::physical_memory)
        lines.push_back(physical_memory_path() + ": " + std::strerror(error));
    for (std::string& line : explain_refusal(access, gather_access_facts(error)))
        lines.push_back(std::move(line));
    return lines;
}

std::uint8_t hardware_machine::read_cmos_byte(std::uint16_t index_port, std::uint8_t location)
{
#if CMOSCFG_HAVE_PORT_IO
    outb(location, index_port);
    return inb(static_cast<std::uint16_t>(index_port + 1));
#else
    (void)index_port;
    (void)location;
    return 0xFF;
#endif
}

void hardware_machine::write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value)
{
#if CMOSCFG_HAVE_PORT_IO
    outb(location, index_port);
    outb(value, static_cast<std::uint16_t>(index_port + 1));
#else
    (void)index_port;
    (void)location;
    (void)value;
#endif
}

// One lock file for the whole machine, where the system keeps lock files.
// /run/lock is writable by everyone, so the file must be root's own.
std::unique_ptr<cmos_write_lock> hardware_machine::lock_cmos_writes()
{
    return lock_file_exclusively({AT_FDCWD, "/run/lock/cmoscfg.lock", "/run/lock/cmoscfg.lock"}, {0600, true});
}

std::optional<std::string> hardware_machine::boot_id()
{
    int fd = ::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    bool read = read_whole_descriptor(fd, text);
    ::close(fd);
    trim_string(text);
    return read && !text.empty() ? std::optional<std::string>(text) : std::nullopt;
}

// The boot record under /run, which a reboot clears; the journal under
// /var/lib, which outlives it. Both directories are root's alone: one that
// another user could write to, or a link, is refused, since the records
// decide what the tool tells of every setting.
const held_directory& hardware_machine::records_directory(records which, bool create)
{
    std::unique_ptr<held_directory>& directory = which == records::boot_record ? boot_records_ : journal_;
    if (directory && directory->fd() >= 0)
        return *directory;
    const std::string path = which == records::boot_record ? "/run/cmoscfg" : "/var/lib/cmoscfg";
    if (create)
        ::mkdir(path.c_str(), 0700);   // an existing one is looked at below
    directory = std::make_unique<held_directory>(path);
    struct stat st {};
    if (directory->is_link() || (directory->fd() >= 0 && (::fstat(directory->fd(), &st) != 0 || st.st_uid != 0 ||
                                                          (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)))
        throw tool_error{1, format_text("Error: refusing %s: it must be a directory of root's own that no one else "
                                        "may write to\n",
                                        path.c_str())};
    return *directory;
}
