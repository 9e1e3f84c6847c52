// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/access_diagnosis.hpp"

#include "lib/tool_error.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr int CAP_SYS_RAWIO_BIT = 17;

std::optional<std::string> read_text(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

// The file lists every mode and brackets the active one: "none [integrity] confidentiality".
std::optional<std::string> active_lockdown_mode(const std::string& text)
{
    std::size_t open = text.find('[');
    std::size_t close = text.find(']', open);
    if (open == std::string::npos || close == std::string::npos)
        return std::nullopt;
    return text.substr(open + 1, close - open - 1);
}

std::optional<bool> has_raw_io_capability(const std::string& status)
{
    std::istringstream lines(status);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("CapEff:", 0) != 0)
            continue;
        unsigned long long mask = 0;
        if (std::sscanf(line.c_str() + 7, "%llx", &mask) != 1)
            return std::nullopt;
        return ((mask >> CAP_SYS_RAWIO_BIT) & 1) != 0;
    }
    return std::nullopt;
}

// The initial namespace maps every id to itself: one line "0 0 4294967295".
std::optional<bool> is_initial_user_namespace(const std::string& uid_map)
{
    std::istringstream in(uid_map);
    std::vector<unsigned long long> numbers;
    for (unsigned long long n; in >> n;)
        numbers.push_back(n);
    if (numbers.empty())
        return std::nullopt;
    return numbers == std::vector<unsigned long long>{0, 0, 4294967295ULL};
}

bool locked_down(const access_facts& facts)
{
    return facts.lockdown && *facts.lockdown != "none";
}

std::string what_is_forbidden(hardware_access access)
{
    return access == hardware_access::io_ports ? "I/O port access" : "reading physical memory through /dev/mem";
}

std::string as_text(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += format_text("%s\n", line.c_str());
    return text;
}

}  // namespace

access_facts gather_access_facts(int error, const access_fact_sources& sources)
{
    access_facts facts;
    facts.error = error;
    if (auto text = read_text(sources.lockdown))
        facts.lockdown = active_lockdown_mode(*text);
    if (auto text = read_text(sources.status))
        facts.raw_io_capability = has_raw_io_capability(*text);
    if (auto text = read_text(sources.uid_map))
        facts.initial_user_namespace = is_initial_user_namespace(*text);
    return facts;
}

refusal_cause classify_refusal(hardware_access access, const access_facts& facts)
{
    if (access == hardware_access::io_ports && facts.error == ENOSYS)
        return refusal_cause::no_port_io_support;
    if (access == hardware_access::physical_memory && facts.error == ENOENT)
        return refusal_cause::missing_device;
    if (facts.error != EPERM && facts.error != EACCES)
        return refusal_cause::unexpected;
    if (locked_down(facts))
        return refusal_cause::kernel_lockdown;
    if (facts.initial_user_namespace == false)
        return refusal_cause::user_namespace;
    if (facts.raw_io_capability == false)
        return refusal_cause::missing_capability;
    if (facts.error == EACCES)
        return refusal_cause::file_permissions;
    return refusal_cause::security_policy;
}

std::vector<std::string> explain_refusal(hardware_access access, const access_facts& facts)
{
    const std::string forbidden = what_is_forbidden(access);
    switch (classify_refusal(access, facts)) {
    case refusal_cause::kernel_lockdown:
        return {"The kernel is locked down (mode: " + *facts.lockdown + "), which forbids " + forbidden + ".",
                "Try: boot the kernel without lockdown (no lockdown= on its command line; Secure Boot may also "
                "enforce it), then run the tool again."};
    case refusal_cause::user_namespace:
        return {"The tool runs in a user namespace (a container, for instance), whose root has no power over the "
                "hardware.",
                "Try: run the tool as root of the host itself, or in a container that shares the host's user "
                "namespace and keeps CAP_SYS_RAWIO."};
    case refusal_cause::missing_capability:
        return {"The process lacks the capability CAP_SYS_RAWIO, which " + forbidden + " needs even as root.",
                "Try: run the tool as root with all capabilities (not under a wrapper or in a container that drops "
                "CAP_SYS_RAWIO; with docker: --cap-add SYS_RAWIO)."};
    case refusal_cause::no_port_io_support:
        return {"This kernel offers no I/O privilege levels (it is built without CONFIG_X86_IOPL_IOPERM, or this is "
                "not an x86 machine).",
                "Try: a kernel built with CONFIG_X86_IOPL_IOPERM=y."};
    case refusal_cause::missing_device:
        return {"There is no /dev/mem: the kernel is built without CONFIG_DEVMEM, or /dev lacks the device node (as "
                "in most containers).",
                "Try: a kernel built with CONFIG_DEVMEM=y, or give the container the device (with docker: --device "
                "/dev/mem)."};
    case refusal_cause::file_permissions:
        return {"The file permissions of /dev/mem refuse reading to this user.",
                "Try: run the tool as root; /dev/mem is normally readable by root only."};
    case refusal_cause::security_policy:
        if (!facts.lockdown)
            return {"The process is root with CAP_SYS_RAWIO, so kernel lockdown or a security policy (SELinux, "
                    "AppArmor, seccomp, a container's device rules) forbids " + forbidden + ".",
                    "Try: look at /sys/kernel/security/lockdown (mount securityfs there if it is missing) and at the "
                    "kernel log (dmesg), then lift what forbids it."};
        return {"The process is root with CAP_SYS_RAWIO and the kernel is not locked down, so a security policy "
                "(SELinux, AppArmor, seccomp, a container's device rules) forbids " + forbidden + ".",
                "Try: look at the kernel log (dmesg) and at the security policy that applies to this program."};
    case refusal_cause::unexpected:
        break;
    }
    return {"The kernel refused " + forbidden + " for a reason this tool does not know (" +
                std::strerror(facts.error) + ", error " + std::to_string(facts.error) + ").",
            "Try: report this together with the kernel version (uname -r)."};
}

std::string io_privilege_diagnosis(machine& m, int error)
{
    return as_text(m.diagnose_refusal(hardware_access::io_ports, error));
}

std::string physical_memory_diagnosis(machine& m, int error)
{
    return as_text(m.diagnose_refusal(hardware_access::physical_memory, error));
}
