// SPDX-License-Identifier: GPL-2.0-or-later
// Which settings file a run loads, how a malformed one is reported, and the
// degraded mode that runs without one.
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/pseudo_terminal.hpp"
#include "support/test_machine.hpp"

namespace {

const char* const machine_description = R"(
table e8000
d4 d400 70 71 00 40 7f 3e
token 0010 41 fe 01
token 0011 41 fe 00
end-of-table
anchor f5a00
cmos 70 41 01
checksum 70 40 7f 3e
)";

const char* const settings_text = "## Processor\n"
                                  "Virtualization, Enabled, 0010:Enabled, 0011:Disabled\n";

const std::string debug_start = "# Platform explicitly set to:  K2A07\n"
                                "# Platform is known and valid\n"
                                "# Using CMOS update method:  (direct access)\n";

const std::string two_tokens = "  70/71:  csType 0 [40,7f] @3e  Token: 0010  loc: 41  and: fe  or: 01\n"
                               "  70/71:  csType 0 [40,7f] @3e  Token: 0011  loc: 41  and: fe  or: 00\n"
                               "\n2 tokens found.\n\n\n";

class SettingsFile : public testing::Test {
protected:
    // Runs list_tokens with tracing on, in the given working directory.
    tool_result run_in(const std::string& directory, const environment& env)
    {
        tool_invocation invocation;
        invocation.arguments = {"list_tokens"};
        invocation.working_directory = directory;
        invocation.env = env;
        invocation.env["DEBUG"] = "1";
        if (!invocation.env.count("CMOSCFG_SETTINGS"))
            invocation.env["CMOSCFG_SETTINGS"] = std::nullopt;
        return machine.run(invocation);
    }

    test_machine machine{machine_description};
    const temp_dir& dir = machine.dir();
};

TEST_F(SettingsFile, TheImplicitNameIsFoundInTheWorkingDirectory)
{
    dir.write("bios_settings.k2a07", settings_text);
    tool_result r = run_in(dir.path(), {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, debug_start +
                         "# Settings file is being implicitly constructed.\n"
                         "# Settings file is in current working directory.\n"
                         "# Attempting to read from settings file: bios_settings.k2a07\n"
                         "# Opening settings file:  bios_settings.k2a07\n" +
                         two_tokens);
}

TEST_F(SettingsFile, OtherwiseTheInstallDirectoryIsAssumed)
{
    tool_result r = run_in(dir.path(), {{"CMOSCFG_PLATFORM", "xk2a07y"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "# Platform explicitly set to:  XK2A07Y\n"
                     "# Platform is known and valid\n"
                     "# Using CMOS update method:  (direct access)\n"
                     "# Settings file is being implicitly constructed.\n"
                     "# Settings file is assumed to be in /opt/quor/qsv/\n"
                     "# Attempting to read from settings file: /opt/quor/qsv/bios_settings.xk2a07y\n"
                     "# Opening settings file:  /opt/quor/qsv/bios_settings.xk2a07y\n"
                     "Error:  cannot open settings file for reading:  /opt/quor/qsv/bios_settings.xk2a07y\n");
}

TEST_F(SettingsFile, ASettingsPathGetsItsSlashAndIsSearchedFirst)
{
    std::filesystem::create_directory(dir.file("conf"));
    dir.write("conf/bios_settings.k2a07", settings_text);
    tool_result r = run_in(dir.path(), {{"CMOSCFG_SETTINGS_PATH", "conf"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, debug_start +
                         "# Settings file path set to:  conf/\n"
                         "# Settings file is being implicitly constructed.\n"
                         "# Settings file is in current working directory.\n"
                         "# Attempting to read from settings file: conf/bios_settings.k2a07\n"
                         "# Opening settings file:  conf/bios_settings.k2a07\n" +
                         two_tokens);

    r = run_in(dir.path(), {{"CMOSCFG_SETTINGS_PATH", "/srv/cmos/"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, debug_start +
                         "# Settings file path set to:  /srv/cmos/\n"
                         "# Settings file is being implicitly constructed.\n"
                         "# Settings file is assumed to be in /opt/quor/qsv/\n"
                         "# Attempting to read from settings file: /opt/quor/qsv//srv/cmos/bios_settings.k2a07\n"
                         "# Opening settings file:  /opt/quor/qsv//srv/cmos/bios_settings.k2a07\n"
                         "Error:  cannot open settings file for reading:  "
                         "/opt/quor/qsv//srv/cmos/bios_settings.k2a07\n");
}

// Run as root in a shared directory, a settings file that another user
// planted there, or could change, would choose the tokens root writes.
TEST_F(SettingsFile, AFileAnotherUserCouldHavePlantedOrChangedIsRefused)
{
    std::string path = dir.write("bios_settings.k2a07", settings_text);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const std::string before = machine.cmos_file();
    auto set_in_shared_directory = [this](const environment& env) {
        tool_invocation invocation;
        invocation.arguments = {"setting", "set", "Virtualization", "Disabled"};
        invocation.working_directory = dir.path();
        invocation.env = env;
        invocation.env["CMOSCFG_SETTINGS"] = std::nullopt;
        return machine.run(invocation);
    };

    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    tool_result r = set_in_shared_directory({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: refusing settings file bios_settings.k2a07: group or others may write it\n");
    EXPECT_EQ(machine.cmos_file(), before);

    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    if (::geteuid() != 0)
        GTEST_SKIP() << "files of another user need root to make";
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    r = set_in_shared_directory({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: refusing settings file bios_settings.k2a07: owned by uid 65534, neither root nor the "
                     "invoking user\n");
    EXPECT_EQ(machine.cmos_file(), before);

    // Under sudo, even the file of the user who ran it: a sudo rule may grant
    // that user one fixed command line, not the choice of every token.
    r = set_in_shared_directory({{"SUDO_UID", "65534"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: refusing settings file bios_settings.k2a07: owned by uid 65534, neither root nor the "
                     "invoking user\n");
    EXPECT_EQ(machine.cmos_file(), before);

    // A link that another user planted, to a file of root's.
    ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
    std::filesystem::rename(path, dir.file("root.settings"));
    std::filesystem::create_symlink("root.settings", path);
    ASSERT_EQ(::lchown(path.c_str(), 65534, 65534), 0);
    r = set_in_shared_directory({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: refusing settings file bios_settings.k2a07: a symbolic link owned by uid 65534, neither "
                     "root nor the invoking user\n");
    EXPECT_EQ(machine.cmos_file(), before);

    // Root's own link is root's choice.
    ASSERT_EQ(::lchown(path.c_str(), 0, 0), 0);
    r = set_in_shared_directory({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(machine.cmos(0x70, 0x41), 0x00);
}

// A capture keeps its settings file beside the machine: with nothing else
// named, the image's own file comes before the working directory's.
TEST_F(SettingsFile, AnImageSettingsFileIsFoundFirstUnlessAnotherIsNamed)
{
    const std::string image_file = machine.image_path() + "/bios_settings.k2a07";
    dir.write("image/bios_settings.k2a07", settings_text);
    dir.write("bios_settings.k2a07", "not a settings line\n");
    tool_result r = run_in(dir.path(), {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, debug_start +
                         "# Settings file is being implicitly constructed.\n"
                         "# Settings file is in the machine image.\n"
                         "# Attempting to read from settings file: " + image_file + "\n"
                         "# Opening settings file:  " + image_file + "\n" + two_tokens);

    // Either variable names the place instead, NONE included.
    EXPECT_EQ(run_in(dir.path(), {{"CMOSCFG_SETTINGS_PATH", "."}}).status, 1);
    EXPECT_EQ(machine.run({"setting", "get", "Virtualization"}, {{"CMOSCFG_SETTINGS", "NONE"}}).out.rfind(
                  "\nThis function requires that a platform-specific settings file be used.", 0),
              0u);

    // A file of the image is no link, and is trusted no more than any other.
    ASSERT_EQ(::chmod(image_file.c_str(), 0664), 0);
    r = machine.run({"list_tokens"}, {{"CMOSCFG_SETTINGS", std::nullopt}});
    EXPECT_EQ(r.out, "Error: refusing settings file " + image_file + ": group or others may write it\n");
    std::filesystem::remove(image_file);
    std::filesystem::create_symlink(dir.file("bios_settings.k2a07"), image_file);
    r = machine.run({"list_tokens"}, {{"CMOSCFG_SETTINGS", std::nullopt}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: refusing settings file " + image_file + ": it is a symbolic link\n");
    std::filesystem::remove(image_file);
    ASSERT_EQ(::mkfifo(image_file.c_str(), 0644), 0);
    r = machine.run({"list_tokens"}, {{"CMOSCFG_SETTINGS", std::nullopt}});
    EXPECT_EQ(r.out, "Error: refusing settings file " + image_file + ": not a regular file\n");
}

// The error names the last place only, as scripts know it; a person at a
// terminal is told every place and what changes the search.
TEST_F(SettingsFile, ATerminalIsToldWhereTheFileWasLookedFor)
{
    pseudo_terminal terminal;
    if (!terminal.ready())
        GTEST_SKIP() << terminal.problem();
    const std::string image = machine.image_path();
    const std::string how = "; CMOSCFG_SETTINGS names the file (NONE: none), CMOSCFG_SETTINGS_PATH the directory it is in.\n";
    const struct {
        environment env;
        std::string missing;
        std::string note;
    } cases[] = {
        {{{"CMOSCFG_SETTINGS", std::nullopt}},
         "/opt/quor/qsv/bios_settings.k2a07",
         "cmoscfg: looked for the settings file as " + image + "/bios_settings.k2a07, then bios_settings.k2a07 (in " +
             dir.path() + ") and then /opt/quor/qsv/bios_settings.k2a07" + how},
        {{{"CMOSCFG_SETTINGS", std::nullopt}, {"CMOSCFG_SETTINGS_PATH", "/srv/cmos"}},
         "/opt/quor/qsv//srv/cmos/bios_settings.k2a07",
         "cmoscfg: looked for the settings file as /srv/cmos/bios_settings.k2a07 and then "
         "/opt/quor/qsv//srv/cmos/bios_settings.k2a07" + how},
        {{{"CMOSCFG_SETTINGS", "my.settings"}},
         "my.settings",
         "cmoscfg: CMOSCFG_SETTINGS names the settings file (after CMOSCFG_SETTINGS_PATH, if set), so no other "
         "place was looked at; without them, bios_settings.k2a07 is looked for in the machine image, in the "
         "working directory and in /opt/quor/qsv/.\n"},
    };
    for (const auto& c : cases) {
        for (bool on_terminal : {true, false}) {
            tool_invocation invocation;
            invocation.arguments = {"list_tokens"};
            invocation.working_directory = dir.path();
            invocation.env = c.env;
            invocation.standard_error_fd = on_terminal ? terminal.terminal_fd() : -1;
            tool_result r = machine.run(invocation);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "Error:  cannot open settings file for reading:  " + c.missing + "\n");
        }
        EXPECT_EQ(terminal.pending_output(), c.note);
    }
}

TEST_F(SettingsFile, AnExplicitNameIsUsedAsGivenAfterThePath)
{
    dir.write("my.settings", settings_text);
    tool_result r = run_in(dir.path(), {{"CMOSCFG_SETTINGS", "my.settings"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, debug_start +
                         "# Settings file overridden to:  my.settings\n"
                         "# Attempting to read from settings file: my.settings\n"
                         "# Opening settings file:  my.settings\n" +
                         two_tokens);

    r = run_in(dir.path(), {{"CMOSCFG_SETTINGS", "/tmp/my.settings"}, {"CMOSCFG_SETTINGS_PATH", dir.path()}});
    EXPECT_EQ(r.status, 1);
    const std::string name = dir.path() + "//tmp/my.settings";
    EXPECT_EQ(r.out, debug_start + "# Settings file path set to:  " + dir.path() +
                         "/\n"
                         "# Settings file overridden to:  /tmp/my.settings\n"
                         "# Attempting to read from settings file: " +
                         name + "\n# Opening settings file:  " + name +
                         "\nError:  cannot open settings file for reading:  " + name + "\n");
}

TEST_F(SettingsFile, NoneAnywhereInTheNameRunsWithoutSettings)
{
    for (const environment& env : std::vector<environment>{{{"CMOSCFG_SETTINGS", "NONE"}},
                                                           {{"CMOSCFG_SETTINGS_PATH", "/NONE/"}}}) {
        tool_result listing = machine.run({"list_tokens"}, env);
        EXPECT_EQ(listing.status, 0);
        EXPECT_EQ(listing.out, two_tokens);
        for (const char* word : {"setting", "settings"}) {
            for (const std::vector<std::string>& args :
                 {std::vector<std::string>{word}, std::vector<std::string>{word, "get", "Virtualization"}}) {
                tool_result refused = machine.run(args, env);
                EXPECT_EQ(refused.status, 1);
                EXPECT_EQ(refused.out, "\nThis function requires that a platform-specific settings file be used.  "
                                       "Point to this with\nthe environment variable 'SETTINGS'.\n\nHalting.\n\n");
            }
        }
    }
}

TEST_F(SettingsFile, AMalformedFileStopsEveryCommandWithItsLineNumber)
{
    dir.write("bad.settings", "# settings\n\n## Processor\r\nVirtualization, Enabled, 0010:Enabled\r\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"list_tokens"}}) {
        tool_result r = machine.run(args, {{"CMOSCFG_SETTINGS", dir.file("bad.settings")}});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "\nError:  Line 4:  Malformed setting line:\nVirtualization, Enabled, 0010:Enabled\r\n\n");
    }
}

TEST_F(SettingsFile, GetAndSetUseTheLoadedSettings)
{
    std::string path = dir.write("k2a07.settings", std::string(settings_text) +
                                                       "Virtualization, Enabled, 0010:On, 0011:Off\n"
                                                       "TPM, Off, 00f0:Off, 00f1:On\n");
    const environment env{{"CMOSCFG_SETTINGS", path}};
    tool_result r = machine.run({"setting", "get", "Virtualization"}, env);
    EXPECT_EQ(r.status, 1);   // both lines of the name count: two values are set
    EXPECT_EQ(r.out, "error:  setting found, but BIOS did not have precisely 1 setting active.\nfound_set_tokens == 2\n\n");

    r = machine.run({"settings", "get", "TPM"}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Token 00f0 (for setting TPM) not found on system.\n"
                     "Token 00f1 (for setting TPM) not found on system.\n"
                     "Setting is not present on system:  TPM\nHalting.\n\n");

    r = machine.run({"setting", "set", "Virtualization", "Off"}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(machine.cmos(0x70, 0x41), 0x00);
}

}  // namespace

// A name from a settings file that another user wrote must not act on the
// terminal it is shown on; a file or a pipe still gets its bytes.
TEST_F(SettingsFile, ControlCharactersReachATerminalEscaped)
{
    pseudo_terminal terminal;
    if (!terminal.ready())
        GTEST_SKIP() << terminal.problem();
    dir.write("bios_settings.k2a07", "## Processor\n"
                                     "Virt\x1b[2Jualization, Enabled, 0010:Enabled, 0011:Dis\xc2\x9b" "abled\n"
                                     "C\xc3\xa9lsius\rX, Enabled, 0010:Enabled, 0011:Disabled\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"setting", "list"}, std::vector<std::string>{"setting", "visual"},
          std::vector<std::string>{"setting", "get", "Nothing\x1b[2J"}}) {
        tool_invocation invocation;
        invocation.arguments = args;
        invocation.working_directory = dir.path();
        invocation.env = {{"CMOSCFG_SETTINGS", std::nullopt}};
        tool_result piped = machine.run(invocation);
        EXPECT_NE(piped.out.find('\x1b'), std::string::npos) << args[1];

        invocation.standard_output_fd = terminal.terminal_fd();
        tool_result shown = machine.run(invocation);
        EXPECT_EQ(shown.status, piped.status) << args[1];
        std::string expected;
        for (char c : piped.out)
            expected += c == '\x1b' ? std::string("\\033") : c == '\r' ? std::string("\\r") : std::string(1, c);
        for (std::size_t at; (at = expected.find("\xc2\x9b")) != std::string::npos;)
            expected.replace(at, 2, "\\302\\233");
        EXPECT_EQ(terminal.pending_output(), expected) << args[1];
    }
}
