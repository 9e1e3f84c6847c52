// SPDX-License-Identifier: GPL-2.0-or-later
// capture DIR: a machine image of the machine the tool runs on. Here the
// machine is itself an image, so a capture of the demo machine must answer
// every read-only command as the demo does, with no dmidecode and no
// CMOSCFG_PLATFORM, and must stay apart from it.
#include <algorithm>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "support/demo_machine.hpp"

namespace fs = std::filesystem;

namespace {

// A run on a capture as a user would make it: the platform from the capture's
// record, the settings file from the capture, a PATH without dmidecode.
class capture_user {
public:
    explicit capture_user(std::string capture) : capture_(std::move(capture))
    {
        programs_.add_script("date", std::string("echo '") + DEMO_DATE + "'\n");
    }

    tool_result run(const std::vector<std::string>& arguments, environment env = {}) const
    {
        tool_invocation invocation;
        invocation.arguments = arguments;
        invocation.env = {{"CMOSCFG_IMAGE", capture_}, {"PATH", programs_.path_alone()}};
        for (const auto& [name, value] : env)
            invocation.env[name] = value;
        return run_tool(invocation);
    }

private:
    std::string capture_;
    fake_programs programs_;
};

fs::perms mode_of(const fs::path& path)
{
    return fs::status(path).permissions() & fs::perms::mask;
}

std::vector<std::string> names_in(const std::string& directory)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Capture, TheCaptureAnswersEveryReadOnlyCommandAsTheMachineDoes)
{
    demo_machine machine;
    const std::string snap = machine.dir().file("snap");
    tool_result r = machine.run_with_settings({"capture", snap});
    const std::string where = fs::canonical(snap).string();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Captured this machine into " + where + ":\n"
                     "  platform K2A07, update method arc_direct\n"
                     "  SMBIOS structure table of 493 bytes, 62 tokens\n"
                     "  383 CMOS bytes: 128 of bank 70, 255 of bank 72\n"
                     "  settings file " + machine.settings_path() + ", copied as bios_settings.k2a07\n"
                     "CMOS may hold a BIOS password: keep the capture as private as the machine.\n"
                     "Only its owner can read it: for another user, copy it, or chown -R it to them.\n"
                     "Use it with:\n"
                     "  CMOSCFG_IMAGE=" + where + " cmoscfg list_tokens\n");
    EXPECT_EQ(names_in(snap), (std::vector<std::string>{"bios_settings.k2a07", "cmos", "mem", "mem.ranges", "platform"}));
    EXPECT_EQ(names_in(machine.dir().path()), (std::vector<std::string>{"image", "snap"}));
    EXPECT_EQ(mode_of(snap), fs::perms::owner_all);
    for (const std::string& name : names_in(snap))
        EXPECT_EQ(mode_of(snap + "/" + name), fs::perms::owner_read | fs::perms::owner_write) << name;

    const capture_user user(snap);
    const std::vector<std::vector<std::string>> commands = {
        {"list_tokens"},     {"platform"},       {"dump", "70", "0", "7f"}, {"dump", "72", "0", "fe"},
        {"checksum", "0", "70", "40", "7f"},     {"csum2"},                 {"setting", "save"},
        {"setting", "visual"}, {"bootorder", "list"},
    };
    for (const std::vector<std::string>& command : commands) {
        tool_result on_machine = machine.run_with_settings(command);
        tool_result on_capture = user.run(command);
        EXPECT_EQ(on_capture.status, on_machine.status) << command[0];
        EXPECT_EQ(on_capture.out, on_machine.out) << command[0];
    }

    // Nothing above 0x7F that no token names was read: those bytes read as
    // missing, not as the machine's.
    EXPECT_EQ(machine.cmos(0x70, 0x80), 0x00);
    EXPECT_EQ(machine.cmos(0x72, 0xFF), 0x00);
    std::string cmos = read_file(snap + "/cmos");
    EXPECT_EQ(cmos.at(0x7080), '\xff');
    EXPECT_EQ(cmos.at(0x72FF), '\xff');

    // A capture of the capture is the same capture.
    const std::string again = machine.dir().file("again");
    EXPECT_EQ(user.run({"capture", again}).status, 0);
    for (const std::string& name : names_in(snap))
        EXPECT_EQ(read_file(again + "/" + name), read_file(snap + "/" + name)) << name;
}

// A settings file on a pipe (CMOSCFG_SETTINGS=<(...)) or a FIFO reads once:
// the capture keeps what the run loaded, and never blocks with signals held.
TEST(Capture, TheSettingsFileIsCopiedAsItWasLoaded)
{
    demo_machine machine;
    const std::string fifo = machine.dir().file("settings.fifo");
    const std::string snap = machine.dir().file("snap");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string text = read_file(machine.settings_path());
    std::thread writer([&fifo, &text] { std::ofstream(fifo) << text; });
    tool_invocation invocation;
    invocation.arguments = {"capture", snap};
    invocation.env = {{"CMOSCFG_SETTINGS", fifo}};
    invocation.timeout_seconds = 20;
    tool_result r = machine.run(invocation);
    int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // frees the writer if the tool never read
    writer.join();
    ::close(unblock);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("  settings file " + fifo + ", copied as bios_settings.k2a07\n"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(snap + "/bios_settings.k2a07"), text);
    EXPECT_EQ(names_in(machine.dir().path()).size(), 3u);  // image, settings.fifo, snap: nothing left beside
}

TEST(Capture, AWriteOnTheCaptureChangesOnlyTheCapture)
{
    demo_machine machine;
    const std::string snap = machine.dir().file("snap");
    tool_result r = machine.run({"capture", snap});
    const std::string where = fs::canonical(snap).string();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("  no settings file in use\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  CMOSCFG_IMAGE=" + where + " CMOSCFG_SETTINGS=NONE cmoscfg list_tokens\n"),
              std::string::npos)
        << r.out;

    const capture_user user(snap);
    const std::string machine_cmos = machine.cmos_file();
    EXPECT_EQ(user.run({"set", "2"}, {{"CMOSCFG_SETTINGS", "NONE"}}).status, 0);
    EXPECT_EQ(machine.cmos_file(), machine_cmos);

    // The same write on the machine leaves it as the capture is now.
    EXPECT_EQ(machine.run({"set", "2"}).status, 0);
    tool_result on_capture = user.run({"dump", "70", "0", "7f"}, {{"CMOSCFG_SETTINGS", "NONE"}});
    EXPECT_EQ(on_capture.out, machine.run({"dump", "70", "0", "7f"}).out);
    EXPECT_NE(machine.cmos_file(), machine_cmos);
}

TEST(Capture, RefusalsWriteNothing)
{
    demo_machine machine;
    const temp_dir& dir = machine.dir();
    const std::string usage = "\nUsage:  cmoscfg  capture  DIR\n\n";
    tool_result r = machine.run({"capture"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, usage);

    r = machine.run({"capture", dir.file("snap"), "extra"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unexpected argument: extra\n");

    fs::create_directory(dir.file("full"));
    dir.write("full/keep", "x");
    r = machine.run({"capture", dir.file("full")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: " + dir.file("full") + " is not empty; give a new or empty directory\n");
    EXPECT_EQ(names_in(dir.file("full")), std::vector<std::string>{"keep"});

    dir.write("file", "x");
    r = machine.run({"capture", dir.file("file")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: " + dir.file("file") + " exists and is not a directory\n");

    fs::create_directory(dir.file("locked"));
    fs::permissions(dir.file("locked"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
    fs::permissions(dir.path(), fs::perms::all);
    tool_invocation invocation;
    invocation.arguments = {"capture", dir.file("locked/snap")};
    invocation.unprivileged = true;
    r = machine.run(invocation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: cannot create a directory beside " + dir.file("locked/snap") + ": Permission denied\n");
    EXPECT_TRUE(fs::is_empty(dir.file("locked")));
    EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"file", "full", "image", "locked"}));

    // A platform record that does not say what it must is refused, unless the
    // environment names the platform, which always wins.
    dir.write("image/platform", "platform: K2A07\nupdate_method: direct\n");
    r = machine.run({"platform"}, {{"CMOSCFG_PLATFORM", std::nullopt}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: malformed platform record (unknown update method: update_method: direct)\n"
                     "It must hold the lines \"platform: MODEL\" and \"update_method: arc_direct\" or "
                     "\"quor_standard\".\n");
    EXPECT_EQ(machine.run({"platform"}).out, "K2A07\n");
}

// What only the final rename, or the first run on the capture, would refuse is
// refused before any work; a capture killed on its way is not left unseen.
TEST(Capture, WhatWouldFailAtTheEndIsRefusedFirst)
{
    demo_machine machine;
    const temp_dir& dir = machine.dir();
    const struct {
        std::vector<std::string> args;
        environment env;
        std::string out;
    } refusals[] = {
        {{"capture", ""}, {}, "Error: cannot create the directory \"\": give the name of a new directory\n"},
        {{"capture", "."}, {}, "Error: cannot create the directory \".\": give the name of a new directory\n"},
        {{"capture", "/proc"}, {}, "Error: /proc is a mount point; give a directory that is not\n"},
        {{"capture", dir.file("snap")}, {{"CMOSCFG_PLATFORM", "K2A07\nX"}},
         "Error: cannot capture platform \"K2A07\nX\": its name holds a newline or '/'\n"},
        {{"capture", dir.file("snap")}, {{"CMOSCFG_PLATFORM", "K2/A07"}, {"CMOSCFG_UPDATE_METHOD", "arc_direct"}},
         "Error: cannot capture platform \"K2/A07\": its name holds a newline or '/'\n"},
        {{"capture", dir.file("snap")}, {{"CMOSCFG_PLATFORM", "K2A07\r"}, {"CMOSCFG_UPDATE_METHOD", "arc_direct"}},
         "Error: cannot capture platform \"K2A07\r\": its name holds a control character\n"},
    };
    for (const auto& refusal : refusals) {
        tool_result r = machine.run(refusal.args, refusal.env);
        EXPECT_EQ(r.status, 1) << refusal.out;
        EXPECT_EQ(r.out, refusal.out);
    }
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"image"});

    // NONE in the name of a capture's directory is no settings file named NONE.
    EXPECT_EQ(machine.run_with_settings({"capture", dir.file("NONE")}).status, 0);
    EXPECT_EQ(capture_user(dir.file("NONE")).run({"setting", "get", "Power Profile"}).out,
              machine.run_with_settings({"setting", "get", "Power Profile"}).out);

    // The longest name the directory may have fits its temporary name too.
    const std::string longest = dir.file(std::string(245, 'n'));
    EXPECT_EQ(machine.run({"capture", longest}).status, 0);
    EXPECT_TRUE(fs::exists(longest + "/mem"));

    fs::create_directory(dir.file(".snap.partial-Ab12Cd"));
    tool_result r = machine.run({"capture", dir.file("snap")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: " + dir.file(".snap.partial-Ab12Cd") +
                         " is left from a capture that did not finish; look at it and remove it\n");
    EXPECT_FALSE(fs::exists(dir.file("snap")));
}

}  // namespace
