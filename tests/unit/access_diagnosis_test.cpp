// SPDX-License-Identifier: GPL-2.0-or-later
// What the user is told when the kernel refuses the hardware: which cause is
// chosen from the facts the process can see, and the words for each.
#include <cerrno>
#include <gtest/gtest.h>

#include "hw/access_diagnosis.hpp"
#include "hw/hardware_machine.hpp"
#include "support/capture.hpp"
#include "support/memory_machine.hpp"
#include "support/temp_dir.hpp"

namespace {

const char* const root_status = "Name:\tcmoscfg\nCapInh:\t0000000000000000\nCapPrm:\t000001ffffffffff\n"
                                "CapEff:\t000001ffffffffff\nCapBnd:\t000001ffffffffff\n";
const char* const no_rawio_status = "CapEff:\t000001fffffdffff\n";
const char* const initial_uid_map = "         0          0 4294967295\n";
const char* const container_uid_map = "         0     100000      65536\n";

TEST(AccessDiagnosis, FactsComeFromTheLockdownStatusAndUidMapFiles)
{
    temp_dir dir;
    access_fact_sources sources{dir.write("lockdown", "none [integrity] confidentiality\n"),
                                dir.write("status", root_status), dir.write("uid_map", initial_uid_map)};
    access_facts facts = gather_access_facts(EPERM, sources);
    EXPECT_EQ(facts.error, EPERM);
    EXPECT_EQ(facts.lockdown, "integrity");
    EXPECT_EQ(facts.raw_io_capability, true);
    EXPECT_EQ(facts.initial_user_namespace, true);

    dir.write("lockdown", "[none] integrity confidentiality\n");
    dir.write("status", no_rawio_status);
    dir.write("uid_map", container_uid_map);
    facts = gather_access_facts(EACCES, sources);
    EXPECT_EQ(facts.lockdown, "none");
    EXPECT_EQ(facts.raw_io_capability, false);
    EXPECT_EQ(facts.initial_user_namespace, false);

    // Kernels without lockdown, securityfs not mounted, no /proc: nothing is known.
    facts = gather_access_facts(EPERM, {dir.file("missing"), dir.write("status2", "Name:\tx\n"),
                                        dir.write("uid_map2", "")});
    EXPECT_FALSE(facts.lockdown);
    EXPECT_FALSE(facts.raw_io_capability);
    EXPECT_FALSE(facts.initial_user_namespace);
}

TEST(AccessDiagnosis, TheCauseIsChosenFromTheErrorThenLockdownNamespaceAndCapability)
{
    using enum refusal_cause;
    const auto io = hardware_access::io_ports;
    const auto mem = hardware_access::physical_memory;
    struct example {
        hardware_access access;
        access_facts facts;
        refusal_cause cause;
    };
    const example examples[] = {
        {io, {EPERM, "integrity", false, false}, kernel_lockdown},
        {mem, {EPERM, "confidentiality", true, true}, kernel_lockdown},
        {io, {EPERM, "none", false, false}, user_namespace},
        {mem, {EACCES, std::nullopt, true, false}, user_namespace},
        {io, {EPERM, "none", false, true}, missing_capability},
        {mem, {EPERM, std::nullopt, false, std::nullopt}, missing_capability},
        {mem, {EACCES, "none", true, true}, file_permissions},
        {io, {EPERM, "none", true, true}, security_policy},
        {io, {EPERM, std::nullopt, std::nullopt, std::nullopt}, security_policy},
        {io, {ENOSYS, "integrity", false, false}, no_port_io_support},
        {mem, {ENOENT, "integrity", false, false}, missing_device},
        {mem, {ENOSYS, "none", true, true}, unexpected},
        {io, {ENOENT, "none", true, true}, unexpected},
        {io, {EIO, "integrity", false, false}, unexpected},
    };
    for (const example& e : examples)
        EXPECT_EQ(classify_refusal(e.access, e.facts), e.cause)
            << "error " << e.facts.error << ", lockdown " << e.facts.lockdown.value_or("?");
}

TEST(AccessDiagnosis, EachCauseSaysWhatIsWrongAndWhatToTry)
{
    EXPECT_EQ(explain_refusal(hardware_access::io_ports, {EPERM, "integrity", true, true}),
              (std::vector<std::string>{
                  "The kernel is locked down (mode: integrity), which forbids I/O port access.",
                  "Try: boot the kernel without lockdown (no lockdown= on its command line; Secure Boot may also "
                  "enforce it), then run the tool again."}));
    EXPECT_EQ(explain_refusal(hardware_access::physical_memory, {EPERM, "none", false, true}),
              (std::vector<std::string>{
                  "The process lacks the capability CAP_SYS_RAWIO, which reading physical memory through /dev/mem "
                  "needs even as root.",
                  "Try: run the tool as root with all capabilities (not under a wrapper or in a container that drops "
                  "CAP_SYS_RAWIO; with docker: --cap-add SYS_RAWIO)."}));
    EXPECT_EQ(explain_refusal(hardware_access::io_ports, {EIO, "none", true, true})[0],
              "The kernel refused I/O port access for a reason this tool does not know (Input/output error, error "
              "5).");
    // Without the lockdown file the user is pointed at it; with it, not.
    EXPECT_NE(explain_refusal(hardware_access::io_ports, {EPERM, std::nullopt, true, true})[1].find("lockdown"),
              std::string::npos);
    EXPECT_EQ(explain_refusal(hardware_access::io_ports, {EPERM, "none", true, true})[1].find("lockdown"),
              std::string::npos);

    for (int error : {EPERM, EACCES, ENOENT, ENOSYS, EIO}) {
        for (auto access : {hardware_access::io_ports, hardware_access::physical_memory}) {
            for (bool known : {false, true}) {
                access_facts facts{error, known ? std::optional<std::string>("none") : std::nullopt,
                                   known ? std::optional<bool>(false) : std::nullopt, true};
                std::vector<std::string> lines = explain_refusal(access, facts);
                ASSERT_EQ(lines.size(), 2u);
                EXPECT_EQ(lines[1].rfind("Try: ", 0), 0u) << lines[1];
            }
        }
    }
}

TEST(AccessDiagnosis, OnlyTheHardwareBackEndIsDiagnosed)
{
    memory_machine test_machine;
    EXPECT_EQ(io_privilege_diagnosis(test_machine, EPERM), "");
    EXPECT_EQ(physical_memory_diagnosis(test_machine, ENOENT), "");

    // A missing device needs no facts, so this holds on any host; nothing is opened.
    hardware_machine hardware;
    EXPECT_EQ(physical_memory_diagnosis(hardware, ENOENT),
              "/dev/mem: No such file or directory\n"
              "There is no /dev/mem: the kernel is built without CONFIG_DEVMEM, or /dev lacks the device node (as in "
              "most containers).\n"
              "Try: a kernel built with CONFIG_DEVMEM=y, or give the container the device (with docker: --device "
              "/dev/mem).\n");
}

}  // namespace
