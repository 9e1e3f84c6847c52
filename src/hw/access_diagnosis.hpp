// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hw/machine.hpp"

// When the kernel refuses the hardware (iopl, or opening /dev/mem), "Operation
// not permitted" alone does not tell a user what to change. These functions
// look at what the process can see of its situation and say what is wrong and
// what to try, in lines printed after the error message.

// What the process can tell about why it was refused.
struct access_facts {
    int error = 0;                                // errno of the refusal
    std::optional<std::string> lockdown;          // active lockdown mode ("none", "integrity", ...), when known
    std::optional<bool> raw_io_capability;        // CAP_SYS_RAWIO in the effective set, when known
    std::optional<bool> initial_user_namespace;   // false inside a user namespace (a container), when known
};

// Where the facts are read from; tests point these at files of their own.
struct access_fact_sources {
    std::string lockdown = "/sys/kernel/security/lockdown";
    std::string status = "/proc/self/status";
    std::string uid_map = "/proc/self/uid_map";
};

enum class refusal_cause {
    kernel_lockdown,
    user_namespace,
    missing_capability,
    no_port_io_support,    // iopl: the kernel has no such system call
    missing_device,        // /dev/mem: no such file
    file_permissions,      // /dev/mem: the file's mode refuses this user
    security_policy,       // root with the capability, and still refused
    unexpected,
};

// Reads the facts; a source that is missing or unreadable leaves its fact unknown.
access_facts gather_access_facts(int error, const access_fact_sources& sources = {});

refusal_cause classify_refusal(hardware_access access, const access_facts& facts);

// The diagnosis: what is wrong, then a line starting with "Try: ".
std::vector<std::string> explain_refusal(hardware_access access, const access_facts& facts);

// The back end's diagnosis of a refused iopl or a refused open of physical
// memory (machine::diagnose_refusal), as lines of text to follow the error
// message: only the kernel's refusals get one, those of a machine image or a
// test machine give an empty text.
std::string io_privilege_diagnosis(machine& m, int error);
std::string physical_memory_diagnosis(machine& m, int error);
