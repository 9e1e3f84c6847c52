// SPDX-License-Identifier: GPL-2.0-or-later
// The platform and update method chosen at start-up, from the environment or
// from the product name that dmidecode reports, and the platform command.
#include <gtest/gtest.h>

#include "support/fake_programs.hpp"
#include "support/test_machine.hpp"

namespace {

// The method trace is followed by those of the settings file (NONE in these tests).
const std::string direct_trace = "# Using CMOS update method:  (direct access)\n" + settings_trace;
const std::string tokenctl_trace = "# Using CMOS update method:  (tokenctl style)\n" + settings_trace;

std::string explicit_trace(const std::string& name)
{
    return "# Platform explicitly set to:  " + name + "\n";
}

const std::string known_trace = "# Platform is known and valid\n";

std::string unlisted_platform_text(const std::string& name)
{
    return "\n"
           "'" + name + "' is not a known platform.  That's ok, but the environment variable\n"
           "CMOSCFG_UPDATE_METHOD is not set.  Please do one of these: \n"
           "\n"
           "    To use your unknown platform with the Quor standard 'tokenctl' method\n"
           "    of updating BIOS settings, set:\n"
           "    \n"
           "        export CMOSCFG_UPDATE_METHOD=quor_standard    \n"
           "    \n"
           "    To use your unknown platform with the Quor ARC legacy method of\n"
           "    updating BIOS settings, set:\n"
           "    \n"
           "        export CMOSCFG_UPDATE_METHOD=arc_direct\n"
           "    \n"
           "    Or, choose a platform that this tool already knows about:\n"
           "    \n"
           "        K2A07  K2B07  K2C07  K2C08  K2C09  K2D07  K2E07  K2F07  K2G07  \n"
           "    \n"
           "\n";
}

tool_result run_platform(const environment& env)
{
    return test_machine(any_machine).run({"platform"}, env);
}

TEST(ExplicitPlatform, TheNameIsPrintedByThePlatformCommand)
{
    tool_result r = run_platform({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "K2A07\n");

    r = test_machine(any_machine).run({"platform", "ignored"}, {{"CMOSCFG_PLATFORM", "K2g07"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "K2G07\n");
}

TEST(ExplicitPlatform, AKnownModelTakesItsDefaultMethod)
{
    struct example {
        const char* given;
        std::string name;
        std::string method_trace;
    };
    const example examples[] = {
        {"K2A07", "K2A07", direct_trace},
        {"k2e07", "K2E07", tokenctl_trace},
        {"xk2c08y", "XK2C08Y", direct_trace},
        {"K2D07", "K2D07", direct_trace},
        {"lab-K2F07", "LAB-K2F07", tokenctl_trace},
        // Two models in one name: the earlier row of the table decides.
        {"K2G07+K2B07", "K2G07+K2B07", direct_trace},
    };
    for (const example& e : examples) {
        tool_result r = run_platform({{"CMOSCFG_PLATFORM", e.given}, {"DEBUG", ""}});
        EXPECT_EQ(r.status, 0) << e.given;
        EXPECT_EQ(r.out, explicit_trace(e.name) + known_trace + e.method_trace + e.name + "\n") << e.given;
    }
}

TEST(ExplicitPlatform, AKeywordOverridesTheDefaultMethodInAnyCase)
{
    tool_result r = run_platform({{"CMOSCFG_PLATFORM", "K2E07"}, {"CMOSCFG_UPDATE_METHOD", "ARC_DIRECT"}, {"DEBUG", "0"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, explicit_trace("K2E07") + known_trace + "# Update method override:  'direct'.\n" + direct_trace +
                         "K2E07\n");

    r = run_platform({{"CMOSCFG_PLATFORM", "K2A07"}, {"CMOSCFG_UPDATE_METHOD", "Quor_Standard"}, {"DEBUG", "1"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, explicit_trace("K2A07") + known_trace + "# Update method override:  'quor_standard' (tokenctl).\n" +
                         tokenctl_trace + "K2A07\n");
}

TEST(ExplicitPlatform, AnUnknownKeywordForAKnownModelIsRefused)
{
    tool_result r = run_platform({{"CMOSCFG_PLATFORM", "K2E07"}, {"CMOSCFG_UPDATE_METHOD", "Direct"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Update method override was requested (by environment variable),\n"
                     "but I don't know this method:  direct\n"
                     "\n\n\n");
}

TEST(ExplicitPlatform, AnUnlistedPlatformWithoutAKeywordIsRefused)
{
    tool_result r = run_platform({{"CMOSCFG_PLATFORM", "LAB1"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, unlisted_platform_text("LAB1"));

    // A word that is not a keyword counts as no method at all.
    r = run_platform({{"CMOSCFG_PLATFORM", "lab1"}, {"CMOSCFG_UPDATE_METHOD", "direct"}, {"DEBUG", ""}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, explicit_trace("LAB1") + unlisted_platform_text("LAB1"));

    // Text from the environment is printed, never used as a format.
    r = run_platform({{"CMOSCFG_PLATFORM", "%s%n"}, {"CMOSCFG_UPDATE_METHOD", ""}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, unlisted_platform_text("%S%N"));
}

TEST(ExplicitPlatform, AnUnlistedPlatformWithAKeywordIsAccepted)
{
    tool_result r = run_platform({{"CMOSCFG_PLATFORM", "lab1"}, {"CMOSCFG_UPDATE_METHOD", "quor_standard"}, {"DEBUG", ""}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, explicit_trace("LAB1") + "# Update method set to 'quor_standard' (tokenctl).\n" + tokenctl_trace +
                         "LAB1\n");

    r = run_platform({{"CMOSCFG_PLATFORM", "Lab 2"}, {"CMOSCFG_UPDATE_METHOD", "Arc_Direct"}, {"DEBUG", ""}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, explicit_trace("LAB 2") + "# Update method set to 'direct'.\n" + direct_trace + "LAB 2\n");

    r = run_platform({{"CMOSCFG_PLATFORM", "lab1"}, {"CMOSCFG_UPDATE_METHOD", "quor_standard"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "LAB1\n");
}

}  // namespace
