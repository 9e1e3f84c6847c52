// SPDX-License-Identifier: GPL-2.0-or-later
// Platform autodetection: the product name that dmidecode reports, read
// through the shell pipeline with a stand-in dmidecode first on PATH.
#include <gtest/gtest.h>

#include "support/fake_programs.hpp"
#include "support/test_machine.hpp"

namespace {

std::string autodetection_failure_text(const std::string& raw)
{
    return "\n"
           "Platform detected  :  UNKNOWN\n"
           "Raw platform string:  " + raw + "\n"
           "\n"
           "Autodetection failed; this is not a known platform.\n"
           "\n"
           "You can skip platform autodetection by setting an environment variable. \n"
           "If you don't set to a known platform, you must also set the update method\n"
           "to either 'arc_direct' (the legacy ARC method of pushing tokens) or\n"
           "'quor_standard' (the Quor 'tokenctl' method of pushing tokens).\n"
           "\n"
           "    (known platforms:  K2A07  K2B07  K2C07  K2C08  K2C09  K2D07  K2E07  K2F07  K2G07  )\n"
           "\n"
           "    export CMOSCFG_PLATFORM=NNNNN\n"
           "    export CMOSCFG_UPDATE_METHOD=arc_direct\n"
           "    export CMOSCFG_UPDATE_METHOD=quor_standard\n"
           "\n";
}

// What dmidecode prints for a system whose product name line is given.
std::string dmidecode_printing(const std::string& product_name_line)
{
    return "cat <<'END'\n"
           "# dmidecode 3.4\n"
           "Handle 0x0100, DMI type 1, 27 bytes\n"
           "System Information\n"
           "\tManufacturer: Quor Systems\n" +
           product_name_line +
           "\tVersion: A03\n"
           "\tSKU Number: SKU=X\n"
           "END\n";
}

tool_result detect(const fake_programs& programs, environment env = {})
{
    env["CMOSCFG_PLATFORM"] = std::nullopt;
    env["PATH"] = programs.path();
    return test_machine(any_machine).run({"platform"}, env);
}

TEST(PlatformDetection, TheProductNameNamesTheModelAndItsDefaultMethod)
{
    struct example {
        std::string product_name_line;
        std::string model;
        std::string method;
    };
    const example examples[] = {
        {"\tProduct Name: PowerServer K2A07\n", "K2A07", "(direct access)"},
        // K2D07 systems report the model without its leading letter.
        {"\tProduct Name: PowerServer 2D07\n", "K2D07", "(direct access)"},
        {"\tProduct Name: PowerServer X2D07\n", "K2D07", "(direct access)"},
        {"\tProduct Name: powerServer k2E07 rev b\n", "K2E07", "(tokenctl style)"},
        {"\tProduct Name: K2c09:2\n", "K2C09", "(direct access)"},
        // The earlier row of the table wins over the order in the name.
        {"\tProduct Name: K2G07/K2B07\n", "K2B07", "(direct access)"},
        // Only the first line with a product name counts.
        {"\tProduct Name: K2F07\n\tProduct Name: K2A07\n", "K2F07", "(tokenctl style)"},
    };
    for (const example& e : examples) {
        fake_programs programs;
        programs.add_script("dmidecode", dmidecode_printing(e.product_name_line));
        tool_result r = detect(programs, {{"DEBUG", ""}});
        EXPECT_EQ(r.status, 0) << e.product_name_line;
        EXPECT_EQ(r.out, "# Using CMOS update method:  " + e.method + "\n" + settings_trace + e.model + "\n")
            << e.product_name_line;
    }
}

TEST(PlatformDetection, AnEmptyPlatformVariableMeansAutodetection)
{
    fake_programs programs;
    programs.add_script("dmidecode", dmidecode_printing("\tProduct Name: PowerServer K2C07\n"));
    environment env{{"PATH", programs.path()}, {"CMOSCFG_PLATFORM", ""}};
    tool_result r = test_machine(any_machine).run({"platform"}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "K2C07\n");
}

TEST(PlatformDetection, AutodetectionIgnoresTheUpdateMethodVariable)
{
    fake_programs programs;
    programs.add_script("dmidecode", dmidecode_printing("\tProduct Name: PowerServer K2E07\n"));
    for (const char* method : {"arc_direct", "nonsense"}) {
        tool_result r = detect(programs, {{"DEBUG", ""}, {"CMOSCFG_UPDATE_METHOD", method}});
        EXPECT_EQ(r.status, 0) << method;
        EXPECT_EQ(r.out, "# Using CMOS update method:  (tokenctl style)\n" + settings_trace + "K2E07\n") << method;
    }
}

TEST(PlatformDetection, AProductNameWithoutAModelFailsShowingTheRawName)
{
    fake_programs programs;
    programs.add_script("dmidecode", dmidecode_printing("\tProduct Name:   Lab server k2x07 \t\n"));
    tool_result r = detect(programs, {{"CMOSCFG_UPDATE_METHOD", "arc_direct"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, autodetection_failure_text("LAB SERVER K2X07"));
}

TEST(PlatformDetection, NoProductNameFailsWithAnEmptyRawName)
{
    // dmidecode itself failing does not matter: the pipeline's last stage
    // decides its status.
    fake_programs programs;
    programs.add_script("dmidecode", "echo '# No SMBIOS nor DMI entry point found, sorry.'\nexit 2\n");
    tool_result r = detect(programs, {{"DEBUG", ""}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, autodetection_failure_text(""));
}

TEST(PlatformDetection, WithoutDmidecodeItFailsWithAnEmptyRawName)
{
    fake_programs programs;
    programs.add_system_program("grep");
    programs.add_system_program("cut");
    environment env{{"PATH", programs.path_alone()}, {"CMOSCFG_PLATFORM", std::nullopt}};
    tool_invocation invocation;
    invocation.arguments = {"platform"};
    invocation.env = env;
    invocation.standard_error_expected = true;  // the shell's own "not found"
    tool_result r = test_machine(any_machine).run(invocation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, autodetection_failure_text(""));
    EXPECT_NE(r.err.find("dmidecode"), std::string::npos);
}

TEST(PlatformDetection, AFailingPipelineEndsWithItsExitCode)
{
    fake_programs programs;
    programs.add_script("dmidecode", dmidecode_printing("\tProduct Name: PowerServer K2A07\n"));
    programs.add_script("cut", "cat >/dev/null\nexit 3\n");
    tool_result r = detect(programs);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "Shell command:  dmidecode | grep 'Product Name' -m1 | cut -d':' -f2\n"
                     "  exit code: 3\n"
                     "Halting.\n");
}

}  // namespace
